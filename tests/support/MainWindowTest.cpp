// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MainWindowTest.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/jobs/JobEngine.h"
#include "core/packer/PackerVersion.h"
#include "gui/console/ConsoleSession.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"

MainWindowTest::MainWindowTest(const WindowSetup& setup)
    : MainWindowTest([](AppContext&) {}, setup) {}

MainWindowTest::MainWindowTest(const std::function<void(AppContext&)>& before,
                               const WindowSetup& setup)
    : dir(setup.languages, setup.standin) {
  dir.prepare(ctx.state);
  qputenv("PACKHELM_STANDIN_ARGLOG", dir.argLogPath());
  Prompts::Test() = {};
  Prompts::Test().active = true;
  if (setup.startUp) return;
  ctx.runStartupOnShow = false;
  ctx.state.opt.GlobalOpt_FirstTimeShowConsol = 1;
  ctx.state.Packer = PackerCapabilities::ForVersion("4.2.4");  // the stand-in's own
  before(ctx);
  ctx.createForms();
  QObject::connect(ctx.engine, &JobEngine::finished, ctx.engine,
                   [this](const JobReport& r) { last = r; });
  if (setup.english) ctx.changeLanguage("English.lng");
  if (setup.show) w()->show();
}

MainWindowTest::~MainWindowTest() {
  qunsetenv("PACKHELM_STANDIN_ARGLOG");
}

QString MainWindowTest::status() const {
  return ui().get<QLineEdit>("EditStatus")->text();
}

void MainWindowTest::select(const QList<QByteArray>& files) {
  ctx.state.FileList = files;
  w()->FillText();
}

QList<QList<QByteArray>> MainWindowTest::runs() const {
  QList<QList<QByteArray>> all = PackerRuns(dir.argLogPath());
  all.removeAll(QList<QByteArray>{"--version"});
  return all;
}

QMetaObject::Connection MainWindowTest::onRun(const std::function<void()>& during) {
  return QObject::connect(ctx.engine, &JobEngine::batchStarted, ctx.engine, [this, during] {
    packerPid = ChildProcesses().value(0, -1);
    QTimer::singleShot(0, during);
  });
}

std::optional<JobReport> MainWindowTest::press(const char* button,
                                               const std::function<void()>& during) {
  QMetaObject::Connection c;
  if (during) c = onRun(during);
  const std::optional<JobReport> result =
      AwaitJob(ctx.jobs, [&] { QTest::mouseClick(ui().get<QPushButton>(button), Qt::LeftButton); });
  QObject::disconnect(c);
  return result;
}

quint64 MainWindowTest::uncompressedTotal() const {
  if (!last) return 0;
  return last->kind == JobSpec::Kind::Pack ? last->totalBefore : last->totalAfter;
}

quint64 MainWindowTest::compressedTotal() const {
  if (!last) return 0;
  return last->kind == JobSpec::Kind::Pack ? last->totalAfter : last->totalBefore;
}
