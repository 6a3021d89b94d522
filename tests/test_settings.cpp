// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file's rows, keys, types and order; lists in one string; the shell extensions;
// where the file lives; locating the packer; the program's arguments made absolute.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QtTest>
#include <csignal>

#include "core/settings/CFGfile.h"
#include "core/settings/SettingsFile.h"
#include "core/settings/SettingsLocation.h"
#include "core/settings/SettingsPreload.h"
#include "core/startup/PackerLocator.h"
#include "core/startup/ProcessSetup.h"
#include "core/startup/ProgramArguments.h"
#include "core/util/InstallLayout.h"
#include "support/TestHelpers.h"

using namespace Settings;

namespace {

QByteArray tempPath(const TemporaryDir& d, const char* name) {
  return QFile::encodeName(d.filePath(QString::fromLatin1(name)));
}

// A state with a distinct value in every row, so that a mix-up of two rows shows.
SettingsRows knownRows() {
  SettingsRows r;
  r.LangName = "English";
  r.SpeedButtonAddOpt = true;
  r.Files = QList<QByteArray>{"/a/one.exe", "/b/two.exe"};
  r.EditOutfile = "/a/out.exe";
  *r.option("CompressValueBar") = 4;
  *r.option("BackupBox") = true;
  *r.option("OutFileBox") = false;
  *r.option("ReplaceIfExistsCheckBox") = true;
  *r.option("OverlayGroup") = -1;
  *r.option("OptBoxDOS1") = false;
  *r.option("OptBoxDOS2") = true;
  *r.option("ExportsGroup") = 1;
  *r.option("IconsGroup") = 2;
  *r.option("ResourcesBox") = false;
  *r.option("CheckBoxForce") = true;
  *r.option("RelocationsGroup") = 0;
  *r.option("Compress1CheckBox") = true;
  *r.option("CompressValueBar1") = 999999;
  *r.option("CheckBoxCoff") = false;
  *r.option("CheckBoxLe") = true;
  *r.option("CheckBoxTryMulti") = false;
  *r.option("RadioButton_nrv2b") = true;
  *r.option("RadioButton_nrv2d") = false;
  r.GlobalOpt_FastOpen = true;
  r.GlobalOpt_UPX2 = "/opt/upx";
  r.GlobalOpt_DragOp = 2;
  r.GlobalOpt_CloseCon = 1;
  r.GlobalOpt_PriorityClass = 32;
  r.GlobalOpt_ThreadPriority = 0;
  r.GlobalOpt_FirstTimeShowConsol = 1;
  r.GlobalOpt_StayOnTop = 2;
  r.GlobalOpt_ShowHints = false;
  r.CmdLinesMax = 4294967295u;
  r.CmdPackLines = QList<QByteArray>{"upx -9 a"};
  r.CmdUnPackLines = QList<QByteArray>{};
  r.ShellExt = {".exe", ".dll"};
  return r;
}

}  // namespace

class TestSettings : public QObject {
  Q_OBJECT
 private slots:
  // The settings read before the window system is up stand for the first reading of the same
  // file only, and only once; another folder reads its own.
  void preloadedOnce() {
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    const QByteArray file = folder + Settings::FileName;
    writeSettings(file, [](TCFGfile& cfg) { cfg.SetString("Files", "/a/b\r\n/c/d"); });
    SettingsPreload preload(folder);
    QCOMPARE(preload.settingsPath(folder), file);
    QCOMPARE(preload.settingsPath(folder + "other/"), QByteArray());
    std::optional<Settings::SettingsRows> rows;
    QVERIFY(!preload.take(folder + "other/" + Settings::FileName, rows));
    QVERIFY(preload.take(file, rows));
    QVERIFY(rows && rows->Files);
    QCOMPARE(*rows->Files, (QList<QByteArray>{"/a/b", "/c/d"}));
    QVERIFY(!preload.take(file, rows));
  }

  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void joinAndSplit_data() {
    QTest::addColumn<QList<QByteArray>>("entries");
    QTest::addColumn<QByteArray>("joined");
    QTest::newRow("none") << QList<QByteArray>{} << QByteArray("");
    QTest::newRow("one") << QList<QByteArray>{"a b"} << QByteArray("a b");
    QTest::newRow("three") << QList<QByteArray>{"upx -9 \"x y\"", "upx -1 z", "upx --best w"}
                           << QByteArray("upx -9 \"x y\"\r\nupx -1 z\r\nupx --best w");
    QTest::newRow("empty in the middle")
        << QList<QByteArray>{"a", "", "c"} << QByteArray("a\r\n\r\nc");
  }
  void joinAndSplit() {
    QFETCH(QList<QByteArray>, entries);
    QFETCH(QByteArray, joined);
    QCOMPARE(JoinLines(entries), joined);
    QCOMPARE(SplitLines(joined), entries);
  }

  // Stored texts that joining never makes, split as the settings file has always read them.
  void splitStored_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::newRow("trailing CR LF") << QByteArray("a\r\n") << QList<QByteArray>{"a"};
    QTest::newRow("two trailing") << QByteArray("a\r\n\r\n") << QList<QByteArray>{"a", ""};
    QTest::newRow("only CR LF") << QByteArray("\r\n") << QList<QByteArray>{""};
    QTest::newRow("lone CR") << QByteArray("a\rb\r") << QList<QByteArray>{"a\rb\r"};
    QTest::newRow("CR before CR LF") << QByteArray("\r\r\nb") << QList<QByteArray>{"\r", "b"};
    QTest::newRow("lone LF") << QByteArray("\n") << QList<QByteArray>{"\n"};
  }
  void splitStored() {
    QFETCH(QByteArray, stored);
    QFETCH(QList<QByteArray>, lines);
    QCOMPARE(SplitLines(stored), lines);
  }

  void normalizeExtension_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("with dot") << QByteArray(".dll") << QByteArray(".dll");
    QTest::newRow("without dot") << QByteArray("exe") << QByteArray(".exe");
    QTest::newRow("empty") << QByteArray("") << QByteArray(".");
    QTest::newRow("dot only") << QByteArray(".") << QByteArray(".");
  }
  void normalizeExtension() {
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, expected);
    QCOMPARE(NormalizeExtension(stored), expected);
  }

  void shellExtNumbering_data() {
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QList<QByteArray>>("values");
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::newRow("0 and 1") << QList<int>{0, 1} << QList<QByteArray>{"exe", ".dll"}
                             << QList<QByteArray>{".exe", ".dll"};
    QTest::newRow("0 and 2 without 1")
        << QList<int>{0, 2} << QList<QByteArray>{".exe", ".dll"} << QList<QByteArray>{".exe"};
    QTest::newRow("1 without 0") << QList<int>{1} << QList<QByteArray>{".exe"}
                                 << QList<QByteArray>{};
    QTest::newRow("none") << QList<int>{} << QList<QByteArray>{} << QList<QByteArray>{};
  }
  void shellExtNumbering() {
    QFETCH(QList<int>, numbers);
    QFETCH(QList<QByteArray>, values);
    QFETCH(QList<QByteArray>, expected);
    TCFGfile cfg;
    for (int i = 0; i < numbers.size(); ++i) cfg.SetString(ShellExtKey(numbers[i]), values[i]);
    QCOMPARE(ReadRows(cfg).ShellExt, expected);
  }

  void shellExtKeysAreUnpadded() {
    QCOMPARE(ShellExtKey(0), QByteArray("ShellExt0"));
    QCOMPARE(ShellExtKey(12), QByteArray("ShellExt12"));
  }

  // The whole file for a known state: every key, its type letter, and the order (grouped by type,
  // table order within each type).
  void exactBytesOfAWrittenFile() {
    TemporaryDir d;
    const QByteArray path = tempPath(d, "Packhelmconfig.cfg");
    QVERIFY(SaveSettingsFile(path, knownRows()));
    const QByteArray expected =
        "CFGDATA\r\n"
        "s0000000008LangName0000000007English0000000000\r\n"
        "s0000000005Files0000000022/a/one.exe\r\n/b/two.exe0000000000\r\n"
        "s0000000011EditOutfile0000000010/a/out.exe0000000000\r\n"
        "s0000000014GlobalOpt_UPX20000000008/opt/upx0000000000\r\n"
        "s0000000012CmdPackLines0000000008upx -9 a0000000000\r\n"
        "s0000000014CmdUnPackLines00000000000000000000\r\n"
        "s0000000009ShellExt00000000004.exe0000000000\r\n"
        "s0000000009ShellExt10000000004.dll0000000000\r\n"
        "i0000000016CompressValueBar000000000040000000000\r\n"
        "i0000000012OverlayGroup-00000000010000000000\r\n"
        "i0000000012ExportsGroup000000000010000000000\r\n"
        "i0000000010IconsGroup000000000020000000000\r\n"
        "i0000000016RelocationsGroup000000000000000000000\r\n"
        "i0000000017CompressValueBar1000009999990000000000\r\n"
        "i0000000016GlobalOpt_DragOp000000000020000000000\r\n"
        "i0000000018GlobalOpt_CloseCon000000000010000000000\r\n"
        "i0000000029GlobalOpt_FirstTimeShowConsol000000000010000000000\r\n"
        "i0000000019GlobalOpt_StayOnTop000000000020000000000\r\n"
        "c0000000023GlobalOpt_PriorityClass000000000320000000000\r\n"
        "c0000000024GlobalOpt_ThreadPriority000000000000000000000\r\n"
        "c0000000011CmdLinesMax042949672950000000000\r\n"
        "b0000000017SpeedButtonAddOpt10000000000\r\n"
        "b0000000009BackupBox10000000000\r\n"
        "b0000000010OutFileBox00000000000\r\n"
        "b0000000023ReplaceIfExistsCheckBox10000000000\r\n"
        "b0000000010OptBoxDOS100000000000\r\n"
        "b0000000010OptBoxDOS210000000000\r\n"
        "b0000000012ResourcesBox00000000000\r\n"
        "b0000000013CheckBoxForce10000000000\r\n"
        "b0000000017Compress1CheckBox10000000000\r\n"
        "b0000000012CheckBoxCoff00000000000\r\n"
        "b0000000010CheckBoxLe10000000000\r\n"
        "b0000000016CheckBoxTryMulti00000000000\r\n"
        "b0000000017RadioButton_nrv2b10000000000\r\n"
        "b0000000017RadioButton_nrv2d00000000000\r\n"
        "b0000000018GlobalOpt_FastOpen10000000000\r\n"
        "b0000000019GlobalOpt_ShowHints00000000000\r\n";
    QCOMPARE(readFileBytes(path), expected);
  }

  void roundTripKeepsEveryRow() {
    TemporaryDir d;
    const QByteArray path = tempPath(d, "Packhelmconfig.cfg");
    const SettingsRows in = knownRows();
    QVERIFY(SaveSettingsFile(path, in));
    SettingsRows out;
    QVERIFY(LoadSettingsFile(path, out));
    QCOMPARE(*out.option("OverlayGroup"),
             std::optional<qint32>(-1));  // no selection survives as -1
    // Every record of the table comes back as it went.
    ForEachRecord(out, [&in](const Row& row, const auto& back) {
      ForEachRecord(in, [&](const Row& inRow, const auto& given) {
        if constexpr (std::is_same_v<decltype(back), decltype(given)>)
          if (&inRow == &row && back != given) QFAIL(row.key);
      });
    });
  }

  void historyOfThreeLinesRoundTrip() {
    TemporaryDir d;
    const QByteArray path = tempPath(d, "Packhelmconfig.cfg");
    SettingsRows in;
    in.CmdPackLines = QList<QByteArray>{"upx -9 \"/x y/a.exe\"", "upx --best b", "upx -1 c"};
    QVERIFY(SaveSettingsFile(path, in));
    TCFGfile raw;
    QVERIFY(raw.LoadFromFile(path, true));
    const QByteArray stored = StoredString(raw, "CmdPackLines");
    QCOMPARE(stored.count("\r\n"), 2);
    SettingsRows out;
    QVERIFY(LoadSettingsFile(path, out));
    QCOMPARE(out.CmdPackLines, in.CmdPackLines);
  }

  void headerOnlyFileLoadsWithNoRow() {
    TemporaryDir d;
    const QByteArray path = tempPath(d, "Packhelmconfig.cfg");
    QVERIFY(writeFileBytes(path, "CFGDATA\r\n"));
    SettingsRows out;
    out.LangName = "stale";
    QVERIFY(LoadSettingsFile(path, out));
    QVERIFY(!out.LangName);
    QVERIFY(!*out.option("CompressValueBar"));
    QVERIFY(!out.Files);
    QVERIFY(out.ShellExt.isEmpty());
  }

  void unusableFilesCountAsNoFile_data() {
    QTest::addColumn<QByteArray>("content");
    const QByteArray good = "CFGDATA\r\ns0000000008LangName0000000007English0000000000\r\n";
    QTest::newRow("cut-off last record") << good + "i0000000016CompressValueBar0000";
    QTest::newRow("unknown type letter") << good + "x0000000001A0000000000\r\n";
    QTest::newRow("no header") << QByteArray("s0000000008LangName0000000007English0000000000\r\n");
    QTest::newRow("empty file") << QByteArray();
  }
  void unusableFilesCountAsNoFile() {
    QFETCH(QByteArray, content);
    TemporaryDir d;
    const QByteArray path = tempPath(d, "Packhelmconfig.cfg");
    QVERIFY(writeFileBytes(path, content));
    SettingsRows out;
    QVERIFY(!LoadSettingsFile(path, out));
    QVERIFY(!out.LangName);  // nothing of the readable part is used
  }

  void missingOrFolderIsNoFile() {
    TemporaryDir d;
    SettingsRows out;
    QVERIFY(!LoadSettingsFile(tempPath(d, "absent.cfg"), out));
    QVERIFY(QDir(d.path()).mkdir(QStringLiteral("dir.cfg")));
    QVERIFY(!LoadSettingsFile(tempPath(d, "dir.cfg"), out));
  }

  void keyWithAnotherTypeIsAbsent() {
    TCFGfile cfg;
    cfg.SetString("CompressValueBar", "7");
    cfg.SetInteger("LangName", 3);
    cfg.SetBoolean("GlobalOpt_DragOp", true);
    cfg.SetInteger("CmdLinesMax", 5);  // a cardinal row stored as integer
    const SettingsRows r = ReadRows(cfg);
    QVERIFY(!*r.option("CompressValueBar"));
    QVERIFY(!r.LangName);
    QVERIFY(!r.GlobalOpt_DragOp);
    QVERIFY(!r.CmdLinesMax);
  }

  void fewerShellExtensionsDropTheRest() {
    TemporaryDir d;
    const QByteArray path = tempPath(d, "Packhelmconfig.cfg");
    SettingsRows r;
    r.ShellExt = {".exe", ".com", ".dll", ".scr"};
    QVERIFY(SaveSettingsFile(path, r));
    r.ShellExt = {".exe", ".com"};
    QVERIFY(SaveSettingsFile(path, r));
    TCFGfile raw;
    QVERIFY(raw.LoadFromFile(path, true));
    QVERIFY(raw.IndexOfString("ShellExt0") >= 0);
    QVERIFY(raw.IndexOfString("ShellExt1") >= 0);
    QCOMPARE(raw.IndexOfString("ShellExt2"), -1);
    QCOMPARE(raw.IndexOfString("ShellExt3"), -1);
    QCOMPARE(raw.StringCount(), 2);
  }

  // A save that cannot complete leaves the previous file byte for byte.
  void failedSaveKeepsTheOldFile_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("target is a folder") << QStringLiteral("folder");
    QTest::newRow("folder removed") << QStringLiteral("removed");
    QTest::newRow("disk full") << QStringLiteral("full");
  }
  void failedSaveKeepsTheOldFile() {
    QFETCH(QString, how);
    TemporaryDir d;
    QByteArray path = tempPath(d, "Packhelmconfig.cfg");
    SettingsRows old;
    old.LangName = "English";
    QVERIFY(SaveSettingsFile(path, old));
    const QByteArray before = readFileBytes(path);
    SettingsRows next = knownRows();
    if (how == QLatin1String("folder")) {
      path = tempPath(d, "sub");
      QVERIFY(QDir(d.path()).mkdir(QStringLiteral("sub")));
      QVERIFY(!SaveSettingsFile(path, next));
      QVERIFY(QFileInfo(QFile::decodeName(path)).isDir());
      path = tempPath(d, "Packhelmconfig.cfg");
    } else if (how == QLatin1String("removed")) {
      const QByteArray gone = tempPath(d, "gone/Packhelmconfig.cfg");
      QVERIFY(!SaveSettingsFile(gone, next));
      QVERIFY(!QFileInfo::exists(QFile::decodeName(gone)));
    } else {
      // The settings text is far longer than the limit.
      bool ok = true;
      QVERIFY(WithFileSizeLimit(64, [&] { ok = SaveSettingsFile(path, next); }));
      QVERIFY(!ok);
    }
    QCOMPARE(readFileBytes(path), before);
    QCOMPARE(QDir(d.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("Packhelmconfig.cfg")});  // no leftover temporary file
  }

  // Names the line-based file cannot hold, and empty entries, are left out; every other row and
  // name survives, also when the bad name is the last entry of the last string record.
  void unstorableNamesLeftOut_data() {
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<bool>("last");
    const QList<std::pair<const char*, QByteArray>> kinds{{"line feed", "/t/a\nb.exe"},
                                                          {"carriage return", "/t/a\rb.exe"},
                                                          {"CR LF", "/t/a\r\nb.exe"},
                                                          {"byte 26", QByteArray("/t/a\x1a"
                                                                                 "b.exe")}};
    for (const auto& [name, bad] : kinds) {
      QTest::newRow(qPrintable(QStringLiteral("%1 first").arg(QLatin1String(name))))
          << bad << false;
      QTest::newRow(qPrintable(QStringLiteral("%1 last").arg(QLatin1String(name)))) << bad << true;
    }
  }
  void unstorableNamesLeftOut() {
    QFETCH(QByteArray, bad);
    QFETCH(bool, last);
    TemporaryDir d;
    const QByteArray path = tempPath(d, "Packhelmconfig.cfg");
    SettingsRows r = knownRows();
    r.Files = last ? QList<QByteArray>{"/a/one.exe", "", "/a/2", bad}
                   : QList<QByteArray>{bad, "/a/one.exe", "", "/a/2"};
    r.EditOutfile = bad;
    r.CmdUnPackLines = QList<QByteArray>{"upx -d " + bad, "upx -d x"};
    r.ShellExt = {".exe", bad, ".dll"};
    QVERIFY(!Storable(bad));
    QVERIFY(SaveSettingsFile(path, r));
    SettingsRows back;
    QVERIFY(LoadSettingsFile(path, back));
    QCOMPARE(back.Files, (QList<QByteArray>{"/a/one.exe", "/a/2"}));
    QVERIFY(!back.EditOutfile);
    QCOMPARE(back.CmdUnPackLines, (QList<QByteArray>{"upx -d x"}));
    QCOMPARE(back.ShellExt, (QList<QByteArray>{".exe", ".dll"}));
    QCOMPARE(back.LangName, r.LangName);
    QCOMPARE(back.CmdPackLines, r.CmdPackLines);
    QCOMPARE(back.CmdLinesMax, r.CmdLinesMax);
    QCOMPARE(back.GlobalOpt_ShowHints, r.GlobalOpt_ShowHints);
  }

  // Saving through a symbolic link: a regular target is replaced and the link stays; a device,
  // a folder or a missing target is never touched and the save fails.
  void saveThroughSymbolicLinks_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("regular file") << QStringLiteral("file");
    QTest::newRow("device") << QStringLiteral("device");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("nothing") << QStringLiteral("missing");
    QTest::newRow("the path itself is a device") << QStringLiteral("device itself");
  }
  void saveThroughSymbolicLinks() {
    QFETCH(QString, target);
    TemporaryDir d;
    const QByteArray dir = QFile::encodeName(d.path()) + '/';
    const QByteArray link = dir + "Packhelmconfig.cfg";
    const QByteArray real = dir + "dotfiles/real.cfg";
    QVERIFY(QDir().mkpath(QFile::decodeName(dir + "dotfiles")));
    if (target == QLatin1String("file")) {
      QVERIFY(writeFileBytes(real, "old"));
    } else if (target.startsWith(QLatin1String("device"))) {
      // A character device like /dev/null, made here so that nothing outside the test can change.
      QCOMPARE(::mknod(real.constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
    } else if (target == QLatin1String("folder")) {
      QVERIFY(QDir().mkdir(QFile::decodeName(real)));
    }
    const QByteArray path = target == QLatin1String("device itself") ? real : link;
    if (path == link) QCOMPARE(::symlink(real.constData(), link.constData()), 0);
    const bool saved = SaveSettingsFile(path, knownRows());
    QCOMPARE(SettingsLocation::CanWrite(path), target == QLatin1String("file"));
    struct stat st;
    if (target == QLatin1String("file")) {
      QVERIFY(saved);
      QVERIFY(::lstat(link.constData(), &st) == 0 && S_ISLNK(st.st_mode));
      SettingsRows back;
      QVERIFY(LoadSettingsFile(link, back));
      QCOMPARE(back.Files, knownRows().Files);
    } else {
      QVERIFY(!saved);
      const int got = ::lstat(real.constData(), &st);
      if (target.startsWith(QLatin1String("device")))
        QVERIFY(got == 0 && S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, 3));
      else if (target == QLatin1String("folder"))
        QVERIFY(got == 0 && S_ISDIR(st.st_mode));
      else
        QVERIFY(got != 0);
    }
    // No temporary file left beside the target.
    QCOMPARE(QDir(QFile::decodeName(dir + "dotfiles"))
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                 .size(),
             target == QLatin1String("missing") ? 0 : 1);
  }

  // With the program's signal setup a file-size limit makes the save fail and the process goes
  // on; without it the same save ends the process (the check that the test means something).
  void fileSizeLimitIsAFailedSave_data() {
    QTest::addColumn<bool>("setup");
    QTest::newRow("program's setup") << true;
    QTest::newRow("default signal") << false;
  }
  void fileSizeLimitIsAFailedSave() {
    QFETCH(bool, setup);
    TemporaryDir d;
    const QByteArray path = tempPath(d, "Packhelmconfig.cfg");
    const pid_t pid = ::fork();
    QVERIFY(pid >= 0);
    if (pid == 0) {
      std::signal(SIGXFSZ, SIG_DFL);  // as a freshly started program has it
      if (setup) ProcessSetup::IgnoreFileSizeLimitSignal();
      const rlimit limit{64, 64};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
      ::_exit(SaveSettingsFile(path, knownRows()) ? 1 : 0);
    }
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    if (setup) {
      QVERIFY2(WIFEXITED(status), "the process died");
      QCOMPARE(WEXITSTATUS(status), 0);  // the save failed and said so
    } else {
      QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
    }
    QVERIFY(!QFileInfo::exists(QFile::decodeName(path)));
  }

  // Settings moved to the user's folder: the program folder's file is read until there is one.
  void readPathPrefersAFileThatExists() {
    TemporaryDir d;
    const QByteArray program = QFile::encodeName(d.path()) + "/program/";
    const QByteArray user = QFile::encodeName(d.path()) + "/user/Packhelmconfig.cfg";
    QVERIFY(QDir().mkpath(QFile::decodeName(program)));
    QVERIFY(QDir().mkpath(QFile::decodeName(QFile::encodeName(d.path()) + "/user")));
    QCOMPARE(SettingsLocation::ReadPath(program, user), user);  // neither: the user's, as before
    QVERIFY(writeFileBytes(program + "Packhelmconfig.cfg", "CFGDATA\r\n"));
    QCOMPARE(SettingsLocation::ReadPath(program, user), program + "Packhelmconfig.cfg");
    QVERIFY(writeFileBytes(user, "CFGDATA\r\n"));
    QCOMPARE(SettingsLocation::ReadPath(program, user), user);
    // A link of the user's that leads nowhere (yet) is still the user's settings.
    QVERIFY(::unlink(user.constData()) == 0 && ::symlink("nowhere", user.constData()) == 0);
    QCOMPARE(SettingsLocation::ReadPath(program, user), user);
  }

  // A folder or file whose name is not UTF-8 is written and read by its bytes.
  void namesThatAreNotUtf8() {
    TemporaryDir d;
    const QByteArray dir = QFile::encodeName(d.path()) + "/caf\xe9\xff/";
    QCOMPARE(::mkdir(dir.constData(), 0755), 0);
    QVERIFY(SettingsLocation::IsFolderWritable(dir));
    const QByteArray path = dir + "Packhelmconfig.cfg";
    QVERIFY(SettingsLocation::CanWrite(path));
    SettingsRows r = knownRows();
    r.EditOutfile = "/t/out\xe9.exe";
    QVERIFY(SaveSettingsFile(path, r));
    SettingsRows back;
    QVERIFY(LoadSettingsFile(path, back));
    QCOMPARE(back.EditOutfile, r.EditOutfile);
  }

  void locationPrefersTheProgramFolder() {
    TemporaryDir d;
    const QByteArray dir = QFile::encodeName(d.path()) + '/';
    QVERIFY(SettingsLocation::IsFolderWritable(dir));
    QCOMPARE(SettingsLocation::ChoosePath(dir), dir + "Packhelmconfig.cfg");
    QCOMPARE(QDir(d.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{});  // the probe leaves nothing behind
  }

  void locationFallsBackToTheUserFolder_data() {
    QTest::addColumn<bool>("injected");
    QTest::newRow("parent is a file") << false;
    QTest::newRow("check says no") << true;
  }
  void locationFallsBackToTheUserFolder() {
    QFETCH(bool, injected);
    TemporaryDir d;
    QByteArray dir = QFile::encodeName(d.path()) + '/';
    QByteArray path;
    if (injected) {
      path = SettingsLocation::ChoosePath(dir, [](const QByteArray&) { return false; });
    } else {
      QVERIFY(writeFileBytes(dir + "plainfile", "x"));
      dir += "plainfile/program/";
      QVERIFY(!SettingsLocation::IsFolderWritable(dir));
      path = SettingsLocation::ChoosePath(dir);
    }
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QVERIFY(!user.isEmpty());
    QCOMPARE(path, QFile::encodeName(user) + "/Packhelmconfig.cfg");
    QVERIFY(QFileInfo(user).isDir());
    // The chosen place really takes a settings file.
    SettingsRows r;
    r.LangName = "English";
    QVERIFY(SaveSettingsFile(path, r));
    SettingsRows back;
    QVERIFY(LoadSettingsFile(path, back));
    QCOMPARE(back.LangName, r.LangName);
    QFile::remove(QFile::decodeName(path));
  }

  // Folders made below a temporary root: "bin/" is the program folder in every row.
  void installLayout_data() {
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("installed");
    QTest::newRow("portable: languages beside the program")
        << QStringList{"bin"} << QStringList{"bin/English.lng"} << false;
    QTest::newRow("portable: no languages anywhere")
        << QStringList{"bin"} << QStringList{} << false;
    QTest::newRow("installed: shared folder with languages")
        << QStringList{"bin", "share/packhelm/lang"} << QStringList{"share/packhelm/lang/x.lng"}
        << true;
    QTest::newRow("installed: empty shared folder")
        << QStringList{"bin", "share/packhelm/lang"} << QStringList{} << true;
    QTest::newRow("installed wins over files beside the program")
        << QStringList{"bin", "share/packhelm/lang"} << QStringList{"bin/English.lng"} << true;
    QTest::newRow("a plain file where the shared folder would be")
        << QStringList{"bin", "share/packhelm"} << QStringList{"share/packhelm/lang"} << false;
    QTest::newRow("another program's shared folder")
        << QStringList{"bin", "share/other/lang"} << QStringList{} << false;
  }
  void installLayout() {
    QFETCH(QStringList, folders);
    QFETCH(QStringList, files);
    QFETCH(bool, installed);
    TemporaryDir d;
    // Below a folder whose name is not UTF-8, which the layout must take byte for byte.
    const QByteArray root = QFile::encodeName(d.path()) + "/lay\xff\xfe out/";
    for (const QString& f : folders) QVERIFY(MakeFoldersRaw(root + f.toUtf8()));
    for (const QString& f : files) QVERIFY(writeFileRaw(root + f.toUtf8(), "CFGDATA\r\n"));
    const QByteArray program = root + "bin/";
    QCOMPARE(InstallLayout::IsInstalledCopy(program), installed);
    QCOMPARE(InstallLayout::LanguageFolder(program),
             installed ? root + "share/packhelm/lang/" : program);
    // An installed copy keeps its settings in the user's folder though its bin folder can be
    // written (as it can by root); a portable one keeps them beside the program.
    QVERIFY(SettingsLocation::IsFolderWritable(program));
    const QByteArray user =
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    QCOMPARE(SettingsLocation::ChoosePath(program),
             (installed ? user + '/' : program) + "Packhelmconfig.cfg");
  }

  void packerLocationOrder_data() {
    QTest::addColumn<bool>("own");
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<bool>("onPath");
    QTest::addColumn<bool>("bundled");
    QTest::addColumn<QString>("expected");
    QTest::newRow("own folder wins") << true << true << true << true << QStringLiteral("own");
    QTest::newRow("then the chosen file")
        << false << true << true << true << QStringLiteral("chosen");
    QTest::newRow("then the search path")
        << false << false << true << true << QStringLiteral("path");
    QTest::newRow("then the package's own")
        << false << false << false << true << QStringLiteral("bundled");
    QTest::newRow("nowhere") << false << false << false << false << QString();
  }
  void packerLocationOrder() {
    QFETCH(bool, own);
    QFETCH(bool, chosen);
    QFETCH(bool, onPath);
    QFETCH(bool, bundled);
    QFETCH(QString, expected);
    TemporaryDir d;
    // The program's folder has a name that is not UTF-8: its own packer is found all the same.
    // It is laid out as an installed copy's bin folder.
    const QByteArray prog = QFile::encodeName(d.path()) + "/pr\xffog/bin/";
    QVERIFY(MakeFoldersRaw(prog + "upx"));
    QVERIFY(MakeFoldersRaw(prog + "../libexec/packhelm"));
    QVERIFY(MakeFoldersRaw(QFile::encodeName(d.path()) + "/bin"));
    const auto makeExe = [](const QByteArray& p) { QVERIFY(writeFileRaw(p, "#!/bin/true\n")); };
    const QByteArray ownPath = prog + "upx/upx";
    const QByteArray chosenPath = QFile::encodeName(d.path()) + "/my packer";
    const QByteArray pathPath = QFile::encodeName(d.path()) + "/bin/upx";
    const QByteArray bundledPath = QFile::encodeName(d.path()) + "/pr\xffog/libexec/packhelm/upx";
    if (bundled) makeExe(bundledPath);
    if (own) makeExe(ownPath);
    if (chosen) makeExe(chosenPath);
    if (onPath) makeExe(pathPath);
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(d.path()) + "/bin");
    const QByteArray found = PackerLocator::Locate(prog, chosenPath);
    qputenv("PATH", savedPath);
    const QMap<QString, QByteArray> names{{QStringLiteral("own"), ownPath},
                                          {QStringLiteral("chosen"), chosenPath},
                                          {QStringLiteral("path"), pathPath},
                                          {QStringLiteral("bundled"), bundledPath}};
    QCOMPARE(found, names.value(expected));
  }

  void packerFolderIsNotAPacker() {
    TemporaryDir d;
    const QByteArray prog = QFile::encodeName(d.path()) + '/';
    QVERIFY(QDir(d.path()).mkpath(QStringLiteral("upx/upx")));  // a folder named like the packer
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", prog + "nonexistent");
    const QByteArray found = PackerLocator::Locate(prog, prog + "upx");
    qputenv("PATH", savedPath);
    QCOMPARE(found, QByteArray());
  }

  // A stored name holding NUL names nothing: the system call would cut it short at the NUL and
  // find the file or folder before it.
  void namesHoldingNulNameNothing() {
    TemporaryDir d;
    const QByteArray prog = QFile::encodeName(d.path()) + '/';
    QVERIFY(writeFileRaw(prog + "upx", "#!/bin/true\n"));
    QVERIFY(MakeFoldersRaw(prog + "a"));
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", prog + "nonexistent");
    const QByteArray found = PackerLocator::Locate(prog + "x/", prog + "upx" + '\0' + "/other");
    qputenv("PATH", savedPath);
    QCOMPARE(found, QByteArray());
    // Its shared folder would be <prog>/a\0b/share/packhelm/lang/, cut short to the folder a.
    QVERIFY(!InstallLayout::IsInstalledCopy(prog + "a" + '\0' + "b/bin/"));
  }

  void shortLocation_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain") << QByteArray("/opt/upx/upx") << QByteArray("/opt/upx/upx");
    QTest::newRow("blank") << QByteArray("/opt/my upx/upx") << QByteArray("\"/opt/my upx/upx\"");
    QTest::newRow("quote") << QByteArray("/opt/a\"b/upx") << QByteArray("\"/opt/a\"\"b/upx\"");
    QTest::newRow("tab only") << QByteArray("/opt/a\tb/upx") << QByteArray("/opt/a\tb/upx");
  }
  void shortLocation() {
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, expected);
    QCOMPARE(PackerLocator::ShortLocation(path), expected);
  }

  void argumentsMadeAbsolute_data() {
    QTest::addColumn<QByteArray>("arg");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("relative") << QByteArray("a.exe") << QByteArray("/start/dir/a.exe");
    QTest::newRow("dot slash") << QByteArray("./sub/a.exe") << QByteArray("/start/dir/sub/a.exe");
    QTest::newRow("dot dot kept") << QByteArray("../a.exe") << QByteArray("/start/dir/../a.exe");
    QTest::newRow("absolute") << QByteArray("/x/y.exe") << QByteArray("/x/y.exe");
    QTest::newRow("double slash") << QByteArray("/x//y.exe") << QByteArray("/x/y.exe");
    QTest::newRow("blank and quote")
        << QByteArray("my \"b\".exe") << QByteArray("/start/dir/my \"b\".exe");
    QTest::newRow("not UTF-8") << QByteArray("\xff\xfe.exe")
                               << QByteArray("/start/dir/\xff\xfe.exe");
    QTest::newRow("empty stays empty") << QByteArray() << QByteArray();
  }
  void argumentsMadeAbsolute() {
    QFETCH(QByteArray, arg);
    QFETCH(QByteArray, expected);
    QCOMPARE(ProgramArguments::MakeAbsolute({arg}, "/start/dir"), QList<QByteArray>{expected});
  }

  // The real thing: names from argv against the directory current at the time, which stays
  // right after the directory changes.
  void argvTakenAgainstTheStartDirectory() {
    TemporaryDir d;
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(d.path()));
    QVERIFY(writeFileBytes("here.exe", "x"));
    const QList<QByteArray> abs = ProgramArguments::FromArguments({"here.exe", "sub/there.exe"});
    QVERIFY(QDir::setCurrent(saved));
    const QByteArray base = QFile::encodeName(QFileInfo(d.path()).canonicalFilePath());
    QCOMPARE(abs, (QList<QByteArray>{base + "/here.exe", base + "/sub/there.exe"}));
    QVERIFY(QFileInfo::exists(QFile::decodeName(abs[0])));
  }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
