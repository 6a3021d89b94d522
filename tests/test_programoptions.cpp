// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own command line: help, version, "--", refused options, Qt's options handed on,
// and file names kept byte for byte; then the built program asked in a terminal with no display.
#include <QtTest>

#include "PackhelmBuildConfig.h"
#include "core/startup/CommandLineOptions.h"
#include "support/InstallContents.h"

using Names = QList<QByteArray>;
using CommandLineOptions::Action;
Q_DECLARE_METATYPE(Action)

class TestProgramOptions : public QObject {
  Q_OBJECT

  static CommandLineOptions::Parsed parse(const Names& args) {
    QList<QByteArray> all{"/usr/bin/packhelm"};
    all += args;
    std::vector<const char*> argv;
    for (const QByteArray& a : all) argv.push_back(a.constData());
    return CommandLineOptions::Parse(int(argv.size()), argv.data());
  }

 private slots:
  void parse_data() {
    QTest::addColumn<Names>("args");
    QTest::addColumn<Action>("action");
    QTest::addColumn<Names>("files");
    QTest::addColumn<Names>("qt");  // after argv[0]
    const Names none;
    QTest::newRow("nothing") << none << Action::Run << none << none;
    QTest::newRow("files") << Names{"a.exe", "/x/b c.exe", "", "-"} << Action::Run
                           << Names{"a.exe", "/x/b c.exe", "", "-"} << none;
    QTest::newRow("-h") << Names{"-h", "a.exe"} << Action::Help << none << none;
    QTest::newRow("--help") << Names{"a.exe", "--help"} << Action::Help << none << none;
    QTest::newRow("-v") << Names{"-v"} << Action::Version << none << none;
    QTest::newRow("--version") << Names{"--version"} << Action::Version << none << none;
    QTest::newRow("-- ends the options")
        << Names{"a.exe", "--", "-x", "--help", "--"} << Action::Run
        << Names{"a.exe", "-x", "--help", "--"} << none;
    QTest::newRow("unknown short") << Names{"-x"} << Action::Refuse << none << none;
    QTest::newRow("unknown long") << Names{"a.exe", "--pack"} << Action::Refuse << none << none;
    QTest::newRow("unknown, not UTF-8") << Names{"-\xff"} << Action::Refuse << none << none;
    QTest::newRow("not UTF-8") << Names{"\xff\xfe.exe", "caf\xe9.exe", "\xc3\xa9t\xc3\xa9.exe"}
                               << Action::Run
                               << Names{"\xff\xfe.exe", "caf\xe9.exe", "\xc3\xa9t\xc3\xa9.exe"}
                               << none;
    QTest::newRow("not UTF-8 with a dash, after --")
        << Names{"--", "-\xff.exe", "--\xfe"} << Action::Run << Names{"-\xff.exe", "--\xfe"}
        << none;
    QTest::newRow("same names twice") << Names{"\xff", "a", "\xff", "a"} << Action::Run
                                      << Names{"\xff", "a", "\xff", "a"} << none;
    QTest::newRow("Qt's options") << Names{"-platform",     "offscreen", "a.exe", "-reverse",
                                           "-style=fusion", "--",        "-style"}
                                  << Action::Run << Names{"a.exe", "-style"}
                                  << Names{"-platform", "offscreen", "-style", "fusion",
                                           "-reverse"};
    QTest::newRow("Qt's option without its value")
        << Names{"a.exe", "-platform"} << Action::Refuse << none << none;
  }
  void parse() {
    QFETCH(Names, args);
    QFETCH(Action, action);
    QFETCH(Names, files);
    QFETCH(Names, qt);
    const CommandLineOptions::Parsed p = parse(args);
    QCOMPARE(p.action, action);
    if (action != Action::Run) {
      QVERIFY(!p.message.isEmpty());
      return;
    }
    QCOMPARE(p.files, files);
    QCOMPARE(p.qtArguments, Names{"/usr/bin/packhelm"} + qt);
  }

  // --report takes its file name byte for byte, in either spelling, and needs one.
  void report() {
    const CommandLineOptions::Parsed p = parse({"--report", "r\xff.csv", "a.exe"});
    QCOMPARE(p.action, Action::Run);
    QCOMPARE(p.report, QByteArray("r\xff.csv"));
    QCOMPARE(p.files, Names{"a.exe"});
    QCOMPARE(parse({"a.exe", "--report=out.csv"}).report, QByteArray("out.csv"));
    QCOMPARE(parse({"a.exe"}).report, QByteArray());
    QCOMPARE(parse({"a.exe", "--report"}).action, Action::Refuse);
  }

  void messages_data() {
    QTest::addColumn<Names>("args");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("help: usage") << Names{"--help"}
                                 << QByteArray("Usage: packhelm [options] [--] [FILE...]\n");
    QTest::newRow("help: options") << Names{"--help"} << QByteArray("  -h, --help ");
    QTest::newRow("help: version") << Names{"--help"} << QByteArray("  -v, --version ");
    QTest::newRow("version") << Names{"-v"} << QByteArray("Packhelm " PACKHELM_VERSION "\n");
    QTest::newRow("unknown") << Names{"--pack"} << QByteArray("'pack'");
    // The refused name as the terminal can show it: its undecodable byte replaced.
    QTest::newRow("unknown, not UTF-8") << Names{"-\xff"} << QByteArray("'\xef\xbf\xbd'");
  }
  void messages() {
    QFETCH(Names, args);
    QFETCH(QByteArray, expected);
    const QByteArray m = parse(args).message;
    QVERIFY2(m.contains(expected), m.constData());
    // Qt's own options are not offered; they are Qt's business.
    QVERIFY(!m.contains("platform") && !m.contains("help-all"));
  }

  // The built program in a terminal without any display: it answers and exits, or refuses.
  void builtProgramWithoutDisplay_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    QTest::newRow("--help") << QStringList{"--help"} << 0 << QByteArray("Usage: packhelm")
                            << QByteArray();
    QTest::newRow("-h") << QStringList{"-h"} << 0 << QByteArray("Usage: packhelm") << QByteArray();
    QTest::newRow("--version") << QStringList{"--version"} << 0
                               << QByteArray("Packhelm " PACKHELM_VERSION "\n") << QByteArray();
    QTest::newRow("-v") << QStringList{"-v"} << 0 << QByteArray("Packhelm " PACKHELM_VERSION "\n")
                        << QByteArray();
    QTest::newRow("unknown") << QStringList{"--frobnicate", "a.exe"}
                             << CommandLineOptions::UsageErrorStatus << QByteArray()
                             << QByteArray("packhelm: Unknown option 'frobnicate'.");
  }
  void builtProgramWithoutDisplay() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
      env.remove(QLatin1String(v));
    const ToolRun r = RunTool(QStringLiteral(PACKHELM_PROGRAM_PATH), args, env);
    QVERIFY(r.started);
    QCOMPARE(r.exitCode, exitCode);
    if (out.isEmpty())
      QVERIFY2(r.out.isEmpty(), r.out.constData());
    else
      QVERIFY2(r.out.startsWith(out), r.out.constData());
    if (err.isEmpty())
      QVERIFY2(r.err.isEmpty(), r.err.constData());
    else
      QVERIFY2(r.err.startsWith(err), r.err.constData());
  }
};

QTEST_GUILESS_MAIN(TestProgramOptions)
#include "test_programoptions.moc"
