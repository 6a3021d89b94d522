// SPDX-License-Identifier: GPL-3.0-or-later
// packhelm-cli as a pipeline runs it: copied into a program folder of its own with the real
// packer beside it (so no settings of the machine's reach it), started without a display, its
// exit status, report and files read afterwards.
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include "core/batch/ExecutableScan.h"
#include "core/packer/FileResults.h"
#include "support/RealPacker.h"
#include "support/RealPackerWindow.h"
#include "support/TestHelpers.h"

namespace {

// A program folder holding the command-line program and the packer as upx/upx.
struct CliFolder {
  TemporaryDir dir;
  QByteArray path() const { return QFile::encodeName(dir.path()) + "/"; }
  QByteArray work() const { return path() + "work/"; }
  bool prepare() {
    const QByteArray packer = RealPacker::Path();
    return !packer.isEmpty() && QDir().mkpath(QFile::decodeName(path() + "upx")) &&
           QDir().mkpath(QFile::decodeName(work())) &&
           QFile::copy(QStringLiteral(PACKHELM_CLI), QFile::decodeName(path() + "packhelm-cli")) &&
           QFile::copy(QFile::decodeName(packer), QFile::decodeName(path() + "upx/upx"));
  }
  void start(QProcess& p, const QList<QByteArray>& args) const {
    QStringList list;
    for (const QByteArray& a : args) list << QFile::decodeName(a);
    p.setWorkingDirectory(QFile::decodeName(work()));
    // No display: the program must not need one.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QFile::decodeName(path() + "packhelm-cli"), list);
  }
  // The report's rows: each line's fields, the header left out.
  QList<QList<QByteArray>> report(const QByteArray& name = "r.csv") const {
    QList<QList<QByteArray>> rows;
    const QList<QByteArray> lines = readFileBytes(work() + name).split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i)
      if (!lines[i].trimmed().isEmpty()) rows << lines[i].trimmed().split(',');
    return rows;
  }
};

bool place(const QByteArray& path, const QByteArray& bytes) {
  writeFileBytes(path, bytes);
  return QFile::setPermissions(QFile::decodeName(path), QFileDevice::ReadOwner |
                                                            QFileDevice::WriteOwner |
                                                            QFileDevice::ExeOwner);
}

}  // namespace

class TestCli : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QString why;
    QVERIFY2(!RealPacker::Path(&why).isEmpty(), qPrintable(why));
  }

  // Each outcome class as the exit status and the report give it: a folder of two programs, one
  // packed already, a file no packer takes, a test of programs not packed, and usage errors.
  void outcomes_data() {
    QTest::addColumn<QByteArrayList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArrayList>("outcomes");  // the report's, by name; empty: none written
    QTest::newRow("pack a folder")
        << QByteArrayList{"pack", "--runs", "2", "--report", "r.csv", "dir"} << 0
        << QByteArrayList{"dir/a:packed", "dir/b:packed"};
    QTest::newRow("pack: one packed already")
        << QByteArrayList{"pack", "--report", "r.csv", "dir", "packed"} << 1
        << QByteArrayList{"packed:already-packed", "dir/a:packed", "dir/b:packed"};
    QTest::newRow("pack: no executable") << QByteArrayList{"pack", "--report", "r.csv", "text"} << 1
                                         << QByteArrayList{"text:unsupported"};
    QTest::newRow("pack all methods into an output")
        << QByteArrayList{"pack", "--method", "all",   "--output",
                          "out",  "--report", "r.csv", "dir/a"}
        << 0 << QByteArrayList{"dir/a:packed"};
    QTest::newRow("test unpacked") << QByteArrayList{"test", "--report", "r.csv", "dir"} << 1
                                   << QByteArrayList{"dir/a:not-packed", "dir/b:not-packed"};
    QTest::newRow("unpack") << QByteArrayList{"unpack", "--report", "r.csv", "packed"} << 0
                            << QByteArrayList{"packed:unpacked"};
    QTest::newRow("usage: runs") << QByteArrayList{"pack", "--runs", "0", "dir"} << 2
                                 << QByteArrayList{};
    QTest::newRow("usage: output for two")
        << QByteArrayList{"pack", "--output", "out", "dir"} << 2 << QByteArrayList{};
    QTest::newRow("usage: no command")
        << QByteArrayList{"--level", "9", "dir"} << 2 << QByteArrayList{};
  }

  void outcomes() {
    QFETCH(QByteArrayList, args);
    QFETCH(int, status);
    QFETCH(QByteArrayList, outcomes);
    CliFolder f;
    QVERIFY(f.prepare());
    QString why;
    const QByteArray program = SampleProgram(SampleKind::ElfPie, &why);
    QVERIFY2(!program.isEmpty(), qPrintable(why));
    QVERIFY(QDir().mkpath(QFile::decodeName(f.work() + "dir")));
    QVERIFY(place(f.work() + "dir/a", program));
    QVERIFY(place(f.work() + "dir/b", program));
    QVERIFY(place(f.work() + "packed", program));
    QCOMPARE(RealPacker::Run({"-q", f.work() + "packed"}), 0);
    QVERIFY(place(f.work() + "text", "#!/bin/sh\necho not a program\n"));
    const QByteArray packedBefore = readFileBytes(f.work() + "packed");

    QProcess p;
    f.start(p, args);
    QVERIFY(p.waitForFinished(120000));
    const QByteArray err = p.readAllStandardError();
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY2(p.exitCode() == status, err.constData());
    QByteArrayList said;
    for (const QList<QByteArray>& row : f.report()) said << row.value(0) + ":" + row.value(3);
    QCOMPARE(said, outcomes);
    if (status == 2) QVERIFY2(err.contains("--help"), err.constData());
    // Every line of progress names its file; a file the packer left alone is as it was.
    for (const QByteArray& o : outcomes) {
      const QByteArray name = o.left(o.indexOf(':'));
      QVERIFY2(err.contains(" " + name), err.constData());
      if (o.endsWith(":already-packed")) QCOMPARE(readFileBytes(f.work() + name), packedBefore);
    }
    if (args.contains("--output") && status == 0) {
      QCOMPARE(readFileBytes(f.work() + "dir/a"), program);
      QCOMPARE(RealPacker::Run({"-t", "-q", f.work() + "out"}), 0);
    }
  }

  // The window's job and packhelm-cli on the same folder: the same rows, the same packed bytes.
  void sameAsTheWindow() {
    QString why;
    const QByteArray program = SampleProgram(SampleKind::ElfPie, &why);
    QVERIFY2(!program.isEmpty(), qPrintable(why));
    CliFolder f;
    QVERIFY(f.prepare());
    RealPackerWindow w(2);
    const QList<QByteArray> names{"x", "y", "z", "same"};
    for (const QByteArray& base : {f.work(), w.work()}) {
      QVERIFY(QDir().mkpath(QFile::decodeName(base + "dir")));
      for (const QByteArray& n : names) QVERIFY(place(base + "dir/" + n, program));
      QVERIFY(QFile::link(QStringLiteral("same"), QFile::decodeName(base + "dir/alias")));
      QVERIFY(place(base + "dir/packed", program));
      QCOMPARE(RealPacker::Run({"-q", base + "dir/packed"}), 0);
    }
    QProcess p;
    f.start(p, {"pack", "--runs", "2", "--report", "r.csv", "--", "dir"});
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitCode(), 1);  // one was packed already

    // The selection as the window's folder search makes it.
    w.select(ExecutableScan::Expand({w.work() + "dir"}).files);
    const std::optional<JobReport> window = w.press("ButtonPack");
    QVERIFY(window);
    const QList<QList<QByteArray>> cli = f.report();
    QCOMPARE(cli.size(), window->rows.size());
    for (qsizetype i = 0; i < cli.size(); ++i) {
      const FileResults::Row& r = window->rows[i];
      // (A link's target is named by its full path, in either.)
      const QByteArray name = cli[i][0].startsWith('/') ? cli[i][0] : f.work() + cli[i][0];
      QCOMPARE(name.mid(f.work().size()), r.file.mid(w.work().size()));
      QCOMPARE(cli[i][3], QByteArray(FileResults::Word(r.outcome)));
      QCOMPARE(cli[i][2].toULongLong(), r.sizeAfter.value_or(0));
    }
    for (const QByteArray& n : names + QList<QByteArray>{"packed"})
      QCOMPARE(readFileBytes(f.work() + "dir/" + n), readFileBytes(w.work() + "dir/" + n));
  }

  // Ctrl+C and SIGTERM in the middle: every packer stopped, nothing left, every original whole.
  void interrupted_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("Ctrl+C") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
  }

  void interrupted() {
    QFETCH(int, signal);
    QString why;
    const QByteArray program = SampleProgram(SampleKind::ElfStatic, &why);
    QVERIFY2(!program.isEmpty(), qPrintable(why));
    CliFolder f;
    QVERIFY(f.prepare());
    QVERIFY(QDir().mkpath(QFile::decodeName(f.work() + "dir")));
    for (int i = 0; i < 6; ++i) QVERIFY(place(f.work() + "dir/p" + QByteArray::number(i), program));
    const QStringList before = QDir(QFile::decodeName(f.work() + "dir")).entryList(QDir::Files);
    QProcess p;
    // The slowest method on every file: the packers are busy when the signal comes.
    f.start(p, {"pack", "--runs", "2", "--method", "lzma", "--level", "best", "--report", "r.csv",
                "dir"});
    QVERIFY(p.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(
        QDir(QFile::decodeName(f.work() + "dir")).entryList(QDir::Files).size() > before.size(),
        30000);
    QCOMPARE(::kill(pid_t(p.processId()), signal), 0);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 128 + signal);
    QCOMPARE(QDir(QFile::decodeName(f.work() + "dir")).entryList(QDir::Files), before);
    for (int i = 0; i < 6; ++i) {
      const QByteArray now = readFileBytes(f.work() + "dir/p" + QByteArray::number(i));
      // Whole: as it was, or packed by a packer that had finished it.
      QVERIFY(now == program ||
              RealPacker::Run({"-t", "-q", f.work() + "dir/p" + QByteArray::number(i)}) == 0);
    }
    QVERIFY(f.report().size() == 6);
  }
};

QTEST_MAIN(TestCli)
#include "test_cli.moc"
