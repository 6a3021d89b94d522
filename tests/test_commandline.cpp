// SPDX-License-Identifier: GPL-3.0-or-later
// Packer command lines: the builders, the splitter, and what the packer finally receives.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>
#include <algorithm>

#include "core/packer/CommandLine.h"
#include "core/packer/PackerVersion.h"
#include "core/settings/ProgramCommands.h"
#include "core/settings/ProgramState.h"
#include "support/TestProgramDir.h"

extern char** environ;

Q_DECLARE_METATYPE(PackOptions)
Q_DECLARE_METATYPE(CommandLine::InfoCommand)

using namespace CommandLine;

namespace {

const QByteArray kPacker = "/opt/tools/upx/upx";
const QByteArray kMyTool = "/home/u/Apps/My Tool.exe";

// The capabilities of a packer of the given major version (-1: unknown).
PackerCapabilities packerOf(int major) {
  return major < 0 ? PackerCapabilities()
                   : PackerCapabilities::ForVersion(QByteArray::number(major) + ".0.0");
}

// Every option that reaches the pack command line, switched on.
PackOptions everything() {
  PackOptions o;
  o.CompressValueBar = 1;
  o.Compress1CheckBox = true;
  o.CompressValueBar1 = 500000;
  o.CheckBoxTryMulti = true;
  o.RadioButton_nrv2b = false;
  o.RadioButton_nrv2d = true;
  o.BackupBox = true;
  o.OverlayGroup = 2;
  o.OptBoxDOS1 = true;
  o.OptBoxDOS2 = true;
  o.ExportsGroup = 0;
  o.IconsGroup = 1;
  o.ResourcesBox = true;
  o.CheckBoxForce = true;
  o.RelocationsGroup = 0;
  o.CheckBoxCoff = true;
  o.CheckBoxLe = true;
  return o;
}

ProgramState stateFor(const QByteArray& upxLocation, const QList<QByteArray>& files) {
  ProgramState s;
  s.UpxLocation = upxLocation;
  s.UpxShortLocation = QuoteIfNeeded(upxLocation);
  s.FileList = files;
  return s;
}

// The awkward names every builder must carry through the splitter unchanged.
QList<QByteArray> awkwardNames() {
  return {"/home/u/My Tool.exe",
          "/home/u/say \"hi\".exe",
          "\"",
          "/home/u/tab\tname",
          "/home/u/back\\slash\\",
          "C:\\dir with blank\\",
          "/home/u/\xc3\x84rger \xe2\x82\xac.so",
          "/home/u/bad\xff\xfe bytes",
          "-leading-dash",
          "/home/u/" + QByteArray(292, 'n'),
          "",
          " blank at both ends ",
          "/home/u/many   blanks",
          "/home/u/\"\"quoted\"\""};
}

// The lines of an argument log, which is removed so that the next run starts a new one.
QList<QByteArray> takeLog(const QByteArray& logPath) {
  QFile f(QFile::decodeName(logPath));
  if (!f.open(QIODevice::ReadOnly)) return {};
  QList<QByteArray> lines = f.readAll().split('\n');
  f.close();
  f.remove();
  return lines;
}

// Copies the stand-in into the folder, made here, as "upx"; returns its path, or empty when any
// step fails.
QByteArray standinIn(const QByteArray& folder) {
  const QByteArray packer = folder + "/upx";
  return PlaceStandin(packer) ? packer : QByteArray();
}

// Logs the arguments of one stand-in run started from split arguments, through QProcess.
QList<QByteArray> loggedArguments(const QList<QByteArray>& args, const QByteArray& logPath) {
  QProcess p;
  p.setWorkingDirectory(QFileInfo(QFile::decodeName(logPath)).path());
  p.setProgram(QFile::decodeName(args.first()));
  QStringList list;
  for (qsizetype i = 1; i < args.size(); ++i) list << QFile::decodeName(args[i]);
  p.setArguments(list);
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  e.insert("PACKHELM_STANDIN_ARGLOG", QFile::decodeName(logPath));
  p.setProcessEnvironment(e);
  p.start();
  if (!p.waitForFinished(30000)) return {};
  return takeLog(logPath);
}

// The same, started with posix_spawn, for arguments that are not valid UTF-8 and so cannot pass
// through QString.
QList<QByteArray> loggedArgumentsRaw(const QList<QByteArray>& args, const QByteArray& logPath) {
  QList<QByteArray> copies = args;
  std::vector<char*> argv;
  for (QByteArray& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  QList<QByteArray> envCopies;
  for (char** e = environ; *e; ++e) envCopies << QByteArray(*e);
  envCopies << "PACKHELM_STANDIN_ARGLOG=" + logPath;
  std::vector<char*> envp;
  for (QByteArray& e : envCopies) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  int status = 0;
  if (rc != 0 || ::waitpid(pid, &status, 0) != pid) return {};
  return takeLog(logPath);
}

}  // namespace

class TestCommandLine : public QObject {
  Q_OBJECT
 private slots:
  void workedExamples_data() {
    QTest::addColumn<PackOptions>("options");
    QTest::addColumn<QList<QByteArray>>("files");
    QTest::addColumn<QByteArray>("packer");
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("unpack");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("defaults") << PackOptions() << QList<QByteArray>{"/home/u/Apps/tool"} << kPacker
                              << -1 << false << kPacker + " -7 /home/u/Apps/tool";
    {
      PackOptions o;
      o.CompressValueBar = 1;
      o.BackupBox = true;
      o.IconsGroup = 0;
      o.CheckBoxForce = true;
      o.OutFileBox = true;
      o.EditFileName = kMyTool;
      o.EditOutFile = "/home/u/Out/tool.exe";
      QTest::newRow("best, backup, icons, force, output")
          << o << QList<QByteArray>{kMyTool} << kPacker << -1 << false
          << kPacker + " --best -k --compress-icons=0 --force -o\"/home/u/Out/tool.exe\" \"" +
                 kMyTool + '"';
    }
    PackOptions crp;
    crp.Compress1CheckBox = true;
    crp.CompressValueBar1 = 999999;
    crp.CheckBoxTryMulti = true;
    crp.RadioButton_nrv2b = false;
    crp.RadioButton_nrv2d = true;
    crp.CompressValueBar = 2;
    const QList<QByteArray> two{"/home/u/a", "/home/u/b c.so"};
    // An unknown version gets the spelling of current packers; the spelling by version is
    // capabilitiesByVersion's.
    QTest::newRow("crp, nrv2d, level 9, two files")
        << crp << two << kPacker << -1 << false
        << kPacker + " -9 --crp-ucl-ms=10000 --nrv2d /home/u/a \"/home/u/b c.so\"";
    QTest::newRow("same for packer 3")
        << crp << two << kPacker << 3 << false
        << kPacker + " -9 --crp-ms=10000 --nrv2d /home/u/a \"/home/u/b c.so\"";
    PackOptions backup;
    backup.BackupBox = true;
    QTest::newRow("unpack with backup") << backup << QList<QByteArray>{kMyTool} << kPacker << -1
                                        << true << kPacker + " -d -k \"" + kMyTool + '"';
    const QByteArray blankPacker = "\"/opt/my tools/upx\"";
    QTest::newRow("packer with blank")
        << PackOptions() << QList<QByteArray>{"/home/u/a"} << blankPacker << -1 << false
        << blankPacker + " -7 /home/u/a";

    // Edge cases.
    PackOptions o;
    o.CompressValueBar = 1;
    QTest::newRow("level position 1")
        << o << QList<QByteArray>{"/a"} << kPacker << -1 << false << kPacker + " --best /a";
    o.CompressValueBar = 10;
    QTest::newRow("level position 10")
        << o << QList<QByteArray>{"/a"} << kPacker << -1 << false << kPacker + " -1 /a";
    o = PackOptions();
    o.Compress1CheckBox = true;
    o.CompressValueBar1 = 10000;
    QTest::newRow("crp position 10000") << o << QList<QByteArray>{"/a"} << kPacker << -1 << false
                                        << kPacker + " -7 --crp-ucl-ms=999999 /a";
    o.CompressValueBar1 = 999999;
    QTest::newRow("crp position 999999") << o << QList<QByteArray>{"/a"} << kPacker << -1 << false
                                         << kPacker + " -7 --crp-ucl-ms=10000 /a";
    o.CompressValueBar1 = 5;
    QTest::newRow("crp position below range") << o << QList<QByteArray>{"/a"} << kPacker << -1
                                              << false << kPacker + " -7 --crp-ucl-ms=999999 /a";
    o.CompressValueBar1 = 2000000;
    QTest::newRow("crp position above range") << o << QList<QByteArray>{"/a"} << kPacker << -1
                                              << false << kPacker + " -7 --crp-ucl-ms=10000 /a";
    o = PackOptions();
    o.CompressValueBar1 = 10000;  // ignored while the box is unticked
    QTest::newRow("crp box unticked")
        << o << QList<QByteArray>{"/a"} << kPacker << -1 << false << kPacker + " -7 /a";
    o = PackOptions();
    o.CheckBoxTryMulti = true;
    o.RadioButton_nrv2b = false;
    o.RadioButton_nrv2d = false;
    QTest::newRow("try multi, neither radio")
        << o << QList<QByteArray>{"/a"} << kPacker << -1 << false << kPacker + " -7 /a";
    o.RadioButton_nrv2b = true;
    o.RadioButton_nrv2d = true;
    QTest::newRow("try multi, both radios")
        << o << QList<QByteArray>{"/a"} << kPacker << -1 << false << kPacker + " -7 --nrv2b /a";
    o.CheckBoxTryMulti = false;
    QTest::newRow("multi unticked")
        << o << QList<QByteArray>{"/a"} << kPacker << -1 << false << kPacker + " -7 /a";
    o = PackOptions();
    o.OutFileBox = true;
    o.EditFileName = "/home/u/a.exe";
    o.EditOutFile = "/home/u/a.exe";
    QTest::newRow("output equal") << o << QList<QByteArray>{"/home/u/a.exe"} << kPacker << -1
                                  << false << kPacker + " -7 /home/u/a.exe";
    QTest::newRow("unpack output equal") << o << QList<QByteArray>{"/home/u/a.exe"} << kPacker << -1
                                         << true << kPacker + " -d /home/u/a.exe";
    o.EditOutFile = "/home/u/A.exe";
    QTest::newRow("output case differs")
        << o << QList<QByteArray>{"/home/u/a.exe"} << kPacker << -1 << false
        << kPacker + " -7 -o\"/home/u/A.exe\" /home/u/a.exe";
    QTest::newRow("unpack output case differs")
        << o << QList<QByteArray>{"/home/u/a.exe"} << kPacker << -1 << true
        << kPacker + " -d -o\"/home/u/A.exe\" /home/u/a.exe";
    o.EditOutFile = "/home/u/out \"x\".exe";
    QTest::newRow("output with quotes")
        << o << QList<QByteArray>{"/home/u/a.exe"} << kPacker << -1 << false
        << kPacker + " -7 -o\"/home/u/out \"\"x\"\".exe\" /home/u/a.exe";
    o.EditOutFile = "";
    QTest::newRow("output name empty") << o << QList<QByteArray>{"/home/u/a.exe"} << kPacker << -1
                                       << false << kPacker + " -7 /home/u/a.exe";
    o.OutFileBox = false;
    o.EditOutFile = "/home/u/b.exe";
    QTest::newRow("output unticked") << o << QList<QByteArray>{"/home/u/a.exe"} << kPacker << -1
                                     << false << kPacker + " -7 /home/u/a.exe";
    QTest::newRow("tab only, not quoted") << PackOptions() << QList<QByteArray>{"/home/u/a\tb"}
                                          << kPacker << -1 << false << kPacker + " -7 /home/u/a\tb";
    QTest::newRow("quote in name") << PackOptions() << QList<QByteArray>{"/home/u/a\"b"} << kPacker
                                   << -1 << false << kPacker + " -7 \"/home/u/a\"\"b\"";
    QTest::newRow("empty file list")
        << PackOptions() << QList<QByteArray>{} << kPacker << -1 << false << kPacker + " -7";
    QTest::newRow("unpack empty file list")
        << PackOptions() << QList<QByteArray>{} << kPacker << -1 << true << kPacker + " -d";
    QTest::newRow("leading dash") << PackOptions() << QList<QByteArray>{"/a", "-d"} << kPacker << -1
                                  << false << kPacker + " -7 -- /a -d";
    QTest::newRow("everything")
        << everything() << QList<QByteArray>{"/a"} << kPacker << -1 << false
        << kPacker +
               " --best --crp-ucl-ms=509999 --nrv2d -k --overlay=skip --8086 --no-reloc"
               " --compress-exports=0 --compress-icons=1 --compress-resources=0 --force"
               " --strip-relocs=0 --coff --le /a";
    QTest::newRow("unpack ignores pack switches") << everything() << QList<QByteArray>{"/a"}
                                                  << kPacker << -1 << true << kPacker + " -d -k /a";
    PackOptions overlay;
    overlay.OverlayGroup = 1;
    overlay.IconsGroup = 0;
    overlay.ExportsGroup = 1;
    overlay.RelocationsGroup = 1;
    QTest::newRow("overlay strip, icons 0")
        << overlay << QList<QByteArray>{"/a"} << kPacker << -1 << false
        << kPacker + " -7 --overlay=strip --compress-icons=0 /a";
    overlay.OverlayGroup = -1;
    overlay.IconsGroup = -1;
    overlay.ExportsGroup = -1;
    overlay.RelocationsGroup = -1;
    QTest::newRow("radio groups with nothing selected")
        << overlay << QList<QByteArray>{"/a"} << kPacker << -1 << false << kPacker + " -7 /a";
  }
  void workedExamples() {
    QFETCH(PackOptions, options);
    QFETCH(QList<QByteArray>, files);
    QFETCH(QByteArray, packer);
    QFETCH(int, version);
    QFETCH(bool, unpack);
    QFETCH(QByteArray, expected);
    const QByteArray line = unpack ? GetCmdUnPack(options, files, packer)
                                   : GetCmdPack(options, files, packer, packerOf(version));
    QCOMPARE(line, expected);
  }

  void stateForms() {
    // The convenience forms take the files, the packer and its version from the program state.
    ProgramState s = stateFor("/opt/my tools/upx", {kMyTool});
    s.Packer = PackerCapabilities::ForVersion("4.2.4");
    PackOptions o;
    o.Compress1CheckBox = true;
    QCOMPARE(GetCmdPack(o, s), "\"/opt/my tools/upx\" -7 --crp-ucl-ms=10000 \"" + kMyTool + '"');
    QCOMPARE(GetCmdUnPack(o, s), "\"/opt/my tools/upx\" -d \"" + kMyTool + '"');
    s = stateFor(kPacker, {"/a"});
    QCOMPARE(GetCmdPack(o, s), kPacker + " -7 --crp-ucl-ms=10000 /a");  // version unknown
  }

  // One packer version a row: what its version output makes of the capabilities, and the
  // arguments the same options then give.
  void capabilitiesByVersion_data() {
    QTest::addColumn<QByteArray>("versionOutput");
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<int>("major");
    QTest::addColumn<QList<QByteArray>>("arguments");
    using L = QList<QByteArray>;
    const L old{kPacker, "-7", "--crp-ms=123456", "--nrv2d", "/a"};
    const L current{kPacker, "-7", "--crp-ucl-ms=123456", "--nrv2d", "/a"};
    QTest::newRow("unknown") << QByteArray("gzip 1.12\n") << QByteArray() << -1 << current;
    QTest::newRow("0.1") << QByteArray("upx 0.1\n") << QByteArray("0.1") << 0 << old;
    QTest::newRow("3.96") << QByteArray("upx 3.96\nUCL data compression library 1.03\n")
                          << QByteArray("3.96") << 3 << old;
    QTest::newRow("4.0.0") << QByteArray("upx 4.0.0\n") << QByteArray("4.0.0") << 4 << current;
    QTest::newRow("4.2.4") << QByteArray("upx 4.2.4\r\n") << QByteArray("4.2.4") << 4 << current;
    QTest::newRow("5.0.0-git") << QByteArray("upx 5.0.0-git-abc (extra)\n")
                               << QByteArray("5.0.0-git-abc") << 5 << current;
  }
  void capabilitiesByVersion() {
    QFETCH(QByteArray, versionOutput);
    QFETCH(QByteArray, version);
    QFETCH(int, major);
    QFETCH(QList<QByteArray>, arguments);
    const PackerCapabilities caps =
        PackerCapabilities::ForVersion(PackerVersion::ParseVersion(versionOutput));
    QCOMPARE(caps.version, version);
    QCOMPARE(caps.major, major);
    PackOptions o;
    o.Compress1CheckBox = true;
    o.CompressValueBar1 = 1009999 - 123456;
    o.CheckBoxTryMulti = true;
    o.RadioButton_nrv2b = false;
    o.RadioButton_nrv2d = true;
    QCOMPARE(SplitCommandLine(GetCmdPack(o, {"/a"}, kPacker, caps)), arguments);
  }

  void infoCommands_data() {
    QTest::addColumn<CommandLine::InfoCommand>("which");
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<QList<QByteArray>>("files");
    QTest::addColumn<QByteArray>("expected");
    using IC = CommandLine::InfoCommand;
    const QList<QByteArray> files{"/home/u/a.exe", "/home/u/b c.exe"};
    const QByteArray quoted = "\"/home/u/a.exe\" \"/home/u/b c.exe\"";
    QTest::newRow("version") << IC::Version << kPacker << files << kPacker + " --version";
    QTest::newRow("help") << IC::Help << kPacker << files << kPacker + " --help";
    QTest::newRow("-L") << IC::ListFormats << kPacker << files << kPacker + " -L";
    QTest::newRow("test") << IC::Test << kPacker << files << kPacker + " -t " + quoted;
    QTest::newRow("list") << IC::List << kPacker << files << kPacker + " -l " + quoted;
    QTest::newRow("test, no files")
        << IC::Test << kPacker << QList<QByteArray>{} << kPacker + " -t";
    QTest::newRow("test, leading dash")
        << IC::Test << kPacker << QList<QByteArray>{"-k"} << kPacker + " -t -- \"-k\"";
    QTest::newRow("list, quote in name")
        << IC::List << kPacker << QList<QByteArray>{"/a\"b"} << kPacker + " -l \"/a\"\"b\"";
    const QByteArray blank = "/opt/my tools/upx";
    QTest::newRow("packer with blank")
        << IC::Test << blank << QList<QByteArray>{"/a"} << "\"" + blank + "\" -t \"/a\"";
  }
  void infoCommands() {
    QFETCH(CommandLine::InfoCommand, which);
    QFETCH(QByteArray, location);
    QFETCH(QList<QByteArray>, files);
    QFETCH(QByteArray, expected);
    QCOMPARE(GetCmdInfo(which, stateFor(location, files)), expected);
  }

  void infoUsesShortLocation() {
    // The information commands name the packer by UpxShortLocation, whatever UpxLocation holds.
    ProgramState s = stateFor(kPacker, {"/a"});
    s.UpxShortLocation = "/short/upx";
    QCOMPARE(GetCmdInfo(InfoCommand::Version, s), QByteArray("/short/upx --version"));
    QCOMPARE(GetCmdInfo(InfoCommand::List, s), QByteArray("/short/upx -l \"/a\""));
  }

  void split_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QList<QByteArray>>("expected");
    using L = QList<QByteArray>;
    QTest::newRow("empty") << QByteArray() << L{};
    QTest::newRow("blanks only") << QByteArray("    ") << L{};
    QTest::newRow("runs of blanks") << QByteArray("  a   b    c  ") << L{"a", "b", "c"};
    QTest::newRow("tab is ordinary") << QByteArray("a\tb c") << L{"a\tb", "c"};
    QTest::newRow("quoted run") << QByteArray("\"a  b\" c") << L{"a  b", "c"};
    QTest::newRow("quoted run inside") << QByteArray("x\"a b\"y z") << L{"xa by", "z"};
    QTest::newRow("two quoted runs") << QByteArray("\"a b\"\" c\"") << L{"a b\" c"};
    QTest::newRow("doubled quotes") << QByteArray("\"say \"\"hi\"\"\"") << L{"say \"hi\""};
    QTest::newRow("doubled quote at end") << QByteArray("\"a\"\"\"") << L{"a\""};
    QTest::newRow("lone quote as name") << QByteArray("\"\"\"\"") << L{"\""};
    QTest::newRow("backslashes ordinary")
        << QByteArray("C:\\dir\\ \"a\\\" b\\\\") << L{"C:\\dir\\", "a\\", "b\\\\"};
    QTest::newRow("empty quoted argument") << QByteArray("a \"\" b") << L{"a", "", "b"};
    QTest::newRow("only empty quoted") << QByteArray("\"\"") << L{""};
    QTest::newRow("-o with quoted name")
        << QByteArray("upx -o\"/out dir/a b\" /in") << L{"upx", "-o/out dir/a b", "/in"};
    QTest::newRow("-o with doubled quote") << QByteArray("-o\"a\"\"b\"") << L{"-oa\"b"};
    QTest::newRow("unterminated quote") << QByteArray("a \"b c") << L{"a", "b c"};
    QTest::newRow("quote closing at end") << QByteArray("\"abc\"") << L{"abc"};
    QTest::newRow("utf-8 and bytes")
        << QByteArray("\xc3\xa4 \"\xff \xfe\"") << L{"\xc3\xa4", "\xff \xfe"};
  }
  void split() {
    QFETCH(QByteArray, line);
    QFETCH(QList<QByteArray>, expected);
    QCOMPARE(SplitCommandLine(line), expected);
  }

  void quoting_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("ifNeeded");
    QTest::addColumn<QByteArray>("always");
    QTest::newRow("plain") << QByteArray("/a") << QByteArray("/a") << QByteArray("\"/a\"");
    QTest::newRow("blank") << QByteArray("/a b") << QByteArray("\"/a b\"")
                           << QByteArray("\"/a b\"");
    QTest::newRow("quote") << QByteArray("a\"b") << QByteArray("\"a\"\"b\"")
                           << QByteArray("\"a\"\"b\"");
    QTest::newRow("tab") << QByteArray("a\tb") << QByteArray("a\tb") << QByteArray("\"a\tb\"");
    QTest::newRow("empty") << QByteArray() << QByteArray("\"\"") << QByteArray("\"\"");
  }
  void quoting() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, ifNeeded);
    QFETCH(QByteArray, always);
    QCOMPARE(QuoteIfNeeded(name), ifNeeded);
    QCOMPARE(Quote(name), always);
  }

  void roundTrip_data() {
    QTest::addColumn<QByteArray>("packer");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("output");
    const QList<QByteArray> names = awkwardNames();
    const QByteArray packers[] = {kPacker, "/opt/my tools/up\"x\" 4"};
    for (const QByteArray& packer : packers) {
      for (qsizetype i = 0; i < names.size(); ++i) {
        const QByteArray output = names[(i + 1) % names.size()];
        QTest::addRow("%s / name %d", packer == kPacker ? "plain packer" : "blank packer", int(i))
            << packer << names[i] << output;
      }
    }
  }
  void roundTrip() {
    QFETCH(QByteArray, packer);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, output);
    using L = QList<QByteArray>;
    const ProgramState s = stateFor(packer, {name});
    const QList<QByteArray> dash =
        name.startsWith('-') ? QList<QByteArray>{"--"} : QList<QByteArray>{};
    PackOptions o;
    QCOMPARE(SplitCommandLine(GetCmdPack(o, s)), (L{packer, "-7"} + dash + L{name}));
    QCOMPARE(SplitCommandLine(GetCmdUnPack(o, s)), (L{packer, "-d"} + dash + L{name}));
    QCOMPARE(SplitCommandLine(GetCmdInfo(InfoCommand::Test, s)),
             (L{packer, "-t"} + dash + L{name}));
    QCOMPARE(SplitCommandLine(GetCmdInfo(InfoCommand::List, s)),
             (L{packer, "-l"} + dash + L{name}));
    o.OutFileBox = true;
    o.EditFileName = name;
    o.EditOutFile = output;
    const QList<QByteArray> outPiece =
        output.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{"-o" + output};
    QCOMPARE(SplitCommandLine(GetCmdPack(o, s)), (L{packer, "-7"} + outPiece + dash + L{name}));
    QCOMPARE(SplitCommandLine(GetCmdUnPack(o, s)), (L{packer, "-d"} + outPiece + dash + L{name}));
  }

  void roundTripAllNamesAtOnce() {
    const QList<QByteArray> names = awkwardNames();
    const ProgramState s = stateFor("/opt/my tools/upx", names);
    const QList<QByteArray> args = SplitCommandLine(GetCmdPack(PackOptions(), s));
    QCOMPARE(args, QList<QByteArray>({"/opt/my tools/upx", "-7", "--"}) + names);
  }

  // What the packer receives when the split arguments are started, as its argument log shows.
  void endToEnd_data() {
    QTest::addColumn<bool>("unpack");
    QTest::newRow("pack") << false;
    QTest::newRow("unpack") << true;
  }
  void endToEnd() {
    QFETCH(bool, unpack);
    TemporaryDir dir;
    // The stand-in under a path with a blank, as the packer of the command line.
    const QByteArray folder = QFile::encodeName(dir.path()) + "/my tools";
    const QByteArray packer = standinIn(folder);
    QVERIFY(!packer.isEmpty());
    const QByteArray log = QFile::encodeName(dir.path()) + "/args.log";

    const QList<QByteArray> names = awkwardNames();
    for (qsizetype i = 0; i < names.size(); ++i) {
      const QByteArray& name = names[i];
      const QByteArray output = names[(i + 1) % names.size()];
      PackOptions o;
      o.BackupBox = true;
      o.OutFileBox = true;
      o.EditFileName = name;
      o.EditOutFile = output;
      const ProgramState s = stateFor(packer, {name});
      const QByteArray line = unpack ? GetCmdUnPack(o, s) : GetCmdPack(o, s);
      const QList<QByteArray> args = SplitCommandLine(line);
      QCOMPARE(args.first(), packer);
      QList<QByteArray> expected = args.mid(1);
      QCOMPARE(expected.last(), name);
      if (!output.isEmpty()) QVERIFY(expected.contains("-o" + output));
      expected << "--END--"
               << "";
      const QList<QByteArray> logged = std::all_of(args.begin(), args.end(), IsValidUtf8)
                                           ? loggedArguments(args, log)
                                           : loggedArgumentsRaw(args, log);
      QCOMPARE(logged, expected);
    }
  }

  void parseMajor_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("expected");
    QTest::newRow("4.2.4") << QByteArray("upx 4.2.4\nUCL 1.03\n") << 4;
    QTest::newRow("3.96") << QByteArray("upx 3.96\n") << 3;
    QTest::newRow("no newline") << QByteArray("upx 10.0.1") << 10;
    QTest::newRow("suffix") << QByteArray("upx 5.0.0-git-abc\n") << 5;
    QTest::newRow("carriage return") << QByteArray("upx 4.0.0\r\n") << 4;
    QTest::newRow("major only") << QByteArray("upx 4\n") << 4;
    QTest::newRow("empty") << QByteArray() << -1;
    QTest::newRow("other program") << QByteArray("gzip 1.12\n") << -1;
    QTest::newRow("no number") << QByteArray("upx version\n") << -1;
    QTest::newRow("not first line") << QByteArray("hello\nupx 4.2.4\n") << -1;
    QTest::newRow("letters after") << QByteArray("upx 4x\n") << -1;
    QTest::newRow("huge") << QByteArray("upx 99999999999.1\n") << -1;
  }
  void parseMajor() {
    QFETCH(QByteArray, output);
    QFETCH(int, expected);
    QCOMPARE(PackerVersion::ParseMajor(output), expected);
  }

  void askedVersion_data() {
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("default") << QByteArray() << QByteArray() << 4;
    QTest::newRow("3.96") << QByteArray("PACKHELM_STANDIN_VERSION") << QByteArray("3.96") << 3;
    QTest::newRow("4.2.4") << QByteArray("PACKHELM_STANDIN_VERSION") << QByteArray("4.2.4") << 4;
    QTest::newRow("unparsable") << QByteArray("PACKHELM_STANDIN_VERSION") << QByteArray("x.y")
                                << -1;
    QTest::newRow("silent") << QByteArray("PACKHELM_STANDIN_EXIT") << QByteArray("0") << -1;
    QTest::newRow("killed by a signal")
        << QByteArray("PACKHELM_STANDIN_SIGNAL") << QByteArray("9") << -1;
    // Only the first 64 KiB of the answer are read.
    QTest::newRow("version ending at 64 KiB") << QByteArray("PACKHELM_STANDIN_VERSION_LINE")
                                              << "upx " + QByteArray(65528, ' ') + "3.96" << 3;
    QTest::newRow("version beyond 64 KiB") << QByteArray("PACKHELM_STANDIN_VERSION_LINE")
                                           << "upx " + QByteArray(65532, ' ') + "3.96" << -1;
  }
  void askedVersion() {
    QFETCH(QByteArray, variable);
    QFETCH(QByteArray, value);
    QFETCH(int, expected);
    if (!variable.isEmpty()) qputenv(variable.constData(), value);
    const int major = AskPackerVersion(standinPath()).major;
    if (!variable.isEmpty()) qunsetenv(variable.constData());
    QCOMPARE(major, expected);
  }

  // The packer's path reaches the question byte for byte, a name that is not UTF-8 included.
  void askedVersionAwkwardFolder_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("script");
    QTest::newRow("blanks and quotes") << QByteArray("a \"b\" c") << false;
    QTest::newRow("not UTF-8") << QByteArray("caf\xe9 \xff\xfe") << false;
    QTest::newRow("not UTF-8, a script") << QByteArray("caf\xe9 \xff\xfe") << true;
    QTest::newRow("escape sequence and line feed") << QByteArray("\x1b[31mred\nline") << false;
  }
  void askedVersionAwkwardFolder() {
    QFETCH(QByteArray, name);
    QFETCH(bool, script);
    TemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + '/' + name;
    QByteArray packer = standinIn(folder);
    // A wrapper script that hands over to the packer: its interpreter opens it by name.
    if (script) {
      packer = folder + "/wrapper";
      QVERIFY(writeFileRaw(packer, "#!/bin/sh\nexec '" + standinPath() + "' \"$@\"\n"));
    }
    QVERIFY(!packer.isEmpty());
    qputenv("PACKHELM_STANDIN_VERSION", "3.94");
    const int major = AskPackerVersion(packer).major;
    qunsetenv("PACKHELM_STANDIN_VERSION");
    QCOMPARE(major, 3);
  }

  void askedVersionMissing_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("missing") << QByteArray("/nonexistent/packhelm/upx");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("folder") << QByteArray("/tmp");
    QTest::newRow("not executable") << QByteArray("@plain file");
    // A packer at the path that a QString would make of the name: never started instead.
    QTest::newRow("not UTF-8, with a twin at its lossy name") << QByteArray("@twin");
  }
  void askedVersionMissing() {
    QFETCH(QByteArray, path);
    TemporaryDir dir;
    if (path == "@twin") {
      path = QFile::encodeName(dir.path()) + "/x\xff/upx";
      QVERIFY(PlaceStandin(QFile::encodeName(dir.path()) + "/x\xef\xbf\xbd/upx"));
    } else if (path.startsWith('@')) {
      path = QFile::encodeName(dir.filePath("upx"));
      QFile f(QFile::decodeName(path));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("upx 4.2.4\n");
    }
    QCOMPARE(AskPackerVersion(path).major, -1);
  }

  void askedVersionTimeout() {
    qputenv("PACKHELM_STANDIN_SLEEP_MS", "20000");
    QElapsedTimer t;
    t.start();
    const int major = AskPackerVersion(standinPath(), 300).major;
    const qint64 elapsed = t.elapsed();
    qunsetenv("PACKHELM_STANDIN_SLEEP_MS");
    QCOMPARE(major, -1);
    QVERIFY2(elapsed < 10000, QByteArray::number(elapsed).constData());  // killed, not awaited
  }

  // A packer that prints 100 MB on --version: at most the first 64 KiB are read and kept, the
  // packer is stopped, and memory does not grow with its output.
  void askedVersionReadsAtMost64KiB() {
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    qputenv("PACKHELM_STANDIN_OUTPUT_BYTES", "100000000");
    QElapsedTimer t;
    t.start();
    const int major = AskPackerVersion(standinPath(), 20000).major;
    const qint64 elapsed = t.elapsed();
    qunsetenv("PACKHELM_STANDIN_OUTPUT_BYTES");
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    QCOMPARE(major, -1);  // the first line is no version line
    QVERIFY2(elapsed < 10000, QByteArray::number(elapsed).constData());
    // ru_maxrss is in KiB; the whole output would be 100 MB.
    QVERIFY2(after.ru_maxrss - before.ru_maxrss < 20 * 1024,
             QByteArray::number(qint64(after.ru_maxrss - before.ru_maxrss)).constData());
  }

  // Asked without waiting: start() returns while the packer still sleeps; the answer comes from
  // the event loop, or from result() when it is needed first.
  void askingDoesNotWait_data() {
    QTest::addColumn<bool>("fromEventLoop");
    QTest::newRow("answered in the event loop") << true;
    QTest::newRow("awaited by result()") << false;
  }
  void askingDoesNotWait() {
    QFETCH(bool, fromEventLoop);
    qputenv("PACKHELM_STANDIN_VERSION", "3.96");
    qputenv("PACKHELM_STANDIN_SLEEP_MS", "400");
    PackerVersion::Asking asking;
    QSignalSpy answered(&asking, &PackerVersion::Asking::answered);
    QElapsedTimer t;
    t.start();
    asking.start(standinPath(), 20000);
    const qint64 startMs = t.elapsed();
    qunsetenv("PACKHELM_STANDIN_VERSION");
    qunsetenv("PACKHELM_STANDIN_SLEEP_MS");
    QVERIFY2(startMs < 300, QByteArray::number(startMs).constData());
    QVERIFY(!asking.isAnswered());
    if (fromEventLoop) QVERIFY(answered.wait(10000));
    QCOMPARE(asking.result().major, 3);
    QCOMPARE(answered.size(), 1);
    QCOMPARE(answered.first().first().value<PackerCapabilities>().crpSwitch, " --crp-ms=");
  }

  void askedVersionStdinEmpty() {
    // A packer that reads its input must see the end of it at once, not wait for a keyboard.
    qputenv("PACKHELM_STANDIN_ECHO_INPUT", "1");
    QElapsedTimer t;
    t.start();
    const int major = AskPackerVersion(standinPath(), 20000).major;
    const qint64 elapsed = t.elapsed();
    qunsetenv("PACKHELM_STANDIN_ECHO_INPUT");
    QCOMPARE(major, -1);  // it printed nothing but ended
    QVERIFY(elapsed < 10000);
  }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
