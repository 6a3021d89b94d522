// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up sequence and the settings at window level: first start, loading into the controls,
// the language file, the packer's location, the program's arguments, and writing at the end.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <cerrno>

#include <QtTest>
#include <QtWidgets>

#include <memory>

#include "PackhelmBuildConfig.h"
#include "core/settings/CFGfile.h"
#include "core/settings/ProgramCommands.h"
#include "core/settings/SettingsFile.h"
#include "gui/dialogs/TFormChooseLang.h"
#include "gui/main/AppContext.h"
#include "gui/main/MainWindowSettings.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"
#include "gui/widgets/RadioGroup.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

// A small English language file of the test's own, so that the tests do not depend on the
// wording of the shipped ones.
void writeLanguage(const QByteArray& folder, const QByteArray& fileName = "test-english.lng") {
  QVERIFY(WriteLanguageFile(folder + fileName, "English", "English",
                            {{"VAR\\0", "Compression"},
                             {"VAR\\1", "Ready"},
                             {"VAR\\11", "KB"},
                             {"VAR\\12", "KB in all"},
                             {"VAR\\20", "The packer was not found. Please locate it."},
                             {"VAR\\21", "Packhelm - packer"},
                             {"VAR\\22", "The packer was not located. The program ends."},
                             {"VAR\\2", "Done"},
                             {"VAR\\60", "Cannot save: "},
                             {"VAR\\63", "Not saved in %1: %2"},
                             {"VAR\\61", "Kept for this session"},
                             {"BUTTON\\ButtonReset", "Reset"}}));
}

// Presses "Continue" on the language chooser whenever it is the active modal window, and counts
// how often that happened.
class ChooserAnswerer : public QObject {
 public:
  int answered = 0;
  ChooserAnswerer() {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, [this] {
      auto* chooser = qobject_cast<TFormChooseLang*>(QApplication::activeModalWidget());
      if (!chooser || chooser->terminated()) return;
      ++answered;
      chooser->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    });
    timer_.start();
  }

 private:
  QTimer timer_;
};

// Creates the windows and shows the main window, which runs the start-up sequence as it first
// shows; returns when the sequence is over. The prompts are answered at once here, so only the
// language chooser (a window of its own, answered by the test where it shows) is waited for.
void startUp(AppContext& ctx) {
  ctx.createForms();
  ctx.FormMain->show();
  QTRY_VERIFY_WITH_TIMEOUT(!ctx.languageChoiceShowing(), 15000);
}

// One run of the program: its own folder, context and windows.
struct Run {
  TestProgramDir dir;
  AppContext ctx;
  ChooserAnswerer chooser;
  explicit Run(bool withPacker = true, bool withLanguage = true) : dir(false, withPacker) {
    if (withLanguage) writeLanguage(dir.path());
    dir.prepare(ctx.state);
  }
  QByteArray settings() const { return dir.path() + Settings::FileName; }
  TFormMain* main() const { return ctx.FormMain; }
  Controls ui() const { return Controls(ctx.FormMain); }
  void start() { startUp(ctx); }
};

QList<Prompts::MessageRecord> messages() {
  return Prompts::Test().messages;
}

// The packer runs recorded in the stand-in's argument log, each as its list of arguments, without
// the version question of the start-up.
QList<QList<QByteArray>> packerRuns(const QByteArray& logPath) {
  QList<QList<QByteArray>> runs = PackerRuns(logPath);
  runs.removeAll(QList<QByteArray>{"--version"});
  return runs;
}

}  // namespace

class TestStartup : public QObject {
  Q_OBJECT
  QByteArray savedPath_;

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    savedPath_ = qgetenv("PATH");
  }
  void init() {
    Prompts::Test() = {};
    Prompts::Test().active = true;
    // No packer on the search path unless a test puts one there.
    qputenv("PATH", "/nonexistent-packhelm-path");
    qunsetenv("PACKHELM_STANDIN_ARGLOG");
  }
  void cleanup() {
    qputenv("PATH", savedPath_);
    qunsetenv("PACKHELM_STANDIN_ARGLOG");
  }

  void firstStartShowsTheChooserAndTakesDefaults() {
    Run run;
    run.start();
    QCOMPARE(run.chooser.answered, 1);
    QVERIFY(!run.ctx.startupAborted());
    const ProgramState& s = run.ctx.state;
    QCOMPARE(s.opt.LangName, QByteArray("English"));
    QCOMPARE(s.LangTexts[22], QByteArray("The packer was not located. The program ends."));
    QCOMPARE(s.opt.ShellExt, (QList<QByteArray>{".exe", ".com", ".dll"}));
    QCOMPARE(run.ui().get<QSlider>("CompressValueBar")->value(), 4);
    QVERIFY(run.ui().get<QCheckBox>("ReplaceIfExistsCheckBox")->isChecked());
    QVERIFY(run.ui().get<QRadioButton>("RadioButton_nrv2b")->isChecked());
    QCOMPARE(run.ui().get<RadioGroup>("ExportsGroup")->itemIndex(), 1);
    QCOMPARE(run.ui().get<RadioGroup>("IconsGroup")->itemIndex(), 2);
    QCOMPARE(s.opt.GlobalOpt_StayOnTop, 2);
    QCOMPARE(s.opt.GlobalOpt_CloseCon, 1);
    QCOMPARE(s.opt.GlobalOpt_PriorityClass, 32u);
    QCOMPARE(s.opt.CmdLinesMax, 10u);
    QVERIFY(s.FileList.isEmpty());
    QVERIFY(!run.ui().get<QPushButton>("ButtonPack")->isEnabled());
    QVERIFY(!run.ui().get<QToolButton>("SpeedButtonAddOpt")->isChecked());
    // The packer in the program folder is taken without a question; its version was asked.
    QCOMPARE(s.UpxLocation, run.dir.packerPath());
    QCOMPARE(s.UpxShortLocation, run.dir.packerPath());
    QCOMPARE(s.packer().major, 4);
    QVERIFY(messages().isEmpty());
    QCOMPARE(run.ui().get<QLineEdit>("EditStatus")->text(), QStringLiteral("Ready"));
    // Placed with its left column centred and the window centred vertically.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(run.main()->frameGeometry().left(),
             screen.x() + screen.width() / 2 - run.ui().get<QFrame>("OptPanel")->x() - 1);
    QCOMPARE(run.main()->frameGeometry().top(),
             screen.y() + (screen.height() - run.main()->frameGeometry().height()) / 2);
    // Nothing is written before the end.
    QVERIFY(!QFile::exists(QFile::decodeName(run.settings())));
  }

  void headerOnlyFileKeepsDefaultsAndAsksForTheLanguage() {
    Run run;
    QVERIFY(writeFileBytes(run.settings(), "CFGDATA\r\n"));
    run.start();
    QCOMPARE(run.chooser.answered, 1);
    QCOMPARE(run.ctx.state.opt.LangName, QByteArray("English"));
    QCOMPARE(run.ui().get<QSlider>("CompressValueBar")->value(), 4);
    QCOMPARE(run.ctx.state.opt.ShellExt, (QList<QByteArray>{".exe", ".com", ".dll"}));
  }

  // Values out of a control's range are brought to its nearest end by the control.
  void storedValuesKeptInRange_data() {
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("slider above") << QByteArray("CompressValueBar") << 25 << 10;
    QTest::newRow("slider below") << QByteArray("CompressValueBar") << -3 << 1;
    QTest::newRow("slider inside") << QByteArray("CompressValueBar") << 7 << 7;
    QTest::newRow("second slider below") << QByteArray("CompressValueBar1") << 5 << 10000;
    QTest::newRow("group above") << QByteArray("OverlayGroup") << 7 << 2;
    QTest::newRow("group none") << QByteArray("OverlayGroup") << -1 << -1;
    QTest::newRow("two-item group above") << QByteArray("ExportsGroup") << 9 << 1;
    QTest::newRow("three-item group") << QByteArray("IconsGroup") << 0 << 0;
    QTest::newRow("relocations") << QByteArray("RelocationsGroup") << 0 << 0;
  }
  void storedValuesKeptInRange() {
    QFETCH(QByteArray, key);
    QFETCH(int, stored);
    QFETCH(int, expected);
    Run run;
    writeQuietSettings(run.settings(), [&](TCFGfile& c) { c.SetInteger(key, stored); });
    run.start();
    QCOMPARE(run.chooser.answered, 0);
    QObject* control = run.main()->findChild<QObject*>(QString::fromLatin1(key));
    QVERIFY(control);
    if (auto* slider = qobject_cast<QAbstractSlider*>(control))
      QCOMPARE(slider->value(), expected);
    else
      QCOMPARE(qobject_cast<RadioGroup*>(control)->itemIndex(), expected);
  }

  // Check boxes reach their controls through the ordinary change, so the coupling follows.
  void storedOutputBoxEnablesItsControls() {
    Run run;
    writeQuietSettings(run.settings(), [&](TCFGfile& c) {
      c.SetBoolean("OutFileBox", true);
      c.SetBoolean("ReplaceIfExistsCheckBox", false);
      c.SetString("EditOutfile", "/tmp/out file.exe");
      c.SetInteger("CompressValueBar", 1);
    });
    run.start();
    QVERIFY(run.ui().get<QCheckBox>("OutFileBox")->isChecked());
    QVERIFY(run.ui().get<QPushButton>("ButtonOut")->isEnabled());
    QVERIFY(run.ui().get<QLineEdit>("EditOutFile")->isEnabled());
    QVERIFY(!run.ui().get<QCheckBox>("ReplaceIfExistsCheckBox")->isChecked());
    QCOMPARE(run.ui().get<QLineEdit>("EditOutFile")->text(), QStringLiteral("/tmp/out file.exe"));
    QVERIFY(run.ui().get<QGroupBox>("CompressValueBox")->title().contains(QStringLiteral("Best")));
  }

  // The stored method records: a file from before the newer methods has them unchecked and
  // keeps its choice; none selected asks for no method; a newer method is asked for.
  void storedMethod_data() {
    QTest::addColumn<QByteArrayList>("checked");  // the records stored true; the rest false
    QTest::addColumn<bool>("older");              // the newer records absent
    QTest::addColumn<QByteArray>("method");       // the switch on the command line, if any
    QTest::newRow("older file, nrv2d")
        << QByteArrayList{"RadioButton_nrv2d"} << true << QByteArray(" --nrv2d");
    QTest::newRow("neither of the older two") << QByteArrayList{} << true << QByteArray();
    QTest::newRow("lzma") << QByteArrayList{"RadioButton_lzma"} << false << QByteArray(" --lzma");
    QTest::newRow("all") << QByteArrayList{"RadioButton_all"} << false << QByteArray(" --brute");
  }
  void storedMethod() {
    QFETCH(QByteArrayList, checked);
    QFETCH(bool, older);
    QFETCH(QByteArray, method);
    const QByteArrayList records{"RadioButton_nrv2b", "RadioButton_nrv2d", "RadioButton_nrv2e",
                                 "RadioButton_lzma", "RadioButton_all"};
    Run run;
    writeQuietSettings(run.settings(), [&](TCFGfile& c) {
      c.SetBoolean("CheckBoxTryMulti", true);
      for (const QByteArray& r : records.mid(0, older ? 2 : records.size()))
        c.SetBoolean(r, checked.contains(r));
    });
    run.start();
    QVERIFY(run.ui().get<QCheckBox>("CheckBoxTryMulti")->isChecked());
    for (const QByteArray& r : records)
      QCOMPARE(run.ui().get<QRadioButton>(r.constData())->isChecked(), checked.contains(r));
    const QByteArray line = CommandLine::GetCmdPack(run.main()->packOptions(), run.ctx.state);
    QCOMPARE(line.contains(" --nrv2") || line.contains(" --lzma") || line.contains(" --brute"),
             !method.isEmpty());
    if (!method.isEmpty()) QVERIFY2(line.endsWith(method), line.constData());
  }

  void corruptedRecordCountsAsNoFile() {
    Run run;
    writeQuietSettings(run.settings(), [&](TCFGfile& c) {
      c.SetInteger("CompressValueBar", 8);
      c.SetString("GlobalOpt_UPX2", "/somewhere/upx");
    });
    QByteArray bytes = readFileBytes(run.settings());
    bytes += "b0000000009BackupBo";  // a record cut off inside its key
    QVERIFY(writeFileBytes(run.settings(), bytes));
    run.start();
    QCOMPARE(run.chooser.answered, 1);
    QCOMPARE(run.ui().get<QSlider>("CompressValueBar")->value(), 4);
    QVERIFY(run.ctx.state.opt.GlobalOpt_UPX2.isEmpty());
  }

  void shellExtensionsLoaded_data() {
    QTest::addColumn<QList<QByteArray>>("keys");
    QTest::addColumn<QList<QByteArray>>("values");
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::newRow("0 and 1, dot added")
        << QList<QByteArray>{"ShellExt0", "ShellExt1"} << QList<QByteArray>{"exe", ".dll"}
        << QList<QByteArray>{".exe", ".dll"};
    QTest::newRow("0 and 2 without 1")
        << QList<QByteArray>{"ShellExt0", "ShellExt2"} << QList<QByteArray>{".scr", ".dll"}
        << QList<QByteArray>{".scr"};
    QTest::newRow("only 1: defaults") << QList<QByteArray>{"ShellExt1"} << QList<QByteArray>{".scr"}
                                      << QList<QByteArray>{".exe", ".com", ".dll"};
  }
  void shellExtensionsLoaded() {
    QFETCH(QList<QByteArray>, keys);
    QFETCH(QList<QByteArray>, values);
    QFETCH(QList<QByteArray>, expected);
    Run run;
    writeQuietSettings(run.settings(), [&](TCFGfile& c) {
      for (int i = 0; i < keys.size(); ++i) c.SetString(keys[i], values[i]);
    });
    run.start();
    QCOMPARE(run.ctx.state.opt.ShellExt, expected);
  }

  // Two runs through one settings file: what the first writes at its close, the second reads.
  void historyAndExtensionsAcrossRuns() {
    TestProgramDir shared(false, true);
    writeLanguage(shared.path());
    const QByteArray path = shared.path() + Settings::FileName;
    const QList<QByteArray> history{"upx -9 \"/a b/x.exe\"", "upx --best y", "upx -1 z"};
    {
      AppContext ctx;
      shared.prepare(ctx.state);
      ChooserAnswerer chooser;
      startUp(ctx);
      ctx.state.CmdPackLines = history;
      ctx.state.opt.ShellExt = {".exe", ".com", ".dll", ".scr"};
      ctx.FormMain->close();
    }
    {
      TCFGfile raw;
      QVERIFY(raw.LoadFromFile(path, true));
      QCOMPARE(StoredString(raw, "CmdPackLines").count("\r\n"), 2);
      QCOMPARE(StoredString(raw, "ShellExt3"), QByteArray(".scr"));
    }
    {
      AppContext ctx;
      shared.prepare(ctx.state);
      ChooserAnswerer chooser;
      startUp(ctx);
      QCOMPARE(chooser.answered, 0);
      QCOMPARE(ctx.state.CmdPackLines, history);
      QCOMPARE(ctx.state.opt.ShellExt, (QList<QByteArray>{".exe", ".com", ".dll", ".scr"}));
      ctx.state.opt.ShellExt = {".exe", ".com"};
      ctx.FormMain->close();
    }
    TCFGfile raw;
    QVERIFY(raw.LoadFromFile(path, true));
    QVERIFY(raw.IndexOfString("ShellExt0") >= 0);
    QVERIFY(raw.IndexOfString("ShellExt1") >= 0);
    QCOMPARE(raw.IndexOfString("ShellExt2"), -1);
    QCOMPARE(raw.IndexOfString("ShellExt3"), -1);
  }

  // The whole file written at the close of a first run with its defaults and one change of
  // each kind of control (the runs-at-once record written too, at its default).
  void exactBytesWrittenAtClose() {
    Run run;
    run.start();
    run.ui().get<QSlider>("CompressValueBar")->setValue(9);
    run.ui().get<QCheckBox>("BackupBox")->setChecked(true);
    run.ui().get<RadioGroup>("OverlayGroup")->setItemIndex(-1);
    run.ctx.state.opt.GlobalOpt_DragOp = 2;
    run.ctx.state.FileList = {"/x/a.exe"};
    run.main()->close();
    const QByteArray expected =
        "CFGDATA\r\n"
        "s0000000008LangName0000000007English0000000000\r\n"
        "s0000000005Files0000000008/x/a.exe0000000000\r\n"
        "s0000000011EditOutfile00000000000000000000\r\n"
        "s0000000014GlobalOpt_UPX200000000000000000000\r\n"
        "s0000000012CmdPackLines00000000000000000000\r\n"
        "s0000000014CmdUnPackLines00000000000000000000\r\n"
        "s0000000009ShellExt00000000004.exe0000000000\r\n"
        "s0000000009ShellExt10000000004.com0000000000\r\n"
        "s0000000009ShellExt20000000004.dll0000000000\r\n"
        "i0000000016CompressValueBar000000000090000000000\r\n"
        "i0000000012OverlayGroup-00000000010000000000\r\n"
        "i0000000012ExportsGroup000000000010000000000\r\n"
        "i0000000010IconsGroup000000000020000000000\r\n"
        "i0000000016RelocationsGroup000000000010000000000\r\n"
        "i0000000017CompressValueBar1000009999990000000000\r\n"
        "i0000000016GlobalOpt_DragOp000000000020000000000\r\n"
        "i0000000018GlobalOpt_CloseCon000000000010000000000\r\n"
        "i0000000029GlobalOpt_FirstTimeShowConsol000000000000000000000\r\n"
        "i0000000019GlobalOpt_StayOnTop000000000020000000000\r\n"
        "c0000000023GlobalOpt_PriorityClass000000000320000000000\r\n"
        "c0000000024GlobalOpt_ThreadPriority000000000000000000000\r\n"
        "c0000000011CmdLinesMax000000000100000000000\r\n"
        // Newer than the others: after them in its type, so older files load as they did.
        "c0000000020GlobalOpt_PackerRuns000000000010000000000\r\n"
        "b0000000017SpeedButtonAddOpt00000000000\r\n"
        "b0000000009BackupBox10000000000\r\n"
        "b0000000010OutFileBox00000000000\r\n"
        "b0000000023ReplaceIfExistsCheckBox10000000000\r\n"
        "b0000000010OptBoxDOS100000000000\r\n"
        "b0000000010OptBoxDOS200000000000\r\n"
        "b0000000012ResourcesBox00000000000\r\n"
        "b0000000013CheckBoxForce00000000000\r\n"
        "b0000000017Compress1CheckBox00000000000\r\n"
        "b0000000012CheckBoxCoff00000000000\r\n"
        "b0000000010CheckBoxLe00000000000\r\n"
        "b0000000016CheckBoxTryMulti00000000000\r\n"
        "b0000000017RadioButton_nrv2b10000000000\r\n"
        "b0000000017RadioButton_nrv2d00000000000\r\n"
        "b0000000018GlobalOpt_FastOpen00000000000\r\n"
        "b0000000019GlobalOpt_ShowHints10000000000\r\n"
        "b0000000017RadioButton_nrv2e00000000000\r\n"
        "b0000000016RadioButton_lzma00000000000\r\n"
        "b0000000015RadioButton_all00000000000\r\n";
    QCOMPARE(readFileBytes(run.settings()), expected);
  }

  // Written once per run: the end of the event loop writes, a later close does not again.
  void settingsWrittenOncePerRun() {
    Run run;
    writeQuietSettings(run.settings());
    run.start();
    run.ui().get<QSlider>("CompressValueBar")->setValue(6);
    QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit"));
    TCFGfile first;
    QVERIFY(first.LoadFromFile(run.settings(), true));
    qint32 value = 0;
    QVERIFY(first.GetInteger("CompressValueBar", value));
    QCOMPARE(value, 6);
    const QByteArray bytes = readFileBytes(run.settings());
    run.ui().get<QSlider>("CompressValueBar")->setValue(2);
    run.main()->close();
    QCOMPARE(readFileBytes(run.settings()), bytes);
    QVERIFY(!run.main()->acceptDrops());
  }

  // A save that fails keeps the previous file whole, and the program goes on; when the window
  // closes, before the program ends, the user is told where and why.
  void failedSaveKeepsTheOldFile_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("error");
    QTest::newRow("disk full") << QStringLiteral("full") << EFBIG;
    QTest::newRow("target is a folder") << QStringLiteral("folder") << EISDIR;
    QTest::newRow("folder removed") << QStringLiteral("removed") << ENOENT;
  }
  void failedSaveKeepsTheOldFile() {
    QFETCH(QString, how);
    QFETCH(int, error);
    Run run;
    writeQuietSettings(run.settings());
    const QByteArray before = readFileBytes(run.settings());
    run.start();
    run.ui().get<QSlider>("CompressValueBar")->setValue(9);
    if (how == QLatin1String("full")) {
      QVERIFY(WithFileSizeLimit(100, [&] { run.ctx.settings->write(); }));
      QCOMPARE(readFileBytes(run.settings()), before);
    } else if (how == QLatin1String("folder")) {
      QVERIFY(QFile::remove(QFile::decodeName(run.settings())));
      QVERIFY(QDir().mkdir(QFile::decodeName(run.settings())));
      run.ctx.settings->write();
      QVERIFY(QFileInfo(QFile::decodeName(run.settings())).isDir());
    } else {
      run.ctx.state.SettingsPath = run.dir.path() + "gone/" + Settings::FileName;
      run.ctx.settings->write();
      QVERIFY(!QFileInfo::exists(QFile::decodeName(run.ctx.state.SettingsPath)));
      QCOMPARE(readFileBytes(run.settings()), before);
    }
    QVERIFY(messages().isEmpty());
    // Still running and usable.
    QVERIFY(run.main()->isVisible());
    run.ui().get<QSlider>("CompressValueBar")->setValue(3);
    QCOMPARE(run.ui().get<QSlider>("CompressValueBar")->value(), 3);
    run.main()->close();
    QCOMPARE(messages().size(), 1);
    QCOMPARE(messages()[0].icon, Prompts::Icon::Error);
    QCOMPARE(messages()[0].text,
             QStringLiteral("Not saved in %1: %2")
                 .arg(QFile::decodeName(run.ctx.state.SettingsPath), qt_error_string(error)));
  }

  void panelRestoredWithoutAnimation_data() {
    QTest::addColumn<bool>("down");
    QTest::newRow("shown") << true;
    QTest::newRow("hidden") << false;
  }
  void panelRestoredWithoutAnimation() {
    QFETCH(bool, down);
    Run run;
    writeQuietSettings(run.settings(),
                       [&](TCFGfile& c) { c.SetBoolean("SpeedButtonAddOpt", down); });
    run.start();
    QVERIFY(!run.main()->Timer1->isActive());
    const int left = run.ui().get<QToolButton>("SpeedButtonAddOpt")->geometry().right() + 1;
    QCOMPARE(run.main()->width(),
             down ? left + run.ui().get<QFrame>("OptPanel")->width() + 1 : left);
    // The panel opened at the place computed for the left column: still all on the screen.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(area.contains(run.main()->frameGeometry()),
             qPrintable(QStringLiteral("right edge %1").arg(run.main()->frameGeometry().right())));
  }

  void twoFileArgumentsPackedAtOnce() {
    Run run;
    const QByteArray a = run.dir.makeFile("first.exe", 20000);
    const QByteArray b = run.dir.makeFile("second one.exe", 30000);
    qputenv("PACKHELM_STANDIN_ARGLOG", run.dir.argLogPath());
    writeQuietSettings(run.settings(), [&](TCFGfile& c) {
      c.SetInteger("GlobalOpt_DragOp", 1);
      c.SetString("Files", "/restored/old.exe");
    });
    run.ctx.arguments = {a, b};
    run.start();
    QCOMPARE(run.ctx.state.FileList, (QList<QByteArray>{a, b}));
    QCOMPARE(run.ui().get<QLineEdit>("EditFileName")->text(),
             QString::fromUtf8(" \"" + a + "\" \"" + b + "\""));
    QVERIFY(!run.ui().get<QCheckBox>("OutFileBox")->isEnabled());
    QVERIFY(!run.ui().get<QCheckBox>("OutFileBox")->isChecked());
    // One packer run with both files, each as one argument, once the event loop runs.
    QTRY_COMPARE(packerRuns(run.dir.argLogPath()).size(), 1);
    const QList<QList<QByteArray>> runs = packerRuns(run.dir.argLogPath());
    QVERIFY(runs[0].contains(a));
    QVERIFY(runs[0].contains(b));
    QVERIFY(!runs[0].contains("/restored/old.exe"));
    // The argument log is written when the packer starts; the files shrink when it is done.
    QTRY_VERIFY(QFileInfo(QFile::decodeName(a)).size() < 20000);
    QTRY_VERIFY(QFileInfo(QFile::decodeName(b)).size() < 30000);
  }

  // The window does not wait for the packer's version: the packer answers after the window is
  // up, and the job the file arguments start waits for the answer and spells its switch after it.
  void windowComesBeforeTheVersionAnswerAndTheJobAfterIt() {
    Run run;
    const QByteArray a = run.dir.makeFile("slow.exe", 20000);
    qputenv("PACKHELM_STANDIN_ARGLOG", run.dir.argLogPath());
    qputenv("PACKHELM_STANDIN_VERSION", "3.96");
    qputenv("PACKHELM_STANDIN_SLEEP_MS", "600");
    writeQuietSettings(run.settings(), [&](TCFGfile& c) {
      c.SetInteger("GlobalOpt_DragOp", 1);
      c.SetBoolean("Compress1CheckBox", true);
    });
    run.ctx.arguments = {a};
    QElapsedTimer shown;
    shown.start();
    run.start();
    const qint64 startMs = shown.elapsed();
    QVERIFY(run.main()->isVisible());
    QVERIFY2(startMs < 500, QByteArray::number(startMs).constData());
    QVERIFY(run.ctx.state.awaitPacker);  // not answered yet
    QTRY_COMPARE_WITH_TIMEOUT(int(packerRuns(run.dir.argLogPath()).size()), 1, 10000);
    qunsetenv("PACKHELM_STANDIN_VERSION");
    qunsetenv("PACKHELM_STANDIN_SLEEP_MS");
    const QList<QByteArray> args = packerRuns(run.dir.argLogPath()).first();
    QVERIFY(args.contains(a));
    QVERIFY2(std::any_of(args.begin(), args.end(),
                         [](const QByteArray& x) { return x.startsWith("--crp-ms="); }),
             args.join(' ').constData());
    QCOMPARE(run.ctx.state.packer().major, 3);
    // The answer was settled from the event loop as well: nothing is left to wait for.
    QVERIFY(!run.ctx.state.awaitPacker);
  }

  // The window icon comes once the main window is up, on every window.
  void windowIconFollowsTheFirstShow() {
    Run run;
    writeQuietSettings(run.settings());
    run.ctx.createForms();
    run.ctx.start();
    QTRY_VERIFY(run.main()->isVisible());
    const qsizetype sizes = QList<int>{PACKHELM_ICON_SIZES}.size();
    QTRY_COMPARE(run.main()->windowIcon().availableSizes().size(), sizes);
  }

  void argumentsWithoutDragOpOnlySelect() {
    Run run;
    const QByteArray a = run.dir.makeFile("only.exe", 4096);
    qputenv("PACKHELM_STANDIN_ARGLOG", run.dir.argLogPath());
    writeQuietSettings(run.settings());
    run.ctx.arguments = {a};
    run.start();
    QCOMPARE(run.ctx.state.FileList, QList<QByteArray>{a});
    QCOMPARE(run.ui().get<QLineEdit>("EditFileName")->text(), QString::fromUtf8(a));
    QVERIFY(run.ui().get<QPushButton>("ButtonPack")->isEnabled());
    QVERIFY(packerRuns(run.dir.argLogPath()).isEmpty());
    QCOMPARE(QFileInfo(QFile::decodeName(a)).size(), 4096);
  }

  // A folder among the program's arguments: its executables are searched for before the
  // arguments' pack job runs, and every one reaches the packer as one argument, byte for byte.
  void folderArgumentPackedAfterTheSearch() {
    Run run;
    TemporaryDir trees;
    ExecutableTree tree;
    QVERIFY(MakeExecutableTree(QFile::encodeName(trees.path()), "Args \"dir\" \xff\xfe", tree));
    const QByteArray single = run.dir.makeFile("single one.exe", 20000);
    qputenv("PACKHELM_STANDIN_ARGLOG", run.dir.argLogPath());
    writeQuietSettings(run.settings(), [&](TCFGfile& c) {
      c.SetInteger("GlobalOpt_DragOp", 1);
      c.SetString("Files", "/restored/old.exe");
    });
    run.ctx.arguments = {tree.root, single};
    run.start();
    const QList<QByteArray> expected = QList<QByteArray>{single} + tree.executables;
    QTRY_COMPARE(packerRuns(run.dir.argLogPath()).size(), 1);
    QCOMPARE(run.ctx.state.FileList, expected);
    const QList<QByteArray> args = packerRuns(run.dir.argLogPath())[0];
    QCOMPARE(args.mid(args.size() - expected.size()), expected);
    QVERIFY(!args.contains("/restored/old.exe"));
    // A language file without the folder texts shows the English ones.
    QCOMPARE(run.ui().get<QLineEdit>("EditFileName")->text(),
             QStringLiteral("Files: 5 (folders: 1, files given: 1)"));
  }

  // A folder argument with nothing packable: a message names it, the restored selection stays
  // and no job runs.
  void emptyFolderArgumentKeepsTheRestoredSelection() {
    Run run;
    TemporaryDir empty;
    const QByteArray kept = run.dir.makeFile("kept.exe", 4096);
    qputenv("PACKHELM_STANDIN_ARGLOG", run.dir.argLogPath());
    writeQuietSettings(run.settings(), [&](TCFGfile& c) {
      c.SetInteger("GlobalOpt_DragOp", 1);
      c.SetString("Files", kept);
    });
    run.ctx.arguments = {QFile::encodeName(empty.path())};
    run.start();
    QTRY_COMPARE(messages().size(), 1);
    QVERIFY2(
        messages()[0].text.contains(empty.path() + QStringLiteral("\nThe selection is unchanged.")),
        qPrintable(messages()[0].text));
    QTRY_VERIFY(SelectionKnown(run.main()));
    QCOMPARE(run.ctx.state.FileList, QList<QByteArray>{kept});
    QVERIFY(run.ui().get<QPushButton>("ButtonPack")->isEnabled());
    QTest::qWait(100);
    QVERIFY(packerRuns(run.dir.argLogPath()).isEmpty());
  }

  void packerMissingAndDialogCancelledEndsTheProgram() {
    Run run(false);
    writeQuietSettings(run.settings());
    const QByteArray before = readFileBytes(run.settings());
    run.ctx.arguments = {run.dir.makeFile("x.exe", 4096)};
    run.start();
    QVERIFY(run.ctx.startupAborted());
    const QList<Prompts::MessageRecord> m = messages();
    QCOMPARE(m.size(), 2);
    QCOMPARE(m[0].icon, Prompts::Icon::Warning);
    QCOMPARE(m[0].text, QStringLiteral("The packer was not found. Please locate it."));
    QCOMPARE(m[0].caption, QStringLiteral("Packhelm - packer"));
    QCOMPARE(m[1].icon, Prompts::Icon::Error);
    QCOMPARE(m[1].text, QStringLiteral("The packer was not located. The program ends."));
    QCOMPARE(m[1].caption, QStringLiteral("Packhelm - packer"));
    QCOMPARE(Prompts::Test().dialogTitles.size(), 1);
    // Nothing after that step ran: no file selected, no job; the old settings stay.
    QVERIFY(run.ctx.state.FileList.isEmpty());
    QVERIFY(!run.ui().get<QPushButton>("ButtonPack")->isEnabled());
    run.main()->close();
    QCOMPARE(readFileBytes(run.settings()), before);
  }

  // The first start without a packer, in each shipped language, says where the packer comes
  // from (the distribution's package, else the packer's own releases) and how to point Packhelm
  // at it.
  void packerMissingSaysWhereItComesFrom_data() {
    QTest::addColumn<QByteArray>("language");
    for (const char* l : {"English", "German", "Russian"}) QTest::newRow(l) << QByteArray(l);
  }
  void packerMissingSaysWhereItComesFrom() {
    QFETCH(QByteArray, language);
    Run run(false, false);
    QVERIFY(QFile::copy(QStringLiteral(PACKHELM_LANG_SOURCE_DIR "/%1.lng").arg(language.data()),
                        QFile::decodeName(run.dir.path() + language + ".lng")));
    writeQuietSettings(run.settings(), [&](TCFGfile& c) { c.SetString("LangName", language); });
    run.start();
    QVERIFY(run.ctx.startupAborted());
    const QList<Prompts::MessageRecord> m = messages();
    QVERIFY(!m.isEmpty());
    QCOMPARE(m[0].caption, run.ctx.state.langText(LangText::PackerMissingCaption));
    for (const char* said : {"upx-ucl", "sudo apt install upx-ucl",
                             "https://github.com/upx/upx/releases", "upx/upx", "PATH"})
      QVERIFY2(m[0].text.contains(QLatin1String(said)), qPrintable(m[0].text));
    run.main()->close();
  }

  // A copy in a folder whose name is not UTF-8 (nor harmless) finds its settings, its language
  // and its own packer, asks that packer its version and packs with it.
  void programFolderNotUtf8() {
    Run run(false, false);
    TemporaryDir parent;
    const QByteArray folder = QFile::encodeName(parent.path()) + "/Pack\xff\xfe \x1b[31mhelm/";
    QVERIFY(PlaceStandin(folder + "upx/upx"));
    writeLanguage(folder);
    writeQuietSettings(folder + Settings::FileName, [](TCFGfile& c) {
      c.SetInteger("GlobalOpt_DragOp", 1);  // a file given is packed at once
    });
    const QByteArray file = run.dir.makeFile("given.exe", 20000);
    run.ctx.arguments = {file};
    qputenv("PACKHELM_STANDIN_ARGLOG", run.dir.argLogPath());
    run.ctx.state.ProgramDir = folder;
    run.ctx.state.SettingsPath.clear();
    run.ctx.state.UpxLocation.clear();
    run.ctx.state.UpxShortLocation.clear();
    run.start();
    QVERIFY(!run.ctx.startupAborted());
    QVERIFY(messages().isEmpty());
    QCOMPARE(run.ctx.state.SettingsPath, folder + Settings::FileName);
    QCOMPARE(run.ctx.state.LangDir, folder);
    QCOMPARE(run.ui().get<QLineEdit>("EditStatus")->text(), QStringLiteral("Ready"));
    QCOMPARE(run.ctx.state.UpxLocation, folder + "upx/upx");
    QCOMPARE(run.ctx.state.packer().version, QByteArray("4.2.4"));
    // Asked its version, then given the file: the same packer, by the path's bytes.
    QTRY_COMPARE(PackerRuns(run.dir.argLogPath()).size(), 2);
    QCOMPARE(PackerRuns(run.dir.argLogPath())[0], QList<QByteArray>{"--version"});
    QCOMPARE(PackerRuns(run.dir.argLogPath())[1].last(), file);
    QTRY_COMPARE(run.ui().get<QLineEdit>("EditStatus")->text(), QStringLiteral("Done"));
  }

  void packerChosenInTheDialogIsRemembered() {
    Run run(false);
    writeQuietSettings(run.settings());
    const QByteArray chosen = run.dir.path() + "my upx";
    QVERIFY(QFile::copy(QFile::decodeName(standinPath()), QFile::decodeName(chosen)));
    QFile::setPermissions(QFile::decodeName(chosen), QFile::ReadOwner | QFile::ExeOwner);
    Prompts::Test().openAnswers = {{QFile::decodeName(chosen)}};
    run.start();
    QVERIFY(!run.ctx.startupAborted());
    QCOMPARE(messages().size(), 1);
    QCOMPARE(run.ctx.state.UpxLocation, chosen);
    QCOMPARE(run.ctx.state.UpxShortLocation, "\"" + chosen + "\"");
    QCOMPARE(run.ctx.state.opt.GlobalOpt_UPX2, chosen);
    QCOMPARE(run.ctx.state.packer().major, 4);
  }

  void packerFoundOnThePathIsUsedWithoutAQuestion() {
    Run run(false);
    writeQuietSettings(run.settings());
    TemporaryDir bin;
    const QByteArray onPath = QFile::encodeName(bin.filePath(QStringLiteral("upx")));
    QVERIFY(QFile::copy(QFile::decodeName(standinPath()), QFile::decodeName(onPath)));
    QFile::setPermissions(QFile::decodeName(onPath), QFile::ReadOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(bin.path()));
    run.start();
    QVERIFY(!run.ctx.startupAborted());
    QVERIFY(messages().isEmpty());
    QVERIFY(Prompts::Test().dialogTitles.isEmpty());
    QCOMPARE(run.ctx.state.UpxLocation, onPath);
    QVERIFY(run.ctx.state.opt.GlobalOpt_UPX2.isEmpty());  // not remembered as the user's choice
  }

  void packerRememberedFromBeforeIsUsed() {
    Run run(false);
    TemporaryDir other;
    const QByteArray before = QFile::encodeName(other.filePath(QStringLiteral("upx")));
    QVERIFY(QFile::copy(QFile::decodeName(standinPath()), QFile::decodeName(before)));
    writeQuietSettings(run.settings(), [&](TCFGfile& c) { c.SetString("GlobalOpt_UPX2", before); });
    run.start();
    QVERIFY(messages().isEmpty());
    QCOMPARE(run.ctx.state.UpxLocation, before);
  }

  void noLanguageFileForTheStoredLanguage() {
    Run run(true, false);
    writeQuietSettings(run.settings());
    run.start();
    QVERIFY(run.ctx.startupAborted());
    QCOMPARE(messages().size(), 1);
    QCOMPARE(messages()[0].icon, Prompts::Icon::Error);
    QCOMPARE(messages()[0].text,
             QStringLiteral("There are no language files. Press OK to terminate program."));
    QCOMPARE(messages()[0].caption, QStringLiteral("Error - Packhelm"));
    QCOMPARE(run.ctx.state.packer().major, -1);  // the packer step did not run
  }

  void noLanguageAtAllOnFirstStart() {
    Run run(true, false);
    run.start();
    QVERIFY(run.ctx.startupAborted());
    QCOMPARE(run.chooser.answered, 0);
    QCOMPARE(messages().size(), 1);
    QCOMPARE(messages()[0].caption, QStringLiteral("Error."));
    QVERIFY(!QFile::exists(QFile::decodeName(run.settings())));
    // The run ended without breaking the event loop of what follows.
    QTimer later;
    later.setSingleShot(true);
    QSignalSpy fired(&later, &QTimer::timeout);
    later.start(1);
    QVERIFY(fired.wait(2000));
  }

  // A program folder that cannot be written: the settings live in the user's configuration
  // folder, for reading as for writing.
  // Names with LF, CR or byte 26 selected, the program closed and started again: the language,
  // the options and the other names are all there; the status line said it once.
  void unstorableNamesAcrossRuns_data() {
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<bool>("last");
    QTest::newRow("line feed, first") << QByteArray("bad\nname.exe") << false;
    QTest::newRow("line feed, last") << QByteArray("bad\nname.exe") << true;
    QTest::newRow("carriage return, last") << QByteArray("bad\rname.exe") << true;
    QTest::newRow("byte 26, first") << QByteArray("bad\x1aname.exe") << false;
    QTest::newRow("byte 26, last") << QByteArray("bad\x1aname.exe") << true;
  }
  void unstorableNamesAcrossRuns() {
    QFETCH(QByteArray, bad);
    QFETCH(bool, last);
    TestProgramDir shared(false, true);
    writeLanguage(shared.path());
    const QByteArray good = shared.makeFile("good.exe", 3000);
    const QByteArray other = shared.makeFile("other.exe", 3000);
    const QByteArray badPath = shared.makeFile(bad, 3000);
    const QList<QByteArray> files =
        last ? QList<QByteArray>{good, other, badPath} : QList<QByteArray>{badPath, good, other};
    {
      AppContext ctx;
      shared.prepare(ctx.state);
      ChooserAnswerer chooser;
      startUp(ctx);
      QCOMPARE(chooser.answered, 1);
      ctx.state.FileList = files;
      ctx.FormMain->FillText();
      QCOMPARE(Controls(ctx.FormMain).get<QLineEdit>("EditStatus")->text(),
               QStringLiteral("Kept for this session"));
      // Said once per run.
      Controls(ctx.FormMain).get<QLineEdit>("EditStatus")->setText(QStringLiteral("x"));
      ctx.FormMain->FillText();
      QCOMPARE(Controls(ctx.FormMain).get<QLineEdit>("EditStatus")->text(), QStringLiteral("x"));
      QCOMPARE(ctx.state.FileList, files);  // the session keeps the name
      Controls(ctx.FormMain).get<QSlider>("CompressValueBar")->setValue(4);
      Controls(ctx.FormMain).get<QCheckBox>("CheckBoxForce")->setChecked(true);
      ctx.FormMain->close();
    }
    AppContext ctx;
    shared.prepare(ctx.state);
    ChooserAnswerer chooser;
    startUp(ctx);
    QCOMPARE(chooser.answered, 0);
    QCOMPARE(ctx.state.opt.LangName, QByteArray("English"));
    QCOMPARE(ctx.state.FileList, (QList<QByteArray>{good, other}));
    QCOMPARE(Controls(ctx.FormMain).get<QSlider>("CompressValueBar")->value(), 4);
    QVERIFY(Controls(ctx.FormMain).get<QCheckBox>("CheckBoxForce")->isChecked());
  }

  // A settings file that cannot be written is said once per run, at start, in the status line.
  void unwritableSettingsSaidOnce_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("below a plain file") << QStringLiteral("plain");
    QTest::newRow("link to a device") << QStringLiteral("device");
  }
  void unwritableSettingsSaidOnce() {
    QFETCH(QString, how);
    Run run;
    QByteArray path;
    if (how == QLatin1String("plain")) {
      QVERIFY(writeFileBytes(run.dir.path() + "plain", "x"));
      path = run.dir.path() + "plain/" + Settings::FileName;
    } else {
      const QByteArray device = run.dir.path() + "device";
      QCOMPARE(::mknod(device.constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
      path = run.settings();
      QCOMPARE(::symlink(device.constData(), path.constData()), 0);
    }
    run.ctx.state.SettingsPath = path;
    run.start();
    QCOMPARE(run.ui().get<QLineEdit>("EditStatus")->text(),
             QStringLiteral("Cannot save: ") + QFile::decodeName(path));
    run.ui().get<QLineEdit>("EditStatus")->setText(QStringLiteral("x"));
    run.ctx.settings->reportUnwritable();
    QCOMPARE(run.ui().get<QLineEdit>("EditStatus")->text(), QStringLiteral("x"));
    run.main()->close();
    struct stat st;
    if (how == QLatin1String("device"))
      QVERIFY(::stat(path.constData(), &st) == 0 && S_ISCHR(st.st_mode));
  }

  // Settings that moved to the user's folder are read from the program folder the first time,
  // and then written to the user's folder.
  void programFolderFileReadWhenSettingsMove() {
    Run run;
    writeQuietSettings(run.settings(), [&](TCFGfile& c) { c.SetInteger("CompressValueBar", 8); });
    TemporaryDir user;
    const QByteArray userFile = QFile::encodeName(user.path()) + '/' + Settings::FileName;
    run.ctx.state.SettingsPath = userFile;
    run.start();
    QCOMPARE(run.chooser.answered, 0);
    QCOMPARE(run.ui().get<QSlider>("CompressValueBar")->value(), 8);
    run.main()->close();
    Settings::SettingsRows rows;
    QVERIFY(Settings::LoadSettingsFile(userFile, rows));
    QCOMPARE(*rows.option("CompressValueBar"), 8);
  }

  // An output name that is not UTF-8 is written back with its own bytes, not as U+FFFD; one
  // typed over it is written as typed.
  void outputNameKeepsItsBytes_data() {
    QTest::addColumn<bool>("edited");
    QTest::newRow("as loaded") << false;
    QTest::newRow("typed over") << true;
  }
  void outputNameKeepsItsBytes() {
    QFETCH(bool, edited);
    Run run;
    const QByteArray name("/t/caf\xe9-\xff.exe");
    writeQuietSettings(run.settings(), [&](TCFGfile& c) { c.SetString("EditOutfile", name); });
    run.start();
    if (edited) run.ui().get<QLineEdit>("EditOutFile")->setText(QStringLiteral("/t/neu.exe"));
    QCOMPARE(run.main()->packOptions().EditOutFile, edited ? QByteArray("/t/neu.exe") : name);
    run.main()->close();
    Settings::SettingsRows rows;
    QVERIFY(Settings::LoadSettingsFile(run.settings(), rows));
    QCOMPARE(rows.EditOutfile, edited ? QByteArray("/t/neu.exe") : name);
  }

  // The packer echoes a name holding an 18-parameter control sequence (which crashed libvterm):
  // the pack ends, the sizes show and the settings are written.
  void packNameWithEighteenParameters() {
    Run run;
    QByteArray seq = "\x1b[1";
    for (int i = 1; i < 18; ++i) seq += ";1";
    const QByteArray file = run.dir.makeFile("evil" + seq + "m.exe", 40000);
    qputenv("PACKHELM_STANDIN_ARGLOG", run.dir.argLogPath());
    writeQuietSettings(run.settings(), [&](TCFGfile& c) {
      c.SetInteger("GlobalOpt_DragOp", 1);
      c.SetInteger("CompressValueBar", 5);
    });
    run.ctx.arguments = {file};
    run.start();
    // The job the file argument starts runs once the event loop runs.
    QTRY_COMPARE(run.ui().get<QLineEdit>("EditStatus")->text(), QStringLiteral("Done"));
    const QList<QList<QByteArray>> runs = packerRuns(run.dir.argLogPath());
    QCOMPARE(runs.size(), 1);
    QVERIFY(runs[0].contains(file));
    QCOMPARE(run.ui().get<QLineEdit>("EditStatus")->text(), QStringLiteral("Done"));
    QCOMPARE(run.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("39 KB"));
    const qint64 packed = QFileInfo(QFile::decodeName(file)).size();
    QVERIFY(packed > 0 && packed < 40000);
    QCOMPARE(run.ui().get<QLabel>("LabelF2")->text(), QStringLiteral("%1 KB").arg(packed / 1024));
    run.main()->close();
    Settings::SettingsRows rows;
    QVERIFY(Settings::LoadSettingsFile(run.settings(), rows));
    QCOMPARE(rows.Files, (QList<QByteArray>{file}));
    QCOMPARE(*rows.option("CompressValueBar"), 5);
  }

  void settingsInTheUserFolderWhenTheProgramFolderIsNotWritable() {
    Run run;
    const QByteArray userFolder =
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    QVERIFY(QDir().mkpath(QFile::decodeName(userFolder)));
    const QByteArray userFile = userFolder + '/' + Settings::FileName;
    writeQuietSettings(userFile, [&](TCFGfile& c) { c.SetInteger("CompressValueBar", 8); });
    // The program folder lies below a plain file: nothing can be created there. The language
    // is then missing too, which ends the start after the settings were read.
    QVERIFY(writeFileBytes(run.dir.path() + "plain", "x"));
    run.ctx.state.ProgramDir = run.dir.path() + "plain/program/";
    run.ctx.state.SettingsPath.clear();
    run.start();
    QCOMPARE(run.ctx.state.SettingsPath, userFile);
    QCOMPARE(run.ui().get<QSlider>("CompressValueBar")->value(), 8);
    QCOMPARE(run.chooser.answered, 0);
    QVERIFY(run.ctx.startupAborted());
    QCOMPARE(messages().size(), 1);
    QCOMPARE(messages()[0].caption, QStringLiteral("Error - Packhelm"));
    QFile::remove(QFile::decodeName(userFile));
  }

  // The program folder is taken from the executable's path as bytes, and becomes the current
  // folder (a path that is not UTF-8 would not survive a QString).
  void programFolderFromTheExecutable() {
    char exe[4097];
    const ssize_t n = ::readlink("/proc/self/exe", exe, 4096);
    QVERIFY(n > 0);
    const QByteArray path(exe, n);
    const QByteArray folder = path.left(path.lastIndexOf('/') + 1);
    AppContext ctx;
    ctx.runStartupOnShow = false;
    ctx.createForms();
    QCOMPARE(ctx.state.ProgramDir, folder);
    char cwd[4097];
    QVERIFY(::getcwd(cwd, sizeof cwd));
    QCOMPARE(QByteArray(cwd) + '/', folder);
  }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
