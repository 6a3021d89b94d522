// SPDX-License-Identifier: GPL-3.0-or-later
// Several packer runs at once, the core: how the files are handed to the runs, which run's end
// stands for the job, and the preference's record in the settings file.

#include <QtTest>

#include "core/batch/RunGroups.h"
#include "core/settings/CFGfile.h"
#include "core/settings/SettingsFile.h"
#include "support/TestHelpers.h"

class TestRunGroups : public QObject {
  Q_OBJECT
 private slots:
  // Names that differ only after their last dot in one folder (the packer's temporary and backup
  // names come from that stem) share a key, also when the folder is spelled two ways; names keep
  // every byte.
  void stemKey() {
    TemporaryDir dir;
    const QByteArray d = QFile::encodeName(dir.path()) + '/';
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("sub"))));
    const QByteArray a = d + "prog.exe";
    QCOMPARE(RunGroups::StemKey(a), RunGroups::StemKey(d + "prog.dll"));
    QCOMPARE(RunGroups::StemKey(a), RunGroups::StemKey(d + "./prog"));
    QCOMPARE(RunGroups::StemKey(a), RunGroups::StemKey(d + "sub/../prog.so"));
    QVERIFY(RunGroups::StemKey(a) != RunGroups::StemKey(d + "other.exe"));
    QVERIFY(RunGroups::StemKey(d + "a.b.c") != RunGroups::StemKey(d + "a.x"));
    const QByteArray hostile = d + "-we\"ird na\xff me\x1b[2J";
    QCOMPARE(RunGroups::StemKey(hostile + ".bin"), RunGroups::StemKey(hostile + ".exe"));
    QVERIFY(RunGroups::StemKey(hostile + ".bin") != RunGroups::StemKey(d + "-we\"ird na"));
  }

  // The queue of several runs: a free run takes the largest unit left, files of one stem
  // together, small ones bundled up to a sixteenth of a run's share, within the argument room
  // (here `names` names of three letters); a stem past the room goes a piece at a time. Each
  // take is "run:names" in the selection's order.
  void queue_data() {
    QTest::addColumn<QStringList>("files");  // name=size
    QTest::addColumn<int>("runs");
    QTest::addColumn<int>("names");
    QTest::addColumn<QStringList>("takes");
    QTest::newRow("largest first") << QStringList{"aaa=1000", "bbb=3000", "ccc=2000"} << 2 << 10
                                   << QStringList{"0:bbb", "1:ccc", "0:aaa", "1:", "0:"};
    QTest::newRow("a stem together") << QStringList{"a.x=1000", "bbb=1500", "a.y=1000"} << 2 << 10
                                     << QStringList{"0:a.x a.y", "1:bbb", "0:"};
    QTest::newRow("small ones bundled")
        << QStringList{"s01=100", "big=160000", "s02=100", "s03=100", "s04=100"} << 2 << 10
        << QStringList{"0:big", "1:s01 s02 s03 s04", "0:"};
    QTest::newRow("bundles within the room")
        << QStringList{"big=160000", "s01=100", "s02=100", "s03=100"} << 2 << 2
        << QStringList{"0:big", "1:s01 s02", "1:s03", "0:"};
    QTest::newRow("a stem past the room, a piece at a time")
        << QStringList{"x.1=100", "x.2=100", "x.3=100", "yyy=50"} << 2 << 2
        << QStringList{"0:x.1 x.2", "1:yyy", "1:", "0:x.3", "0:"};
    QTest::newRow("a name alone past the room")
        << QStringList{"aaa=100", "bbb=200"} << 2 << 0 << QStringList{"0:bbb", "1:aaa", "0:"};
  }
  void queue() {
    QFETCH(QStringList, files);
    QFETCH(int, runs);
    QFETCH(int, names);
    QFETCH(QStringList, takes);
    TemporaryDir dir;
    const QByteArray d = QFile::encodeName(dir.path()) + '/';
    QList<QByteArray> paths;
    for (const QString& f : files) {
      paths << d + f.section(u'=', 0, 0).toUtf8();
      QVERIFY(writeFileBytes(paths.last(), QByteArray(f.section(u'=', 1).toInt(), 'x')));
    }
    RunGroups::Queue queue(paths, runs, 0, names * (d.size() + 3 + 1 + qsizetype(sizeof(char*))));
    QStringList got;
    for (const QString& t : takes) {
      const int run = t.section(u':', 0, 0).toInt();
      QStringList shown;
      for (const QByteArray& p : queue.take(run)) shown << QString::fromUtf8(p.mid(d.size()));
      got << QString::number(run) + u':' + shown.join(u' ');
    }
    QCOMPARE(got, takes);
    QVERIFY(queue.isEmpty());
  }

  void worstRun_data() {
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<int>("worst");
    QTest::newRow("all fine") << QList<int>{0, 0, 0} << 0;
    QTest::newRow("a warning") << QList<int>{0, 2, 0} << 1;
    QTest::newRow("an error beats a warning") << QList<int>{2, 0, 1} << 2;
    QTest::newRow("the first of equals") << QList<int>{1, 1} << 0;
    QTest::newRow("a signal beats an error") << QList<int>{1, 130, 2} << 1;
    QTest::newRow("another code beats an error") << QList<int>{1, 3} << 1;
    QTest::newRow("none") << QList<int>{} << -1;
  }
  void worstRun() {
    QFETCH(QList<int>, codes);
    QFETCH(int, worst);
    QCOMPARE(RunGroups::WorstRun(codes), qsizetype(worst));
  }

  // Batches within the argument room: each name costs its bytes, its end and a pointer.
  void splitForArgumentLimit_data() {
    QTest::addColumn<QList<int>>("lengths");
    QTest::addColumn<int>("room");  // beside 100 fixed bytes
    QTest::addColumn<QList<int>>("batchSizes");
    const int cost = 10 + 1 + int(sizeof(char*));  // of a name of 10 bytes
    QTest::newRow("all fit") << QList<int>(5, 10) << 100 + 5 * cost << QList<int>{5};
    QTest::newRow("one byte short") << QList<int>(5, 10) << 100 + 5 * cost - 1 << QList<int>{4, 1};
    QTest::newRow("three batches") << QList<int>(7, 10) << 100 + 3 * cost << QList<int>{3, 3, 1};
    QTest::newRow("a name past the room runs alone")
        << QList<int>{10, 5000, 10} << 100 + 2 * cost << QList<int>{1, 1, 1};
    QTest::newRow("none") << QList<int>{} << 100 << QList<int>{0};
  }
  void splitForArgumentLimit() {
    QFETCH(QList<int>, lengths);
    QFETCH(int, room);
    QFETCH(QList<int>, batchSizes);
    QList<QByteArray> files;
    for (int i = 0; i < lengths.size(); ++i)
      files << QByteArray::number(i).leftJustified(lengths[i], 'x');
    const QList<QList<QByteArray>> batches = RunGroups::SplitForArgumentLimit(files, 100, room);
    QList<int> sizes;
    QList<QByteArray> all;
    for (const QList<QByteArray>& b : batches) {
      sizes << int(b.size());
      all += b;
    }
    QCOMPARE(sizes, batchSizes);
    QCOMPARE(all, files);  // every file once, in order
  }

  void clampToTheCores_data() {
    QTest::addColumn<quint32>("stored");
    QTest::addColumn<quint32>("used");
    const quint32 cores = quint32(RunGroups::MaxRuns());
    QTest::newRow("zero") << 0u << 1u;
    QTest::newRow("one") << 1u << 1u;
    QTest::newRow("the cores") << cores << cores;
    QTest::newRow("more than the cores") << cores + 1 << cores;
    QTest::newRow("largest") << 4294967295u << cores;
  }
  void clampToTheCores() {
    QFETCH(quint32, stored);
    QFETCH(quint32, used);
    QCOMPARE(RunGroups::Clamp(stored), used);
  }

  // The record goes after the other cardinals and round-trips; a file written before it loads
  // without it (the default stays), and the records before it keep their bytes.
  void settingsRecord() {
    TemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path()) + "/p.cfg";
    Settings::SettingsRows rows;
    rows.CmdLinesMax = 10;
    rows.GlobalOpt_PriorityClass = 32;
    rows.GlobalOpt_PackerRuns = 2;
    rows.GlobalOpt_ShowHints = true;
    QVERIFY(Settings::SaveSettingsFile(path, rows));
    const QByteArray bytes = readFileBytes(path);
    const qsizetype lines = bytes.indexOf("c0000000011CmdLinesMax");
    const qsizetype runs =
        bytes.indexOf("c0000000020GlobalOpt_PackerRuns000000000020000000000\r\n");
    QVERIFY(lines > bytes.indexOf("c0000000023GlobalOpt_PriorityClass"));
    QVERIFY(runs > lines);
    QVERIFY(runs < bytes.indexOf("b0000000019GlobalOpt_ShowHints"));
    Settings::SettingsRows back;
    QVERIFY(Settings::LoadSettingsFile(path, back));
    QCOMPARE(back.GlobalOpt_PackerRuns, std::optional<quint32>(2));

    Settings::SettingsRows old = rows;
    old.GlobalOpt_PackerRuns.reset();
    QVERIFY(Settings::SaveSettingsFile(path, old));
    const QByteArray oldBytes = readFileBytes(path);
    QCOMPARE(oldBytes, QByteArray(bytes).remove(runs, 54));
    QVERIFY(Settings::LoadSettingsFile(path, back));
    QVERIFY(!back.GlobalOpt_PackerRuns);
    QCOMPARE(back.CmdLinesMax, std::optional<quint32>(10));
  }
};

QTEST_GUILESS_MAIN(TestRunGroups)
#include "test_rungroups.moc"
