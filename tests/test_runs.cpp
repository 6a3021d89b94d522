// SPDX-License-Identifier: GPL-3.0-or-later
// Runs that go wrong, end to end: real windows (offscreen), a real pty and the stand-in packer on
// real files. Stop at every point of a run, closing the main window during a run, Ctrl+C, a kill
// of the packer, closing the console after a command-line run and after a button run, a Packhelm
// that is killed itself, and a packer whose version is not recognised. Each checks the status
// line, the files beside the inputs, and that no packer is left running.

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <QtTest>
#include <functional>

#include "core/console/PtyRunner.h"
#include "core/console/ScreenModel.h"
#include "core/jobs/JobEngine.h"
#include "core/packer/FileSizes.h"
#include "core/packer/PackerVersion.h"
#include "core/settings/CFGfile.h"
#include "gui/console/ConsoleSession.h"
#include "gui/console/ConsoleWindow.h"
#include "gui/dialogs/TFormChooseLang.h"
#include "gui/main/AppContext.h"
#include "gui/main/MainWindowSettings.h"
#include "gui/main/TFormMain.h"
#include "gui/results/TFormResults.h"
#include "gui/widgets/ConsoleView.h"
#include "gui/widgets/Prompts.h"
#include "support/MainWindowTest.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

using Names = QList<QByteArray>;
using Files = QMap<QString, QByteArray>;

// Every file of a folder with its contents: what a run left there.
Files filesIn(const QByteArray& folder) {
  Files files;
  const QDir d(QFile::decodeName(folder));
  for (const QString& name : d.entryList(QDir::Files | QDir::Hidden | QDir::System))
    files.insert(name, readFileBytes(QFile::encodeName(d.filePath(name))));
  return files;
}

// The settings of a start without questions (a language chosen, no first-time console warning).
void writeSettings(const QByteArray& path, int dragOp, int closeCon) {
  writeQuietSettings(path, [&](TCFGfile& cfg) {
    cfg.SetInteger("GlobalOpt_DragOp", dragOp);
    cfg.SetInteger("GlobalOpt_CloseCon", closeCon);
  });
}

// The shared main window (or with `fullStart` a start-up from the settings file); the inputs go
// into its "work" folder, where nothing else is written.
struct Program : MainWindowTest {
  explicit Program(bool fullStart = false) : MainWindowTest(WindowSetup{.startUp = fullStart}) {
    QDir().mkpath(QFile::decodeName(work()));
  }

  QByteArray work() const { return dir.path() + "work/"; }
  QByteArray input(const QByteArray& name, qint64 size = 200000) const {
    return dir.makeFile("work/" + name, size);
  }
  QString text(LangText n, const QString& arg = {}) const {
    return arg.isEmpty() ? ctx.state.langText(n) : ctx.state.langText(n, arg);
  }
  // The last run's arguments.
  Names packerRuns() const { return runs().isEmpty() ? Names() : runs().last(); }
  ConsoleWindow* runConsole() const { return console()->runWindow(); }
};

// Ends a test's event loop if the program does not quit by itself.
struct Failsafe {
  QTimer timer;
  explicit Failsafe(int ms) {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    timer.start(ms);
  }
};

}  // namespace

class TestRuns : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() {
    for (const char* v :
         {"PACKHELM_STANDIN_HOLD", "PACKHELM_STANDIN_HOLD_MS", "PACKHELM_STANDIN_SLEEP_MS",
          "PACKHELM_STANDIN_IGNORE", "PACKHELM_STANDIN_VERSION_LINE"})
      qunsetenv(v);
  }

  // Stop while the packer starts, while it writes its temporary file or an output, between two
  // files, when it ignores the interrupt (and the terminate), when it is suspended, by Escape and
  // by closing a console of the run's own; and the packer ended from outside, by Ctrl+C in the
  // console or a kill. The inputs stay as the run left them, the unfinished file is removed and
  // named, an earlier file of the same pattern stays, and the program goes on.
  void stopAtEveryPoint_data() {
    QTest::addColumn<QByteArray>("hold");     // start, partial, between
    QTest::addColumn<QByteArray>("ignored");  // signals the packer ignores
    QTest::addColumn<bool>("twoFiles");
    QTest::addColumn<bool>("output");
    QTest::addColumn<bool>("earlier");        // prog.upx is there from before
    QTest::addColumn<QString>("how");         // button, escape, suspended, own console
    QTest::addColumn<int>("signal");          // the signal that ended the packer
    QTest::addColumn<QByteArray>("partial");  // the unfinished file, empty for none
    QTest::newRow("before any output") << QByteArray("start") << QByteArray() << false << false
                                       << false << "button" << SIGINT << QByteArray();
    QTest::newRow("halfway through the temporary file")
        << QByteArray("partial") << QByteArray() << false << false << false << "button" << SIGINT
        << QByteArray("prog.upx");
    // (The output in a folder of its own, where no input is.)
    QTest::newRow("halfway through the output")
        << QByteArray("partial") << QByteArray() << false << true << false << "button" << SIGINT
        << QByteArray("out/out.bin");
    QTest::newRow("between two files") << QByteArray("between") << QByteArray() << true << false
                                       << false << "button" << SIGINT << QByteArray();
    QTest::newRow("earlier leftover kept")
        << QByteArray("partial") << QByteArray() << false << false << true << "button" << SIGINT
        << QByteArray("prog.000");
    QTest::newRow("interrupt ignored") << QByteArray("partial") << QByteArray("2") << false << false
                                       << false << "button" << SIGTERM << QByteArray("prog.upx");
    QTest::newRow("interrupt and terminate ignored")
        << QByteArray("partial") << QByteArray("2,15") << false << false << false << "button"
        << SIGKILL << QByteArray("prog.upx");
    QTest::newRow("suspended packer") << QByteArray("partial") << QByteArray() << false << false
                                      << false << "suspended" << SIGINT << QByteArray("prog.upx");
    QTest::newRow("Escape in the console")
        << QByteArray("partial") << QByteArray() << false << false << false << "escape" << SIGINT
        << QByteArray("prog.upx");
    QTest::newRow("console of the run's own closed")
        << QByteArray("partial") << QByteArray() << false << false << false << "own console"
        << SIGINT << QByteArray("prog.upx");
    QTest::newRow("Ctrl+C in the console")
        << QByteArray("partial") << QByteArray() << false << false << false << "ctrl+c" << SIGINT
        << QByteArray("prog.upx");
    QTest::newRow("kill of the packer") << QByteArray("partial") << QByteArray() << false << false
                                        << false << "kill" << SIGKILL << QByteArray("prog.upx");
    QTest::newRow("terminate of the packer")
        << QByteArray("partial") << QByteArray() << false << false << false << "term" << SIGTERM
        << QByteArray("prog.upx");
  }
  void stopAtEveryPoint() {
    QFETCH(QByteArray, hold);
    QFETCH(QByteArray, ignored);
    QFETCH(bool, twoFiles);
    QFETCH(bool, output);
    QFETCH(bool, earlier);
    QFETCH(QString, how);
    QFETCH(int, signal);
    QFETCH(QByteArray, partial);
    Program p;
    if (how == "own console") p.ctx.state.opt.GlobalOpt_CloseCon = 0;
    const QByteArray prog = p.input("prog.exe");
    Names selected{prog};
    if (twoFiles) selected << p.input("second.exe");
    if (earlier) QVERIFY(writeFileBytes(p.work() + "prog.upx", "from an earlier run"));
    p.select(selected);
    if (output) {
      p.ui().get<QCheckBox>("OutFileBox")->setChecked(true);
      p.ui().get<QCheckBox>("ReplaceIfExistsCheckBox")->setChecked(false);
      QVERIFY(MakeFoldersRaw(p.work() + "out"));
      p.ui().get<QLineEdit>("EditOutFile")->setText(QFile::decodeName(p.work() + "out/out.bin"));
    }
    const Files before = filesIn(p.work());
    auto env = std::make_unique<EnvGuard>(std::initializer_list<std::pair<const char*, QByteArray>>{
        {hold == "start" ? "PACKHELM_STANDIN_SLEEP_MS" : "PACKHELM_STANDIN_HOLD",
         hold == "start" ? QByteArray("20000") : hold},
        {"PACKHELM_STANDIN_HOLD_MS", "20000"},
        {"PACKHELM_STANDIN_IGNORE", ignored}});

    bool acted = false;
    QString consoleText;
    p.press("ButtonPack", [&] {
      if (hold == "start")
        QTRY_COMPARE(p.packerRuns().size() > 0, true);
      else if (hold == "between")
        QTRY_VERIFY(readFileBytes(prog) != before.value("prog.exe"));
      else
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(QFile::decodeName(p.work() + partial)).size() > 0,
                                 15000);
      ConsoleWindow* w = p.runConsole();
      QVERIFY(w->stopButton()->isEnabled());
      if (how == "suspended") {
        QCOMPARE(::kill(pid_t(p.packerPid), SIGSTOP), 0);
        QTRY_COMPARE(ProcessState(p.packerPid), 'T');
      }
      if (how == "escape")
        QTest::keyClick(w->view(), Qt::Key_Escape);
      else if (how == "own console")
        w->close();
      else if (how == "ctrl+c")
        QTest::keyClick(w->view(), Qt::Key_C, Qt::ControlModifier);
      else if (how == "kill" || how == "term")
        QCOMPARE(::kill(pid_t(p.packerPid), signal), 0);
      else
        QTest::mouseClick(w->stopButton(), Qt::LeftButton);
      acted = true;
    });
    QVERIFY(acted);
    if (p.console()->screen()) consoleText = ScreenText(p.console()->screen(), true);

    // The packer is gone, the outcome is told as it was.
    QVERIFY(ProcessGone(p.packerPid));
    const RunOutcome& run = p.last->outcome;
    QCOMPARE(run.signal, signal);
    // Only Ctrl+C and the kills come from elsewhere: their signal is named.
    const bool fromOutside = how == "ctrl+c" || how == "kill" || how == "term";
    QCOMPARE(run.stoppedByUser, !fromOutside);
    const Names removed = partial.isEmpty() ? Names{} : Names{p.work() + partial};
    QCOMPARE(run.removed, removed);
    QString status = fromOutside ? p.text(LangText::StatusSignal,
                                          QString::fromLatin1(PtyRunner::SignalName(signal)))
                                 : p.text(LangText::StatusStopped);
    if (!removed.isEmpty()) status += ' ' + p.text(LangText::StatusRemoved, QStringLiteral("1"));
    QCOMPARE(p.status(), status);
    // Its start shows, the whole of it is in the hint.
    auto* statusLine = p.ui().get<QLineEdit>("EditStatus");
    QCOMPARE(statusLine->cursorPosition(), 0);
    QCOMPARE(statusLine->toolTip(), status);
    if (how != "own console" && !removed.isEmpty()) {
      const QString note = p.text(LangText::ConsoleRemoved, QFile::decodeName(removed.first()));
      QVERIFY2(consoleText.contains(note), qPrintable(consoleText));
      // On a row of its own, even after a line the packer did not finish.
      QCOMPARE(consoleText.indexOf(note) % p.console()->screen()->columns(), 0);
    }
    QVERIFY(!p.runConsole());
    if (p.console()->window()) QVERIFY(!p.console()->window()->stopButton()->isEnabled());

    // No stray file, nothing lost: the same names; only a file finished before the stop changed.
    const Files after = filesIn(p.work());
    QCOMPARE(after.keys(), before.keys());
    for (const QString& name : before.keys()) {
      const bool finished = hold == "between" && name == "prog.exe";
      QVERIFY2((after[name] == before[name]) != finished, qPrintable(name));
    }
    // The program goes on.
    env.reset();
    QVERIFY(p.ctx.FormMain->isVisible() && p.ctx.FormMain->isEnabled());
    p.press("ButtonShowUPXVer");
    QCOMPARE(p.status(), p.text(LangText::StatusDone));
  }

  // Stop is for a running packer only: afterwards the button is off and Escape reaches the
  // console as any key does; the outcome is the packer's own.
  void nothingToStopAfterTheEnd() {
    Program p;
    p.select({p.input("prog.exe")});
    p.ctx.state.opt.GlobalOpt_CloseCon = 2;
    p.press("ButtonPack");
    QCOMPARE(p.status(), p.text(LangText::StatusDone));
    QVERIFY(!p.last->outcome.stoppedByUser);
    ConsoleWindow* w = p.console()->window();
    QVERIFY(w && !w->stopButton()->isEnabled());
    QSignalSpy input(w->model(), &ScreenModel::input);
    QTest::keyClick(w->view(), Qt::Key_Escape);
    QCOMPARE(input.size(), 1);
    QCOMPARE(input.first().first().toByteArray(), QByteArray("\x1b"));
    QCOMPARE(filesIn(p.work()).keys(), QStringList{"prog.exe"});
  }

  // The main window closed by the window manager during a run asks; "yes" stops the packer,
  // removes its unfinished file, writes the settings and quits; "no" changes nothing.
  void mainWindowClosedDuringRun_data() {
    QTest::addColumn<bool>("answer");
    QTest::newRow("stop and quit") << true;
    QTest::newRow("go on") << false;
  }
  void mainWindowClosedDuringRun() {
    QFETCH(bool, answer);
    Program p;
    const QByteArray prog = p.input("prog.exe");
    p.select({prog});
    const Files before = filesIn(p.work());
    // Long enough to be stopped, short enough to end by itself when the answer is no.
    EnvGuard env{{"PACKHELM_STANDIN_HOLD", "partial"},
                 {"PACKHELM_STANDIN_HOLD_MS", answer ? "20000" : "1500"}};
    Prompts::Test().questionAnswers = {answer};
    bool asked = false;
    const QMetaObject::Connection c = p.onRun([&] {
      QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(QFile::decodeName(p.work() + "prog.upx")).exists(), 15000);
      p.ctx.FormMain->close();
      asked = true;
      if (!answer) {
        // Nothing happened: the run goes on, the window stays.
        QVERIFY(p.console()->isRunning());
        QVERIFY(p.ctx.FormMain->isVisible());
      }
    });
    if (!answer)
      QObject::connect(p.ctx.engine, &JobEngine::finished, p.ctx.engine,
                       [] { QTimer::singleShot(0, [] { QCoreApplication::exit(5); }); });
    QTimer::singleShot(0, [&] { p.ctx.FormMain->ButtonPackClick(); });
    Failsafe failsafe(40000);
    const int rc = QApplication::exec();
    QObject::disconnect(c);
    QVERIFY(asked);
    QCOMPARE(Prompts::Test().questions.size(), 1);
    QCOMPARE(Prompts::Test().questions[0].text, p.text(LangText::QuitWhileRunning));
    QVERIFY(ProcessGone(p.packerPid));
    if (answer) {
      QCOMPARE(rc, 0);  // quit by the program, not by the failsafe
      QVERIFY(!p.ctx.FormMain->isVisible());
      QVERIFY(p.ctx.settings->written());
      QVERIFY(QFile::exists(QFile::decodeName(p.ctx.state.SettingsPath)));
      QVERIFY(p.last->outcome.stoppedByUser);
      QCOMPARE(p.status(), p.text(LangText::StatusStopped) + ' ' +
                               p.text(LangText::StatusRemoved, QStringLiteral("1")));
      QCOMPARE(filesIn(p.work()), before);
    } else {
      QCOMPARE(rc, 5);  // ended by the test after the run: the program did not quit
      QVERIFY(p.ctx.FormMain->isVisible());
      QVERIFY(!p.ctx.settings->written());
      QCOMPARE(p.status(), p.text(LangText::StatusDone));
      QCOMPARE(filesIn(p.work()).keys(), QStringList{"prog.exe"});
      QVERIFY(readFileBytes(prog) != before.value("prog.exe"));  // packed
    }
  }

  // Closing the program's console ends the program the same way whether the job came from the
  // program's file arguments or from the Pack button, after the run or during it.
  void closingTheConsoleEndsTheProgram_data() {
    QTest::addColumn<bool>("commandLine");
    QTest::addColumn<bool>("duringRun");
    QTest::newRow("command line, after the run") << true << false;
    QTest::newRow("button, after the run") << false << false;
    QTest::newRow("command line, during the run") << true << true;
    QTest::newRow("button, during the run") << false << true;
  }
  void closingTheConsoleEndsTheProgram() {
    QFETCH(bool, commandLine);
    QFETCH(bool, duringRun);
    Program p(true);
    writeSettings(p.ctx.state.SettingsPath, commandLine ? 1 : 0, 2);
    const QByteArray prog = p.input("prog.exe");
    const Files before = filesIn(p.work());
    if (commandLine) p.ctx.arguments = {prog};
    std::unique_ptr<EnvGuard> env;
    if (duringRun)
      env = std::make_unique<EnvGuard>(std::initializer_list<std::pair<const char*, QByteArray>>{
          {"PACKHELM_STANDIN_HOLD", "partial"}, {"PACKHELM_STANDIN_HOLD_MS", "20000"}});
    p.ctx.createForms();
    auto closeConsole = [&p] {
      if (ConsoleSession* s = p.console(); s && s->window()) s->window()->close();
    };
    if (duringRun)
      p.onRun([&] {
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(QFile::decodeName(p.work() + "prog.upx")).size() > 0,
                                 15000);
        closeConsole();
      });
    else
      QObject::connect(p.ctx.engine, &JobEngine::finished, p.ctx.engine,
                       [&] { QTimer::singleShot(0, closeConsole); });
    QObject::connect(p.ctx.engine, &JobEngine::batchStarted, p.ctx.engine,
                     [&] { p.packerPid = ChildProcesses().value(0, -1); });
    p.ctx.start();
    if (!commandLine)
      QTimer::singleShot(0, [&] {
        p.select({prog});
        QTest::mouseClick(p.ui().get<QPushButton>("ButtonPack"), Qt::LeftButton);
      });
    Failsafe failsafe(40000);
    QElapsedTimer t;
    t.start();
    const int rc = QApplication::exec();
    QCOMPARE(rc, 0);  // the program quit, not the failsafe
    QVERIFY(!p.ctx.startupAborted());
    QCOMPARE(p.packerRuns().last(), prog);
    QVERIFY(p.packerPid > 0);
    QVERIFY(ProcessGone(p.packerPid));
    QVERIFY(!p.ctx.FormMain->isVisible());
    QVERIFY(p.ctx.settings->written());
    const Files after = filesIn(p.work());
    QCOMPARE(after.keys(), QStringList{"prog.exe"});
    QCOMPARE(after.value("prog.exe") == before.value("prog.exe"), duringRun);
    qInfo("ended %lld ms after the start", qint64(t.elapsed()));
  }

  // Started the way main() starts it (the window shown once the event loop runs), a first start
  // still shows the language chooser before the main window appears, and the main window
  // appears with the chosen language applied.
  void startupOrderInTheEventLoop() {
    Program p(true);
    p.ctx.createForms();
    bool chooserFirst = false, chooserSeen = false;
    QString packWhenShown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* chooser = qobject_cast<TFormChooseLang*>(QApplication::activeModalWidget());
      if (chooser && !chooserSeen) {
        chooserSeen = true;
        const QWindow* mainWindow = p.ctx.FormMain->windowHandle();
        chooserFirst = !mainWindow || !mainWindow->isVisible();
        chooser->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
      }
      const QWindow* mainWindow = p.ctx.FormMain->windowHandle();
      if (mainWindow && mainWindow->isVisible() && !QApplication::activeModalWidget()) {
        packWhenShown = p.ui().get<QPushButton>("ButtonPack")->text();
        QCoreApplication::exit(3);
      }
    });
    poll.start(5);
    p.ctx.start();
    QVERIFY(!p.ctx.FormMain->isVisible());  // nothing before the event loop
    Failsafe failsafe(40000);
    QCOMPARE(QApplication::exec(), 3);
    QVERIFY(chooserSeen);
    QVERIFY(chooserFirst);
    QCOMPARE(p.ctx.state.opt.LangName, QByteArray("English"));
    QCOMPARE(packWhenShown, QStringLiteral("&Pack"));  // English.lng's, not the form's own
  }

  // The version query fails (an answer that does not parse): the line takes the current
  // packers' spelling, which the stand-in playing version 4 accepts, and the console says that
  // the version was not recognised.
  void unknownVersionLineAccepted() {
    Program p;
    {
      EnvGuard env{{"PACKHELM_STANDIN_VERSION_LINE", "UPX git-4a1c2e"}};
      p.ctx.state.Packer = AskPackerVersion(p.dir.packerPath());
    }
    QVERIFY(!p.ctx.state.packer().known());
    p.ctx.state.opt.GlobalOpt_CloseCon = 2;
    const QByteArray prog = p.input("prog.exe");
    const QByteArray original = readFileBytes(prog);
    p.select({prog});
    p.ui().get<QCheckBox>("Compress1CheckBox")->setChecked(true);
    p.press("ButtonPack");
    QCOMPARE(p.last->outcome.exitCode, 0);
    QCOMPARE(p.status(), p.text(LangText::StatusDone));
    const Names args = p.packerRuns();
    QVERIFY2(std::any_of(args.begin(), args.end(),
                         [](const QByteArray& a) { return a.startsWith("--crp-ucl-ms="); }),
             args.join(' ').constData());
    QVERIFY(readFileBytes(prog) != original);
    QVERIFY(ScreenText(p.console()->screen(), true).contains(p.text(LangText::VersionUnknown)));
    // With the version known there is nothing to say.
    p.ctx.state.Packer = PackerCapabilities::ForVersion("4.2.4");
    p.select({p.input("other.exe")});
    p.console()->closeConsole();
    p.press("ButtonPack");
    QCOMPARE(p.status(), p.text(LangText::StatusDone));
    QVERIFY(!ScreenText(p.console()->screen(), true).contains(p.text(LangText::VersionUnknown)));
  }

  // Packhelm itself killed outright while its command-line job runs (a real process of the built
  // program, offscreen): the packer, which ignores the hang-up, the interrupt and the terminate,
  // goes with it.
  void packerDiesWithPackhelm() {
    Program p(true);
    writeSettings(p.ctx.state.SettingsPath, 1, 1);
    const QByteArray program = p.dir.path() + "packhelm";
    // Its own folder is its program folder: a link where the file system allows one.
    QVERIFY(::link(PACKHELM_PROGRAM_PATH, program.constData()) == 0 ||
            QFile::copy(QStringLiteral(PACKHELM_PROGRAM_PATH), QFile::decodeName(program)));
    QVERIFY(QFileInfo(QFile::decodeName(program)).isExecutable());
    const QByteArray prog = p.input("prog.exe");
    const QByteArray pidFile = p.dir.path() + "packer.pid";
    QProcess packhelm;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("PACKHELM_STANDIN_HOLD", "partial");
    env.insert("PACKHELM_STANDIN_HOLD_MS", "60000");
    env.insert("PACKHELM_STANDIN_IGNORE", "1,2,15");
    env.insert("PACKHELM_STANDIN_PIDFILE", QFile::decodeName(pidFile));
    packhelm.setProcessEnvironment(env);
    packhelm.setProgram(QFile::decodeName(program));
    packhelm.setArguments({QFile::decodeName(prog)});
    packhelm.start();
    QVERIFY(packhelm.waitForStarted());
    // The job of the command line has reached the middle of the file.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(QFile::decodeName(p.work() + "prog.upx")).size() > 0, 30000);
    const qint64 packer = readFileBytes(pidFile).trimmed().toLongLong();
    // Should the test fail, it leaves nothing running either.
    const auto noOrphan = qScopeGuard([packer] {
      if (packer > 0 && !ProcessGone(packer)) ::kill(pid_t(packer), SIGKILL);
    });
    QVERIFY(packer > 0 && !ProcessGone(packer));
    QCOMPARE(packhelm.state(), QProcess::Running);
    packhelm.kill();
    QVERIFY(packhelm.waitForFinished(30000));
    QTRY_VERIFY_WITH_TIMEOUT(ProcessGone(packer), 10000);
  }

  // A job that not every file comes through: the status line counts, the results window lists
  // every file sortably, copies it as text and saves it as CSV, or says why it could not; with
  // one run and with two at once.
  void resultsWindow_data() {
    QTest::addColumn<quint32>("runs");
    QTest::newRow("one run") << 1u;
    QTest::newRow("two runs") << 2u;
  }
  void resultsWindow() {
    QFETCH(quint32, runs);
    Program p;
    p.ctx.state.opt.GlobalOpt_PackerRuns = runs;
    const Names files{p.input("early"), p.input("fresh"),
                      p.dir.makeFile("work/text", 0) /* filled below */};
    // Text larger than what the packer makes of the programs, smaller than they are.
    QVERIFY(writeFileBytes(files[2], "NOTEXE" + QByteArray(100000, 'z')));
    p.select({files[0]});
    p.press("ButtonPack");
    p.select(files);
    p.press("ButtonPack");
    QCOMPARE(p.status(),
             p.ctx.state.langText(LangText::ResultsPacked, "1", "3").replace("%3", "2"));

    auto* button = p.ui().get<QToolButton>("ButtonResults");
    QVERIFY(button->isEnabled());
    button->click();
    TFormResults* form = p.ctx.FormResults;
    QVERIFY(form && form->isVisible());
    auto* table = form->findChild<QTableView*>(QStringLiteral("TableResults"));
    QCOMPARE(table->model()->rowCount(), 3);
    const auto column = [&](int c) {
      QStringList cells;
      for (int r = 0; r < table->model()->rowCount(); ++r)
        cells << table->model()->index(r, c).data().toString();
      return cells;
    };
    // In the selection's order, then sorted by outcome and by size before, as a click sorts.
    QCOMPARE(column(0), (QStringList{QFile::decodeName(files[0]), QFile::decodeName(files[1]),
                                     QFile::decodeName(files[2])}));
    table->sortByColumn(3, Qt::AscendingOrder);
    QCOMPARE(column(3), (QStringList{"packed", "already packed", "not supported"}));
    table->sortByColumn(1, Qt::AscendingOrder);
    // (The first file, packed before, is the smallest now.)
    QCOMPARE(column(0), (QStringList{QFile::decodeName(files[0]), QFile::decodeName(files[2]),
                                     QFile::decodeName(files[1])}));
    table->selectAll();
    const QStringList lines = form->selectedText().split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    // The packer's own words stay beside what they mean.
    QVERIFY(lines[1].split(u'\t').value(4).endsWith(u"(UnknownExecutableFormatException)"));
    // By the size after: the text, which the packer left whole, is the largest now.
    table->sortByColumn(2, Qt::DescendingOrder);
    QCOMPARE(column(0).first(), QFile::decodeName(files[2]));

    Prompts::Test().saveAnswers = {QFile::decodeName(p.dir.path() + "results.csv"),
                                   QFile::decodeName(files[2] + "/below-a-file.csv")};
    auto* save = form->findChild<QPushButton*>(QStringLiteral("ButtonSave"));
    save->click();
    QCOMPARE(readFileBytes(p.dir.path() + "results.csv"), FileResults::Csv(p.ctx.results));
    save->click();
    QCOMPARE(Prompts::Test().messages.size(), 1);
    QVERIFY2(Prompts::Test().messages[0].text.startsWith(p.ctx.state.langText(
                 LangText::ResultsNotSaved, QFile::decodeName(files[2] + "/below-a-file.csv"), "")),
             qPrintable(Prompts::Test().messages[0].text));
  }

  // The built program started from a terminal with file names after "--": one that begins with a
  // dash and is not UTF-8, one named like an option of Qt's, both relative to the folder it was
  // started in. Each reaches the packer as it was given, made absolute, byte for byte, and the
  // report the command line asks for gives each file's row, with a file the packer refuses.
  void namesFromTheTerminalReachThePacker() {
    Program p(true);
    writeSettings(p.ctx.state.SettingsPath, 1, 1);
    const QByteArray program = p.dir.path() + "packhelm";
    QVERIFY(::link(PACKHELM_PROGRAM_PATH, program.constData()) == 0 ||
            QFile::copy(QStringLiteral(PACKHELM_PROGRAM_PATH), QFile::decodeName(program)));
    const QByteArray dashed = "-x\xff\xfe.exe", qtLike = "-style";
    QVERIFY(writeFileRaw(p.work() + dashed, QByteArray(4096, 'x'), 0644));
    QVERIFY(writeFileRaw(p.work() + qtLike, QByteArray(4096, 'y'), 0644));
    QVERIFY(writeFileRaw(p.work() + "text", "NOTEXE" + QByteArray(4096, 'z'), 0644));
    const QList<QByteArray> args{program, "-platform", "offscreen", "--report", "report.csv",
                                 "--",    dashed,      qtLike,      "text"};
    std::vector<char*> argv;
    for (const QByteArray& a : args) argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    const QByteArray workDir = p.work();
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::chdir(workDir.constData()) == 0) ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    QVERIFY(pid > 0);
    const auto reap = qScopeGuard([pid] {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    });
    QTRY_VERIFY_WITH_TIMEOUT(!p.packerRuns().isEmpty(), 30000);
    const Names run = p.packerRuns();
    // (The folder as the started program's current directory names it.)
    const QByteArray work =
        QFile::encodeName(QFileInfo(QFile::decodeName(workDir)).canonicalFilePath()) + '/';
    QVERIFY2(run.contains(work + dashed), run.join(' ').constData());
    QVERIFY2(run.contains(work + qtLike), run.join(' ').constData());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QFile::decodeName(workDir + "report.csv")), 30000);
    const auto size = [](const QByteArray& f) {
      return QByteArray::number(FileSizes::SizeOf(f).value_or(0));
    };
    QCOMPARE(readFileBytes(workDir + "report.csv"),
             "file,size_before,size_after,outcome,message\r\n" + work + dashed + ",4096," +
                 size(work + dashed) + ",packed,\r\n" + work + qtLike + ",4096," +
                 size(work + qtLike) + ",packed,\r\n" + work +
                 "text,4102,4102,unsupported,UnknownExecutableFormatException\r\n");
  }
};

QTEST_MAIN(TestRuns)
#include "test_runs.moc"
