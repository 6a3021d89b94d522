// SPDX-License-Identifier: GPL-3.0-or-later
// The stand-in packer, run as a real child process on real files in a temporary folder.

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include "support/TestProgramDir.h"

extern char** environ;

namespace {

struct Run {
  int code = -1;
  QProcess::ExitStatus status = QProcess::CrashExit;
  QByteArray out;
  QByteArray err;
};

using EnvList = QList<QPair<QString, QString>>;

// Sets up p to start the stand-in with these arguments and switches, not yet started.
void prepareStandin(QProcess& p, const QStringList& args, const EnvList& env) {
  p.setProgram(QString::fromLocal8Bit(standinPath()));
  p.setArguments(args);
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  for (const auto& kv : env) e.insert(kv.first, kv.second);
  p.setProcessEnvironment(e);
}

Run runStandin(const QStringList& args, const QString& workDir, const EnvList& env = {}) {
  QProcess p;
  prepareStandin(p, args, env);
  p.setWorkingDirectory(workDir);
  p.start();
  Run r;
  if (!p.waitForStarted(10000) || !p.waitForFinished(60000)) return r;
  r.code = p.exitCode();
  r.status = p.exitStatus();
  r.out = p.readAllStandardOutput();
  r.err = p.readAllStandardError();
  return r;
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(f.write(data), data.size());
}

QByteArray compressible(int size) {
  QByteArray d;
  for (int i = 0; d.size() < size; ++i) d += "Stand-in test line " + QByteArray::number(i) + '\n';
  d.truncate(size);
  return d;
}

// The names and contents of every file in a folder, to show that a run changed nothing.
QMap<QString, QByteArray> snapshot(const QString& dir) {
  QMap<QString, QByteArray> m;
  for (const QString& f : QDir(dir).entryList(QDir::Files | QDir::Hidden))
    m.insert(f, readFile(dir + '/' + f));
  return m;
}

}  // namespace

class TestStandin : public QObject {
  Q_OBJECT

  // Makes a file of the named kind in dir and returns its name.
  QString make(const QString& dir, const QString& kind, int index) {
    const QString name = kind + QString::number(index);
    const QString path = dir + '/' + name;
    if (kind == "good" || kind == "packed" || kind == "corrupt" || kind == "readonly") {
      writeFile(path, compressible(20000));
      if (kind == "packed" || kind == "corrupt") {
        const Run r = runStandin({name}, dir);
        if (r.code != 0) qWarning() << "packing a fixture failed" << r.err;
      }
      if (kind == "corrupt") {
        QByteArray d = readFile(path);
        for (int i = 60; i < 80; ++i) d[i] = char(d[i] ^ 0x5a);
        writeFile(path, d);
      }
      if (kind == "readonly") QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup);
    } else if (kind == "zero") {
      writeFile(path, QByteArray(4096, '\0'));
    } else if (kind == "notexe") {
      writeFile(path, "NOTEXE" + compressible(4096));
    } else if (kind == "small") {
      writeFile(path, compressible(511));
    } else if (kind == "empty") {
      writeFile(path, {});
    } else if (kind == "dir") {
      QDir(dir).mkdir(name);
    }  // "missing": nothing
    return name;
  }

 private slots:
  void exitCodes_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("kinds");
    QTest::addColumn<QString>("changed");  // per file: '1' when the run rewrites it
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("stderrLines");
    auto row = [](const char* name, QStringList options, QStringList kinds, const char* changed,
                  int expected, int lines) {
      QTest::newRow(name) << options << kinds << QString(changed) << expected << lines;
    };
    row("pack ok", {}, {"good"}, "1", 0, 0);
    row("pack two ok", {"-9"}, {"good", "good"}, "11", 0, 0);
    row("pack packed", {}, {"packed"}, "0", 2, 1);
    row("pack all zero", {}, {"zero"}, "0", 1, 1);
    row("pack NOTEXE", {}, {"notexe"}, "0", 1, 1);
    row("pack 511 bytes", {}, {"small"}, "0", 1, 1);
    row("pack empty", {}, {"empty"}, "0", 1, 1);
    row("pack missing", {}, {"missing"}, "0", 1, 1);
    row("pack folder", {}, {"dir"}, "0", 1, 1);
    row("pack read-only", {}, {"readonly"}, "0", 1, 1);
    row("pack read-only -k", {"-k"}, {"readonly"}, "1", 0, 0);
    row("unpack packed", {"-d"}, {"packed"}, "1", 0, 0);
    row("unpack unpacked", {"-d"}, {"good"}, "0", 2, 1);
    row("unpack corrupt", {"-d"}, {"corrupt"}, "0", 1, 1);
    row("unpack all zero", {"-d"}, {"zero"}, "0", 2, 1);
    row("test packed", {"-t"}, {"packed"}, "0", 0, 0);
    row("test unpacked", {"-t"}, {"good"}, "0", 2, 1);
    row("test corrupt", {"-t"}, {"corrupt"}, "0", 1, 1);
    row("test read-only", {"-t"}, {"readonly"}, "0", 2, 1);
    row("list packed", {"-l"}, {"packed"}, "0", 0, 0);
    row("list unpacked", {"-l"}, {"good"}, "0", 2, 1);
    row("list missing", {"-l"}, {"missing"}, "0", 1, 1);
    row("mixed ok warning", {}, {"good", "packed"}, "10", 2, 1);
    row("mixed ok error", {}, {"good", "missing"}, "10", 1, 1);
    row("mixed error first", {}, {"zero", "good"}, "01", 1, 1);
    row("mixed warning error", {}, {"packed", "small", "good"}, "001", 1, 2);
    row("unpack mixed", {"-d"}, {"good", "packed", "corrupt"}, "010", 1, 2);
    row("test mixed", {"-t"}, {"packed", "good", "corrupt"}, "000", 1, 2);
  }
  void exitCodes() {
    QFETCH(QStringList, options);
    QFETCH(QStringList, kinds);
    QFETCH(QString, changed);
    QFETCH(int, expected);
    QFETCH(int, stderrLines);
    TemporaryDir dir;
    QStringList files;
    for (int i = 0; i < kinds.size(); ++i) files << make(dir.path(), kinds[i], i);
    QMap<QString, QByteArray> before;
    for (const QString& f : files) before.insert(f, readFile(dir.filePath(f)));

    const Run r = runStandin(options + files, dir.path());
    QCOMPARE(r.status, QProcess::NormalExit);
    QCOMPARE(r.code, expected);
    QCOMPARE(r.err.count('\n'), stderrLines);
    // Files with a problem are left alone; the others are done, whatever came before them.
    for (int i = 0; i < kinds.size(); ++i) {
      const bool now = readFile(dir.filePath(files[i])) != before[files[i]];
      QVERIFY2(now == (changed[i] == '1'), qPrintable(files[i]));
    }
  }

  void inPlaceRoundTrip() {
    TemporaryDir dir;
    const QByteArray original = compressible(100000);
    writeFile(dir.filePath("prog"), original);
    QFile::setPermissions(dir.filePath("prog"), QFile::ReadOwner | QFile::WriteOwner |
                                                    QFile::ExeOwner | QFile::ReadGroup);
    const QFileDevice::Permissions perms = QFile::permissions(dir.filePath("prog"));

    Run r = runStandin({"-9", "prog"}, dir.path());
    QCOMPARE(r.code, 0);
    const QByteArray packed = readFile(dir.filePath("prog"));
    QVERIFY(packed.size() < original.size() / 4);
    QCOMPARE(QFile::permissions(dir.filePath("prog")), perms);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"prog"});  // no leftovers
    const QByteArray line = "100000 ->" + QByteArray::number(packed.size()).rightJustified(10);
    QVERIFY2(r.out.contains(line), r.out.constData());
    QVERIFY(r.out.contains("% "));
    QVERIFY(!r.out.contains('\r'));  // no progress line without a terminal

    r = runStandin({"-t", "prog"}, dir.path());
    QCOMPARE(r.code, 0);
    r = runStandin({"-l", "prog"}, dir.path());
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.contains(line));
    QCOMPARE(readFile(dir.filePath("prog")), packed);

    r = runStandin({"-d", "prog"}, dir.path());
    QCOMPARE(r.code, 0);
    QCOMPARE(readFile(dir.filePath("prog")), original);
    QCOMPARE(QFile::permissions(dir.filePath("prog")), perms);
  }

  void binaryContentRoundTrip() {
    // Every byte value, and a header of an executable format.
    TemporaryDir dir;
    QByteArray original(
        "\x7f"
        "ELF\x02\x01\x01",
        7);
    for (int i = 0; i < 40000; ++i) original += char((i * 7) % 256 * (i % 3 == 0));
    writeFile(dir.filePath("elf"), original);
    QFile::setPermissions(dir.filePath("elf"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Run r = runStandin({"elf"}, dir.path());
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.contains("linux/amd64"));
    QVERIFY(readFile(dir.filePath("elf")) != original);
    r = runStandin({"-d", "elf"}, dir.path());
    QCOMPARE(r.code, 0);
    QCOMPARE(readFile(dir.filePath("elf")), original);
  }

  // The work simulation costs time only: at every level the packed bytes are those of a pack
  // without it, and they unpack to the original.
  void workSimulationKeepsTheBytes_data() {
    QTest::addColumn<QString>("level");
    QTest::newRow("--best") << "--best";
    QTest::newRow("-1") << "-1";
  }
  void workSimulationKeepsTheBytes() {
    QFETCH(QString, level);
    TemporaryDir dir;
    QByteArray original(
        "\x7f"
        "ELF\x02",
        5);
    for (int i = 0; original.size() < 300000; ++i) original += QByteArray::number(i * 31 % 977);
    // Linux programs that their owner may run, as the packer wants them.
    for (const char* name : {"plain", "worked"}) {
      writeFile(dir.filePath(name), original);
      QFile::setPermissions(dir.filePath(name),
                            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QCOMPARE(runStandin({level, "plain"}, dir.path()).code, 0);
    const Run r = runStandin({level, "worked"}, dir.path(), {{"PACKHELM_STANDIN_WORK", "3"}});
    QCOMPARE(r.code, 0);
    QVERIFY(readFile(dir.filePath("worked")).startsWith("PHSTDPK1"));
    QCOMPARE(readFile(dir.filePath("worked")), readFile(dir.filePath("plain")));
    QCOMPARE(runStandin({"-t", "worked"}, dir.path()).code, 0);
    QCOMPARE(runStandin({"-d", "worked"}, dir.path()).code, 0);
    QCOMPARE(readFile(dir.filePath("worked")), original);
  }

  void outputFile_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("-oNAME") << QStringList{"-oout.bin", "in"};
    QTest::newRow("-o NAME") << QStringList{"-o", "out.bin", "in"};
    QTest::newRow("--output=NAME") << QStringList{"--output=out.bin", "in"};
    QTest::newRow("file first") << QStringList{"in", "-o", "out.bin"};
    QTest::newRow("cluster") << QStringList{"-9ko", "out.bin", "in"};
  }
  void outputFile() {
    QFETCH(QStringList, args);
    TemporaryDir dir;
    const QByteArray original = compressible(30000);
    writeFile(dir.filePath("in"), original);
    Run r = runStandin(args, dir.path());
    QCOMPARE(r.code, 0);
    QCOMPARE(readFile(dir.filePath("in")), original);
    const QByteArray packed = readFile(dir.filePath("out.bin"));
    QVERIFY(!packed.isEmpty() && packed.size() < original.size());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"in", "out.bin"}));

    r = runStandin({"-d", "-o", "back", "out.bin"}, dir.path());
    QCOMPARE(r.code, 0);
    QCOMPARE(readFile(dir.filePath("back")), original);
    QCOMPARE(readFile(dir.filePath("out.bin")), packed);
  }

  void existingOutput() {
    TemporaryDir dir;
    const QByteArray original = compressible(30000);
    writeFile(dir.filePath("in"), original);
    writeFile(dir.filePath("out"), "already here");
    Run r = runStandin({"-oout", "in"}, dir.path());
    QCOMPARE(r.code, 1);
    QCOMPARE(r.err.count('\n'), 1);
    QCOMPARE(readFile(dir.filePath("out")), QByteArray("already here"));
    QCOMPARE(readFile(dir.filePath("in")), original);

    r = runStandin({"-f", "-oout", "in"}, dir.path());
    QCOMPARE(r.code, 0);
    r = runStandin({"-t", "out"}, dir.path());
    QCOMPARE(r.code, 0);
    QCOMPARE(readFile(dir.filePath("in")), original);

    // With -f an output that is the input itself is deleted before it is read: the packer fails
    // and the file is lost, as the real packer loses it.
    r = runStandin({"--force", "-oin", "in"}, dir.path());
    QCOMPARE(r.code, 1);
    QVERIFY(!QFile::exists(dir.filePath("in")));
  }

  void backupNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("backup");
    QTest::newRow("prog.exe") << "prog.exe" << QStringList{} << "prog.ex~";
    QTest::newRow("prog") << "prog" << QStringList{} << "prog.~";
    QTest::newRow("a.b.dll") << "a.b.dll" << QStringList{} << "a.b.dl~";
    QTest::newRow("prog.exe taken") << "prog.exe" << QStringList{"prog.ex~"} << "prog.000";
    QTest::newRow("prog taken") << "prog" << QStringList{"prog.~"} << "prog.000";
    QTest::newRow("prog.exe .000 taken")
        << "prog.exe" << QStringList{"prog.ex~", "prog.000"} << "prog.001";
  }
  void backupNames() {
    QFETCH(QString, name);
    QFETCH(QStringList, taken);
    QFETCH(QString, backup);
    TemporaryDir dir;
    const QByteArray original = compressible(20000);
    writeFile(dir.filePath(name), original);
    for (const QString& t : taken) writeFile(dir.filePath(t), "taken " + t.toUtf8());

    const Run r = runStandin({"-k", name}, dir.path());
    QCOMPARE(r.code, 0);
    QCOMPARE(readFile(dir.filePath(backup)), original);
    QVERIFY(readFile(dir.filePath(name)).size() < original.size());
    for (const QString& t : taken) QCOMPARE(readFile(dir.filePath(t)), "taken " + t.toUtf8());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), taken.size() + 2);
  }

  void backupOnUnpack() {
    TemporaryDir dir;
    const QByteArray original = compressible(20000);
    writeFile(dir.filePath("tool.so"), original);
    QCOMPARE(runStandin({"tool.so"}, dir.path()).code, 0);
    const QByteArray packed = readFile(dir.filePath("tool.so"));
    QCOMPARE(runStandin({"-dk", "tool.so"}, dir.path()).code, 0);
    QCOMPARE(readFile(dir.filePath("tool.so")), original);
    QCOMPARE(readFile(dir.filePath("tool.so~")), packed);
  }

  void versionLine_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QByteArray>("firstLine");
    QTest::newRow("default --version") << QString() << "--version" << QByteArray("upx 4.2.4");
    QTest::newRow("default -V") << QString() << "-V" << QByteArray("upx 4.2.4");
    QTest::newRow("3.96") << "3.96"
                          << "--version" << QByteArray("upx 3.96");
    QTest::newRow("5.0.1") << "5.0.1"
                           << "-V" << QByteArray("upx 5.0.1");
  }
  void versionLine() {
    QFETCH(QString, version);
    QFETCH(QString, option);
    QFETCH(QByteArray, firstLine);
    TemporaryDir dir;
    QList<QPair<QString, QString>> env;
    if (!version.isEmpty()) env.append({"PACKHELM_STANDIN_VERSION", version});
    const Run r = runStandin({option, "no-such-file"}, dir.path(), env);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out.left(r.out.indexOf('\n')), firstLine);
  }

  void infoCommandsIgnoreFiles_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QByteArray>("expectedText");
    QTest::newRow("--help") << "--help" << QByteArray("Usage:");
    QTest::newRow("-h") << "-h" << QByteArray("Usage:");
    QTest::newRow("-L") << "-L" << QByteArray("may be used freely");
  }
  void infoCommandsIgnoreFiles() {
    QFETCH(QString, option);
    QFETCH(QByteArray, expectedText);
    TemporaryDir dir;
    writeFile(dir.filePath("prog"), compressible(20000));
    const auto before = snapshot(dir.path());
    const Run r = runStandin({option, "prog", "missing"}, dir.path());
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.contains(expectedText));
    QVERIFY(r.err.isEmpty());
    QCOMPARE(snapshot(dir.path()), before);
  }

  void usageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no arguments") << QStringList{};
    QTest::newRow("options only") << QStringList{"-9"};
    QTest::newRow("unknown long") << QStringList{"--fast", "prog"};
    QTest::newRow("unknown short") << QStringList{"-x", "prog"};
    QTest::newRow("unknown in cluster") << QStringList{"-9z", "prog"};
    QTest::newRow("second -o") << QStringList{"-oa", "-ob", "prog"};
    QTest::newRow("-o two files") << QStringList{"-oa", "prog", "other"};
    QTest::newRow("-o without name") << QStringList{"prog", "-o"};
    QTest::newRow("crp too small") << QStringList{"--crp-ucl-ms=9999", "prog"};
    QTest::newRow("crp too large") << QStringList{"--crp-ucl-ms=1000000", "prog"};
    QTest::newRow("crp not a number") << QStringList{"--crp-ucl-ms=12ab3", "prog"};
    QTest::newRow("crp without value") << QStringList{"--crp-ucl-ms", "prog"};
    QTest::newRow("icons 4") << QStringList{"--compress-icons=4", "prog"};
    QTest::newRow("exports 2") << QStringList{"--compress-exports=2", "prog"};
    QTest::newRow("resources -1") << QStringList{"--compress-resources=-1", "prog"};
    QTest::newRow("strip-relocs 2") << QStringList{"--strip-relocs=2", "prog"};
    QTest::newRow("overlay other") << QStringList{"--overlay=keep", "prog"};
    QTest::newRow("flag with value") << QStringList{"--best=1", "prog"};
    QTest::newRow("two commands") << QStringList{"-d", "-t", "prog"};
  }
  void usageErrors() {
    QFETCH(QStringList, args);
    TemporaryDir dir;
    writeFile(dir.filePath("prog"), compressible(20000));
    writeFile(dir.filePath("other"), compressible(30000));
    const auto before = snapshot(dir.path());
    const Run r = runStandin(args, dir.path());
    QCOMPARE(r.status, QProcess::NormalExit);
    QCOMPARE(r.code, 1);
    QVERIFY(!r.err.isEmpty());
    QCOMPARE(snapshot(dir.path()), before);
  }

  void acceptedOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("all pack switches") << QStringList{"--best",
                                                      "--crp-ucl-ms=10000",
                                                      "--nrv2d",
                                                      "-k",
                                                      "--overlay=skip",
                                                      "--8086",
                                                      "--no-reloc",
                                                      "--compress-exports=0",
                                                      "--compress-icons=3",
                                                      "--compress-resources=0",
                                                      "--force",
                                                      "--strip-relocs=0",
                                                      "--coff",
                                                      "--le",
                                                      "-q",
                                                      "-q",
                                                      "prog"};
    QTest::newRow("crp bounds") << QStringList{"--crp-ucl-ms=999999", "-1", "prog"};
    QTest::newRow("options after files") << QStringList{"prog", "--nrv2b", "-9"};
    QTest::newRow("cluster") << QStringList{"-9kfq", "prog"};
    QTest::newRow("overlay copy") << QStringList{"--overlay=copy", "--compress-icons=0", "prog"};
  }
  void acceptedOptions() {
    QFETCH(QStringList, args);
    TemporaryDir dir;
    const QByteArray original = compressible(20000);
    writeFile(dir.filePath("prog"), original);
    const Run r = runStandin(args, dir.path());
    QCOMPARE(r.code, 0);
    QVERIFY(readFile(dir.filePath("prog")).size() < original.size());
  }

  void quietSuppressesOutput() {
    TemporaryDir dir;
    writeFile(dir.filePath("prog"), compressible(20000));
    const Run r = runStandin({"-qqq", "prog"}, dir.path());
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.isEmpty());
  }

  void doubleDashEndsOptions() {
    TemporaryDir dir;
    const QByteArray original = compressible(20000);
    writeFile(dir.filePath("-9"), original);
    writeFile(dir.filePath("--help"), original);
    const Run r = runStandin({"-1", "--", "-9", "--help"}, dir.path());
    QCOMPARE(r.code, 0);
    QVERIFY(readFile(dir.filePath("-9")).size() < original.size());
    QVERIFY(readFile(dir.filePath("--help")).size() < original.size());
  }

  void crpSwitchByVersion_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("expected");
    QTest::newRow("4.2.4 ucl") << "4.2.4"
                               << "--crp-ucl-ms=10000" << 0;
    QTest::newRow("4.2.4 old") << "4.2.4"
                               << "--crp-ms=10000" << 1;
    QTest::newRow("4.0.0 old") << "4.0.0"
                               << "--crp-ms=999999" << 1;
    QTest::newRow("3.96 old") << "3.96"
                              << "--crp-ms=999999" << 0;
    QTest::newRow("3.96 ucl") << "3.96"
                              << "--crp-ucl-ms=10000" << 1;
    QTest::newRow("3.96 old out of range") << "3.96"
                                           << "--crp-ms=9999" << 1;
  }
  void crpSwitchByVersion() {
    QFETCH(QString, version);
    QFETCH(QString, option);
    QFETCH(int, expected);
    TemporaryDir dir;
    const QByteArray original = compressible(20000);
    writeFile(dir.filePath("prog"), original);
    const Run r = runStandin({option, "prog"}, dir.path(), {{"PACKHELM_STANDIN_VERSION", version}});
    QCOMPARE(r.code, expected);
    QCOMPARE(readFile(dir.filePath("prog")) == original, expected != 0);
  }

  void argLog() {
    TemporaryDir dir;
    const QString log = dir.filePath("args.log");
    const QStringList first{"-9", "with blank", "q\"uote", "", "\xc3\xa4\xc3\xb6 utf-8", "-oout"};
    Run r = runStandin(first, dir.path(), {{"PACKHELM_STANDIN_ARGLOG", log}});
    QCOMPARE(r.code, 1);  // usage error, yet logged
    r = runStandin({"--version"}, dir.path(), {{"PACKHELM_STANDIN_ARGLOG", log}});
    QCOMPARE(r.code, 0);
    QByteArray expected;
    for (const QString& a : first) expected += a.toUtf8() + '\n';
    expected += "--END--\n--version\n--END--\n";
    QCOMPARE(readFile(log), expected);
  }

  void bytesOfNamesKept() {
    // Names that are not valid UTF-8 cannot pass through QString, so this one is started with
    // posix_spawn straight from bytes.
    TemporaryDir dir;
    const QByteArray name = QFile::encodeName(dir.path()) + "/bad\xff\xfe name";
    const QByteArray original = compressible(20000);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, original.constData(), size_t(original.size())), ssize_t(original.size()));
    ::close(fd);
    auto spawn = [&](const char* option) {
      QByteArray program = standinPath();
      QByteArray opt(option);
      char* argv[] = {program.data(), opt.data(), const_cast<char*>(name.constData()), nullptr};
      posix_spawn_file_actions_t fa;
      posix_spawn_file_actions_init(&fa);
      posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
      pid_t pid = 0;
      const int rc = posix_spawn(&pid, program.constData(), &fa, nullptr, argv, environ);
      posix_spawn_file_actions_destroy(&fa);
      int status = 0;
      if (rc != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
      return WEXITSTATUS(status);
    };
    QCOMPARE(spawn("-9"), 0);
    struct stat st;
    QCOMPARE(::stat(name.constData(), &st), 0);
    QVERIFY(st.st_size < original.size());
    QCOMPARE(spawn("-d"), 0);
    QCOMPARE(::stat(name.constData(), &st), 0);
    QCOMPARE(qint64(st.st_size), qint64(original.size()));
    QCOMPARE(::unlink(name.constData()), 0);  // TemporaryDir cannot name it
  }

  void exitSwitch() {
    TemporaryDir dir;
    const QByteArray original = compressible(20000);
    writeFile(dir.filePath("prog"), original);
    const Run r = runStandin({"prog"}, dir.path(), {{"PACKHELM_STANDIN_EXIT", "3"}});
    QCOMPARE(r.status, QProcess::NormalExit);
    QCOMPARE(r.code, 3);
    QCOMPARE(readFile(dir.filePath("prog")), original);
  }

  void signalSwitch() {
    TemporaryDir dir;
    QProcess p;
    prepareStandin(p, {"--version"}, {{"PACKHELM_STANDIN_SIGNAL", QString::number(SIGTERM)}});
    p.start();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::CrashExit);
    QCOMPARE(p.exitCode(), SIGTERM);  // QProcess reports the signal as the code of a crash
  }

  void outputBytesSwitch() {
    TemporaryDir dir;
    const Run r =
        runStandin({"--version"}, dir.path(), {{"PACKHELM_STANDIN_OUTPUT_BYTES", "100000"}});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.size() > 100000);
    QVERIFY(r.out.mid(100000).startsWith("upx 4.2.4\n"));  // the text comes first, then the work
  }

  void sleepSwitch() {
    TemporaryDir dir;
    QElapsedTimer t;
    t.start();
    const Run r = runStandin({"--version"}, dir.path(), {{"PACKHELM_STANDIN_SLEEP_MS", "300"}});
    QCOMPARE(r.code, 0);
    QVERIFY(t.elapsed() >= 300);
  }

  void echoInput() {
    QProcess p;
    prepareStandin(p, {}, {{"PACKHELM_STANDIN_ECHO_INPUT", "1"}});
    p.start();
    QVERIFY(p.waitForStarted());
    p.write("hello there\n");
    QByteArray got;
    QTRY_VERIFY((got += p.readAllStandardOutput()).contains("got: hello there\n") ||
                p.state() != QProcess::Running);
    QCOMPARE(p.state(), QProcess::Running);  // still waiting for input
    p.write("quit\nnot echoed\n");
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(!p.readAllStandardOutput().contains("not echoed"));
  }

  void echoInputEndsAtEndOfInput() {
    QProcess p;
    prepareStandin(p, {}, {{"PACKHELM_STANDIN_ECHO_INPUT", "1"}});
    p.start();
    QVERIFY(p.waitForStarted());
    p.write("one\ntwo\n");
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.readAllStandardOutput(), QByteArray("got: one\ngot: two\n"));
  }

  void interruptEndsIt() {
    QProcess p;
    prepareStandin(p, {}, {{"PACKHELM_STANDIN_ECHO_INPUT", "1"}});
    p.start();
    QVERIFY(p.waitForStarted());
    p.write("x\n");
    QByteArray got;
    QTRY_VERIFY((got += p.readAllStandardOutput()).contains("got: x"));
    QCOMPARE(::kill(pid_t(p.processId()), SIGINT), 0);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::CrashExit);
    QCOMPARE(p.exitCode(), SIGINT);
  }

  void grandchildDoesNotHoldTheExit() {
    QProcess p;
    prepareStandin(p, {"--version"}, {{"PACKHELM_STANDIN_GRANDCHILD", "1"}});
    QElapsedTimer t;
    t.start();
    p.start();
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(t.elapsed() < 20000);
  }

  // Interrupted halfway, the stand-in leaves the partial file the real packer leaves: beside the
  // input, its extension replaced by ".upx" (".000", ".001", ... while taken), or the output
  // named by -o itself.
  void partialFilesAsThePackerNamesThem_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("partial");
    QTest::newRow("no extension") << "prog" << QStringList() << QStringList() << "prog.upx";
    QTest::newRow("extension replaced")
        << "prog.exe" << QStringList() << QStringList() << "prog.upx";
    QTest::newRow("last extension only")
        << "a.b.exe" << QStringList() << QStringList() << "a.b.upx";
    QTest::newRow("leading dot") << ".tool" << QStringList() << QStringList() << ".upx";
    QTest::newRow(".upx taken") << "prog" << QStringList{"prog.upx"} << QStringList() << "prog.000";
    QTest::newRow(".upx and .000 taken")
        << "prog.exe" << QStringList{"prog.upx", "prog.000"} << QStringList() << "prog.001";
    QTest::newRow("input named .upx") << "prog.upx" << QStringList() << QStringList() << "prog.000";
    QTest::newRow("unpack") << "@packed" << QStringList() << QStringList{"-d"} << "packed.upx";
    QTest::newRow("output written directly")
        << "prog" << QStringList() << QStringList{"-o", "out.bin"} << "out.bin";
  }
  void partialFilesAsThePackerNamesThem() {
    QFETCH(QString, input);
    QFETCH(QStringList, taken);
    QFETCH(QStringList, options);
    QFETCH(QString, partial);
    TemporaryDir dir;
    if (input.startsWith('@')) {
      input = input.mid(1);
      writeFile(dir.filePath(input), compressible(200000));
      QCOMPARE(runStandin({input}, dir.path()).code, 0);
    } else {
      writeFile(dir.filePath(input), compressible(200000));
    }
    for (const QString& t : taken) writeFile(dir.filePath(t), "taken");
    const QMap<QString, QByteArray> before = snapshot(dir.path());
    QProcess p;
    prepareStandin(p, options + QStringList{input},
                   {{"PACKHELM_STANDIN_HOLD", "partial"}, {"PACKHELM_STANDIN_HOLD_MS", "30000"}});
    p.setWorkingDirectory(dir.path());
    p.start();
    QVERIFY(p.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(dir.filePath(partial)).size() > 0, 20000);
    QCOMPARE(p.state(), QProcess::Running);
    p.kill();
    QVERIFY(p.waitForFinished(30000));
    // Only the partial file is new; the input and the taken names are as they were.
    QMap<QString, QByteArray> after = snapshot(dir.path());
    QVERIFY(after.contains(partial));
    after.remove(partial);
    QCOMPARE(after, before);
  }

  void holdBetweenFiles() {
    TemporaryDir dir;
    const QByteArray original = compressible(20000);
    writeFile(dir.filePath("one"), original);
    writeFile(dir.filePath("two"), original);
    QProcess p;
    prepareStandin(p, {"one", "two"},
                   {{"PACKHELM_STANDIN_HOLD", "between"}, {"PACKHELM_STANDIN_HOLD_MS", "30000"}});
    p.setWorkingDirectory(dir.path());
    p.start();
    QVERIFY(p.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(readFile(dir.filePath("one")) != original, 20000);
    QCOMPARE(p.state(), QProcess::Running);
    QCOMPARE(readFile(dir.filePath("two")), original);
    p.kill();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"one", "two"}));
  }

  void ignoredSignalsAndPidFile() {
    TemporaryDir dir;
    const QString pidFile = dir.filePath("pid");
    QProcess p;
    prepareStandin(
        p, {"--version"},
        {{"PACKHELM_STANDIN_IGNORE", QString::number(SIGINT) + ',' + QString::number(SIGHUP)},
         {"PACKHELM_STANDIN_PIDFILE", pidFile},
         {"PACKHELM_STANDIN_SLEEP_MS", "30000"}});
    p.start();
    QVERIFY(p.waitForStarted());
    QTRY_VERIFY(readFile(pidFile).endsWith('\n'));
    QCOMPARE(readFile(pidFile).trimmed().toLongLong(), p.processId());
    QCOMPARE(::kill(pid_t(p.processId()), SIGINT), 0);
    QCOMPARE(::kill(pid_t(p.processId()), SIGHUP), 0);
    QVERIFY(!p.waitForFinished(300));  // both ignored
    QCOMPARE(::kill(pid_t(p.processId()), SIGTERM), 0);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::CrashExit);
    QCOMPARE(p.exitCode(), SIGTERM);
  }

  void versionLineSwitch() {
    TemporaryDir dir;
    const Run r = runStandin({"--version"}, dir.path(),
                             {{"PACKHELM_STANDIN_VERSION_LINE", "UPX git-4a1c2e"}});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.startsWith("UPX git-4a1c2e\n"));
    // It goes on playing its version: the current switch is taken.
    writeFile(dir.filePath("prog"), compressible(20000));
    const Run pack = runStandin({"--crp-ucl-ms=10000", "prog"}, dir.path(),
                                {{"PACKHELM_STANDIN_VERSION_LINE", "UPX git-4a1c2e"}});
    QCOMPARE(pack.code, 0);
  }

  void progressOnTerminal() {
    TemporaryDir dir;
    writeFile(dir.filePath("prog"), compressible(20000));
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const QByteArray slaveName = ::ptsname(master);
    const int slave = ::open(slaveName.constData(), O_RDWR | O_NOCTTY);
    QVERIFY(slave >= 0);
    QProcess p;
    p.setProgram(QString::fromLocal8Bit(standinPath()));
    p.setArguments({"prog"});
    p.setWorkingDirectory(dir.path());
    p.setChildProcessModifier([slave] { ::dup2(slave, 1); });
    p.start();
    QVERIFY(p.waitForFinished(30000));
    ::close(slave);
    QCOMPARE(p.exitCode(), 0);
    QByteArray screen;
    char buf[4096];
    const int flags = ::fcntl(master, F_GETFL);
    ::fcntl(master, F_SETFL, flags | O_NONBLOCK);
    for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;) screen.append(buf, n);
    ::close(master);
    QVERIFY2(screen.contains("\r  ["), screen.constData());
    QVERIFY(screen.contains("% "));
  }
};

QTEST_GUILESS_MAIN(TestStandin)
#include "test_standin.moc"
