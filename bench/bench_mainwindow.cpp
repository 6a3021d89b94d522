// SPDX-License-Identifier: GPL-3.0-or-later
// Main window figures: job overhead against running the packer directly, start-up time against a
// bare Qt Widgets window, and screenshots of the window with the panel closed and open.
//   bench_mainwindow                 all measurements, screenshots under /tmp
//   bench_mainwindow --startup-main  (child) show the main window, exit when idle
//   bench_mainwindow --startup-bare  (child) show an empty QWidget, exit when idle
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QToolButton>
#include <QtWidgets>
#include <cstdio>

#include "core/settings/ProgramCommands.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

int startupChild(bool mainWindow) {
  std::unique_ptr<TestProgramDir> dir;
  std::unique_ptr<AppContext> ctx;
  std::unique_ptr<QWidget> bare;
  if (mainWindow) {
    dir = std::make_unique<TestProgramDir>(false, false);
    ctx = std::make_unique<AppContext>();
    dir->prepare(ctx->state);
    ctx->runStartupOnShow = false;
    ctx->createForms();
    ctx->FormMain->show();
  } else {
    bare = std::make_unique<QWidget>();
    bare->resize(297, 393);
    bare->show();
  }
  QTimer::singleShot(0, qApp, &QCoreApplication::quit);  // the first idle moment
  return QApplication::exec();
}

double medianMs(QList<double> v) {
  std::sort(v.begin(), v.end());
  return v.isEmpty() ? 0 : v[v.size() / 2];
}

double timeChild(const QString& mode) {
  QElapsedTimer t;
  t.start();
  QProcess p;
  p.start(QCoreApplication::applicationFilePath(), {mode});
  p.waitForFinished(60000);
  return t.nsecsElapsed() / 1e6;
}

void screenshots(AppContext& ctx) {
  TFormMain* w = ctx.FormMain;
  w->grab().save(QStringLiteral("/tmp/packhelm-main-closed.png"));
  Controls(w).get<QToolButton>("SpeedButtonAddOpt")->setChecked(true);
  w->PanelFirstShow = true;
  w->SpeedButtonAddOptClick();
  w->Timer1Timer();
  QCoreApplication::processEvents();
  w->grab().save(QStringLiteral("/tmp/packhelm-main-open.png"));
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.contains(QStringLiteral("--startup-main"))) return startupChild(true);
  if (args.contains(QStringLiteral("--startup-bare"))) return startupChild(false);

  TestProgramDir dir(false, true);
  AppContext ctx;
  dir.prepare(ctx.state);
  ctx.runStartupOnShow = false;
  ctx.state.opt.GlobalOpt_FirstTimeShowConsol = 1;
  ctx.state.opt.GlobalOpt_CloseCon = 2;  // keep one console: a run costs the same each time
  ctx.state.Packer = PackerCapabilities::ForVersion("4.2.4");
  ctx.state.LangTexts[11] = "KB";
  ctx.state.LangTexts[12] = "KB";
  Prompts::Test().active = true;
  ctx.createForms();
  ctx.FormMain->show();
  QCoreApplication::processEvents();
  screenshots(ctx);

  // Job overhead: 20 files packed through the window vs the same packer command by QProcess.
  QList<QByteArray> files;
  for (int i = 0; i < 20; ++i) files << dir.makeFile("f" + QByteArray::number(i) + ".bin", 200000);
  ctx.state.FileList = files;
  ctx.FormMain->FillText();
  QList<double> viaWindow, direct;
  for (int round = 0; round < 5; ++round) {
    QElapsedTimer t;
    t.start();
    AwaitJob(ctx.jobs, [&] { ctx.FormMain->ButtonPackClick(); });
    viaWindow << t.nsecsElapsed() / 1e6;
    AwaitJob(ctx.jobs, [&] { ctx.FormMain->ButtonUnPackClick(); });

    const QList<QByteArray> argv = CommandLine::SplitCommandLine(
        CommandLine::GetCmdPack(ctx.FormMain->packOptions(), ctx.state));
    QStringList qargs;
    for (int i = 1; i < argv.size(); ++i) qargs << QFile::decodeName(argv[i]);
    t.restart();
    QProcess p;
    p.start(QFile::decodeName(argv[0]), qargs);
    p.waitForFinished(60000);
    direct << t.nsecsElapsed() / 1e6;
    QProcess u;
    u.start(QFile::decodeName(argv[0]), QStringList{QStringLiteral("-d")} + qargs.mid(1));
    u.waitForFinished(60000);
  }
  const double a = medianMs(viaWindow), b = medianMs(direct);
  std::printf("pack 20 files: window %.1f ms, direct %.1f ms, overhead %.1f ms (%.1f %%)\n", a, b,
              a - b, b > 0 ? (a - b) * 100 / b : 0);

  QList<double> mainStart, bareStart;
  for (int i = 0; i < 7; ++i) {
    mainStart << timeChild(QStringLiteral("--startup-main"));
    bareStart << timeChild(QStringLiteral("--startup-bare"));
  }
  const double m = medianMs(mainStart), s = medianMs(bareStart);
  std::printf("start-up to idle: main window %.1f ms, bare QWidget %.1f ms, ratio %.2f\n", m, s,
              s > 0 ? m / s : 0);
  std::printf("screenshots: /tmp/packhelm-main-closed.png /tmp/packhelm-main-open.png\n");
  return 0;
}
