// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <cstdio>
#include <vector>

#include "core/settings/SettingsPreload.h"
#include "core/startup/CommandLineOptions.h"
#include "core/startup/ProcessSetup.h"
#include "core/startup/ProgramArguments.h"
#include "core/util/InstallLayout.h"
#include "gui/main/AppContext.h"
#include "gui/main/FontConfigWarmUp.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/DesktopIdentity.h"

int main(int argc, char* argv[]) {
  // Help, version and a refused option are answered before anything needs a display.
  const CommandLineOptions::Parsed cmd = CommandLineOptions::Parse(argc, argv);
  switch (cmd.action) {
    case CommandLineOptions::Action::Help:
    case CommandLineOptions::Action::Version:
      std::fwrite(cmd.message.constData(), 1, size_t(cmd.message.size()), stdout);
      return 0;
    case CommandLineOptions::Action::Refuse:
      std::fwrite(cmd.message.constData(), 1, size_t(cmd.message.size()), stderr);
      return CommandLineOptions::UsageErrorStatus;
    case CommandLineOptions::Action::Run:
      break;
  }

  // A file-size limit (ulimit -f) must make a write fail, not end the program.
  ProcessSetup::IgnoreFileSizeLimitSignal();
  FontConfigWarmUp fonts;
  // The settings' folder in the user's configuration is named after the program.
  QCoreApplication::setApplicationName(QStringLiteral("Packhelm"));
  SettingsPreload settings(InstallLayout::ProgramFolder());
  // Qt sees only its own options; the file names never pass through it.
  QList<QByteArray> qtArgs = cmd.qtArguments;
  std::vector<char*> qtArgv;
  for (QByteArray& a : qtArgs) qtArgv.push_back(a.data());
  qtArgv.push_back(nullptr);
  int qtArgc = int(qtArgs.size());
  QApplication app(qtArgc, qtArgv.data());
  fonts.wait();
  QApplication::setApplicationName(QStringLiteral("Packhelm"));
  QApplication::setApplicationDisplayName(QStringLiteral("Packhelm"));
  DesktopIdentity::ApplyName();

  AppContext ctx;
  ctx.state.preloadedSettings = &settings;
  // Relative file arguments are taken against the folder Packhelm was started from, before the
  // program folder becomes the current directory.
  ctx.arguments = ProgramArguments::FromArguments(cmd.files);
  if (!cmd.report.isEmpty()) ctx.reportFile = ProgramArguments::FromArguments({cmd.report}).first();

  ctx.createForms();
  ctx.start();
  const int rc = app.exec();
  // A start-up that could not complete (no language file, no packer) ends with a failure code.
  return ctx.startupAborted() ? 1 : rc;
}
