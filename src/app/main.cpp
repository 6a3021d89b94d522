// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "core/startup/ProcessSetup.h"
#include "core/startup/ProgramArguments.h"
#include "gui/main/AppContext.h"
#include "gui/main/FontConfigWarmUp.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/DesktopIdentity.h"

int main(int argc, char* argv[]) {
  // A file-size limit (ulimit -f) must make a write fail, not end the program.
  ProcessSetup::IgnoreFileSizeLimitSignal();
  FontConfigWarmUp fonts;
  QApplication app(argc, argv);
  fonts.wait();
  QApplication::setApplicationName(QStringLiteral("Packhelm"));
  QApplication::setApplicationDisplayName(QStringLiteral("Packhelm"));
  DesktopIdentity::ApplyName();

  AppContext ctx;
  // Relative file arguments are taken against the folder Packhelm was started from, before the
  // program folder becomes the current directory. The bytes of argv are used as they are (Qt has
  // removed its own options from it), so every file name survives unchanged.
  ctx.arguments = ProgramArguments::FromArgv(argc, argv);

  ctx.createForms();
  ctx.start();
  const int rc = app.exec();
  // A start-up that could not complete (no language file, no packer) ends with a failure code.
  return ctx.FormMain->startupAborted ? 1 : rc;
}
