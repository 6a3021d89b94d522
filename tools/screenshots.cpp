// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the program's windows for the README, made from the program itself with the real
// packer: the main window after packing four programs with two runs at once, the console with
// its two panes, the Results, the Options and the file manager's integration.
//   packhelm_screenshots PROGRAM_FOLDER PACKER OUT_FOLDER FILE...
// PROGRAM_FOLDER holds the language files (the build's bin/); scripts/screenshots.sh runs it.
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "core/packer/PackerVersion.h"
#include "gui/console/ConsoleSession.h"
#include "gui/console/ConsoleWindow.h"
#include "gui/dialogs/TFormIntegration.h"
#include "gui/dialogs/TFormOpt.h"
#include "gui/main/AppContext.h"
#include "gui/main/JobRunner.h"
#include "gui/main/TFormMain.h"
#include "gui/results/TFormResults.h"
#include "gui/widgets/DesktopIdentity.h"

namespace {

bool save(QWidget* w, const QString& folder, const char* name) {
  // The window drawn by itself: without a window manager the windows overlap on the screen.
  const QPixmap shot = w->grab();
  const QString path = folder + '/' + QLatin1String(name) + QStringLiteral(".png");
  if (shot.save(path)) return true;
  std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Packhelm"));
  QApplication::setApplicationDisplayName(QStringLiteral("Packhelm"));
  DesktopIdentity::ApplyName();
  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 5) {
    std::fprintf(stderr, "usage: %s PROGRAM_FOLDER PACKER OUT_FOLDER FILE...\n", argv[0]);
    return 2;
  }
  const QString out = args[3];
  AppContext ctx;
  ProgramState& s = ctx.state;
  s.ProgramDir = QFile::encodeName(QDir(args[1]).absolutePath()) + '/';
  s.UpxLocation = s.UpxShortLocation = QFile::encodeName(args[2]);
  s.Packer = PackerCapabilities::ForVersion("4.2.3");
  // Settings of their own, never the user's.
  s.SettingsPath = QFile::encodeName(out) + "/.screenshots.cfg";
  s.opt.GlobalOpt_FirstTimeShowConsol = 1;
  s.opt.GlobalOpt_PackerRuns = 2;
  s.opt.GlobalOpt_CloseCon = qint32(CloseCon::Never);
  ctx.runStartupOnShow = false;
  ctx.createForms();
  ctx.changeLanguage("English.lng");
  TFormMain* main = ctx.FormMain;
  main->show();
  for (qsizetype i = 4; i < args.size(); ++i) s.FileList.append(QFile::encodeName(args[i]));
  main->FillText();

  int status = 1;
  QObject::connect(ctx.jobs, &JobRunner::jobFinished, &app, [&](const JobReport& result) {
    // Painted and placed first.
    QTimer::singleShot(1500, &app, [&, result] {
      bool ok = result.started;
      ok = save(main, out, "main-window") && ok;
      ok = save(ctx.console->window(), out, "console") && ok;
      TFormResults* results = ctx.formResults();
      results->show();
      QTimer::singleShot(800, &app, [&, ok, results]() mutable {
        ok = save(results, out, "results") && ok;
        results->hide();
        TFormOpt* options = ctx.formOpt();
        options->show();
        QTimer::singleShot(800, &app, [&, ok, options]() mutable {
          ok = save(options, out, "options") && ok;
          options->hide();
          QWidget* integration = ctx.formIntegration();
          integration->show();
          QTimer::singleShot(800, &app, [&, ok, integration]() mutable {
            ok = save(integration, out, "integration") && ok;
            status = ok ? 0 : 1;
            app.quit();
          });
        });
      });
    });
  });
  // Pressed once the window is up, as a user would.
  QTimer::singleShot(1000, main, [main] {
    if (auto* pack = main->findChild<QPushButton*>(QStringLiteral("ButtonPack"))) pack->click();
  });
  app.exec();
  std::remove(qPrintable(out + QStringLiteral("/.screenshots.cfg")));
  return status;
}
