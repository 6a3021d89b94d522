// SPDX-License-Identifier: GPL-3.0-or-later
// The method trials of "All" decided from their runs' ends: the runs are played here (their
// outputs written as real files of the sizes a row gives), so that every turn of the decision
// can be reached; test_realpacker checks the bytes against the packer run alone and its --brute.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <QTest>

#include "core/jobs/JobEngine.h"
#include "core/packer/MethodTrials.h"
#include "core/settings/ProgramState.h"
#include "support/TestHelpers.h"

using Methods::Method;
using MethodTrials::Race;
using MethodTrials::Step;

Q_DECLARE_METATYPE(QList<qint64>)

class TestMethodTrials : public QObject {
  Q_OBJECT
 private slots:
  // One file of a format without filters of its own, four trials. Sizes by method (nrv2b, nrv2d,
  // nrv2e, lzma; -1: the trial fails, below -1: it fails after writing that many bytes), the
  // methods whose output fails the test, and where the result goes; what becomes of the file (a
  // replaced file's row names the winner and the runner-up) and how many runs it took.
  void race_data() {
    QTest::addColumn<QList<qint64>>("sizes");
    QTest::addColumn<QList<int>>("failTest");
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QByteArray>("outcome");  // the outcome's word, or a replaced file's message
    QTest::addColumn<int>("runs");
    const QList<qint64> apart{90000, 80000, 70000, 40000};
    const QByteArray lzma = "lzma won: 40000 bytes, 42.9 % smaller than nrv2e.",
                     nrv2e = "nrv2e won: 70000 bytes, 12.5 % smaller than nrv2d.";
    QTest::newRow("far apart") << apart << QList<int>{} << QByteArray("in place") << lzma << 5;
    // However close, the smallest: no run of the packer's own --brute decides.
    QTest::newRow("close: the smallest wins")
        << QList<qint64>{9000, 8800, 8000, 8001} << QList<int>{} << QByteArray("in place")
        << QByteArray("nrv2e won: 8000 bytes, 0.0 % smaller than lzma.") << 5;
    QTest::newRow("equal: the first method wins")
        << QList<qint64>{9000, 8000, 8000, 8000} << QList<int>{} << QByteArray("in place")
        << QByteArray("nrv2d won: 8000 bytes, 0.0 % smaller than nrv2e.") << 5;
    QTest::newRow("smallest fails the test")
        << apart << QList<int>{3} << QByteArray("in place") << nrv2e << 6;
    QTest::newRow("one method packs")
        << QList<qint64>{-1, -1, -1, 40000} << QList<int>{} << QByteArray("in place")
        << QByteArray("lzma won: 40000 bytes; no other method packed the file.") << 5;
    QTest::newRow("a failed trial's output is no result")
        << QList<qint64>{90000, 60000, 40000, -30000} << QList<int>{} << QByteArray("in place")
        << QByteArray("nrv2e won: 40000 bytes, 33.3 % smaller than nrv2d.") << 5;
    QTest::newRow("none packs") << QList<qint64>{-1, -1, -1, -1} << QList<int>{}
                                << QByteArray("in place") << QByteArray("already-packed") << 4;
    QTest::newRow("backup") << apart << QList<int>{} << QByteArray("backup") << lzma << 5;
    // A file that takes no more hard links: its backup is the original renamed.
    QTest::newRow("backup of a file at the link limit")
        << apart << QList<int>{} << QByteArray("linked backup") << lzma << 5;
    // Every backup name taken: the file stays as it was.
    QTest::newRow("no backup name left")
        << apart << QList<int>{} << QByteArray("taken backup") << QByteArray("failed") << 5;
    // As the packer: a write-protected file is packed when its original is kept.
    QTest::newRow("backup of a write-protected file")
        << apart << QList<int>{} << QByteArray("protected backup") << lzma << 5;
    QTest::newRow("output file") << apart << QList<int>{} << QByteArray("output") << lzma << 5;
    // The output file cannot be made (its folder is a file): the trials' results all go.
    QTest::newRow("output file below a file")
        << apart << QList<int>{} << QByteArray("output below a file") << QByteArray("failed") << 5;
    // Known before the first trial: no trial runs.
    QTest::newRow("output file exists")
        << apart << QList<int>{} << QByteArray("output exists") << QByteArray("failed") << 0;
    QTest::newRow("no room for the trials")
        << apart << QList<int>{} << QByteArray("no room") << QByteArray("failed") << 0;
    QTest::newRow("write-protected")
        << apart << QList<int>{} << QByteArray("protected") << QByteArray("write-protected") << 0;
    QTest::newRow("stopped") << apart << QList<int>{} << QByteArray("stop") << QByteArray("stopped")
                             << 4;
  }
  void race() {
    QFETCH(QList<qint64>, sizes);
    QFETCH(QList<int>, failTest);
    QFETCH(QByteArray, mode);
    QFETCH(QByteArray, outcome);
    QFETCH(int, runs);
    TemporaryDir temporary;
    const QByteArray folder = QFile::encodeName(temporary.path()) + '/';
    const QByteArray file = folder + "prog";
    const QByteArray out = mode == "output below a file" ? file + "/out" : folder + "out";
    const QByteArray original(100000, 'p');
    QVERIFY(writeFileRaw(file, original, mode.startsWith("protected") ? 0555 : 0755));
    if (mode == "output exists") QVERIFY(writeFileRaw(out, "mine"));
    QByteArrayList left{"prog"};
    for (int n = -1; mode == "taken backup" && n < 1000; ++n) {
      left << (n < 0 ? QByteArray("prog.~")
                     : "prog." + QByteArray::number(n).rightJustified(3, '0'));
      QVERIFY(writeFileRaw(folder + left.last(), "taken"));
    }
    if (mode == "linked backup") {  // (ext4 takes 64999 names of one file)
      QVERIFY(MakeFoldersRaw(folder + "links"));
      const QByteArray links = folder + "links/";
      for (int i = 0; i < 200000; ++i)
        if (::link(file.constData(), (links + QByteArray::number(i)).constData()) != 0) break;
      QCOMPARE(errno, EMLINK);
    }
    // A sparse file larger than the disk: its trials' outputs could not all be written.
    if (mode == "no room") QVERIFY(QFile::resize(QFile::decodeName(file), qint64(1) << 42));
    MethodTrials::Setup setup;
    setup.options.BackupBox = mode.endsWith("backup");
    setup.options.OutFileBox = mode.startsWith("output");
    setup.options.EditFileName = file;
    setup.options.EditOutFile = out;
    setup.packer = "upx";
    Race race(setup, {file});
    const FileResults::Row refusal{file, {}, {}, FileResults::Outcome::AlreadyPacked, "packed"};
    // The runs go as a queue over two panes: what is ready starts, then the oldest ends.
    QList<Step> running;
    int started = 0;
    for (;;) {
      while (running.size() < 2)
        if (const std::optional<Step> s = race.next()) {
          running << *s;
          ++started;
          QVERIFY(s->commandLine.contains(s->output));
        } else {
          break;
        }
      if (running.isEmpty() || (mode == "stop" && started == 4)) break;
      const Step s = running.takeFirst();
      const int m = int(s.method);
      if (s.kind == Step::Kind::Test) {
        race.ended(s, failTest.contains(m) ? 2 : 0, {});
      } else {
        if (sizes[m] != -1)
          QVERIFY(writeFileRaw(s.output, QByteArray(qAbs(sizes[m]), char('0' + m))));
        race.ended(s, sizes[m] >= 0 ? 0 : 2, refusal);
      }
    }
    const FileResults::Row row = race.finish(mode == "stop").value(0);
    QCOMPARE(started, runs);
    const std::optional<MethodTrials::Verdict> v = race.verdict(0);
    QCOMPARE(v ? JobEngine::verdictText(Texts(), *v).toUtf8()
               : QByteArray(FileResults::Word(row.outcome)),
             outcome);
    if (mode == "linked backup") left << "links";
    if (v) {
      const int m = int(v->winner);
      const QByteArray result = mode == "output" ? out : file;
      QCOMPARE(readFileBytes(result), QByteArray(sizes[m], char('0' + m)));
      if (mode.endsWith("backup")) QCOMPARE(readFileBytes(file + ".~"), original);
      if (mode != "in place") left << (mode.endsWith("backup") ? "prog.~" : "out");
    } else {
      if (mode != "no room") QCOMPARE(readFileBytes(file), original);
      if (mode == "no room") QVERIFY2(row.message.contains("room"), row.message.constData());
      if (mode == "taken backup")
        QCOMPARE(row.message, QByteArray("could not create a backup file name"));
      if (mode == "output below a file")
        QVERIFY2(row.message.startsWith("cannot create the output file"), row.message.constData());
      if (mode == "output exists") {
        QVERIFY2(row.message.startsWith("FileAlreadyExistsException"), row.message.constData());
        QCOMPARE(readFileBytes(out), QByteArray("mine"));
        left << "out";
      }
    }
    std::sort(left.begin(), left.end());
    QCOMPARE(NamesInFolder(folder), left);  // no trial's output is left
  }

  // Backups are named as the packer names them, the first free name taken.
  void backupName_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArrayList>("taken");
    QTest::addColumn<QByteArray>("backup");
    QTest::newRow("no extension") << QByteArray("prog") << QByteArrayList{} << QByteArray("prog.~");
    QTest::newRow("short extension")
        << QByteArray("lib.so") << QByteArrayList{} << QByteArray("lib.so~");
    QTest::newRow("long extension")
        << QByteArray("prog.exe") << QByteArrayList{} << QByteArray("prog.ex~");
    QTest::newRow("dot in the folder only")
        << QByteArray("d.x/prog") << QByteArrayList{} << QByteArray("d.x/prog.~");
    QTest::newRow("taken") << QByteArray("prog.exe") << QByteArrayList{"prog.ex~", "prog.000"}
                           << QByteArray("prog.001");
  }
  void backupName() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArrayList, taken);
    QFETCH(QByteArray, backup);
    TemporaryDir temporary;
    const QByteArray folder = QFile::encodeName(temporary.path()) + '/';
    QVERIFY(MakeFoldersRaw(folder + "d.x"));
    for (const QByteArray& t : taken) QVERIFY(writeFileRaw(folder + t, "x"));
    QCOMPARE(Race::BackupName(folder + name), folder + backup);
  }
};

QTEST_MAIN(TestMethodTrials)
#include "test_methodtrials.moc"
