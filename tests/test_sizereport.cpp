// SPDX-License-Identifier: GPL-3.0-or-later
// The size and ratio figures as text: whole kibibytes cut down (a few bytes are 1, not 0), ratio
// rounded half to even, 64-bit totals; and the sizes themselves, of real files.
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>

#include "core/packer/FileSizes.h"
#include "core/packer/SizeReport.h"
#include "core/packer/SizeTask.h"
#include "support/TestHelpers.h"

class TestSizeReport : public QObject {
  Q_OBJECT
 private slots:
  void kibText_data() {
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("0") << quint64(0) << QByteArray("0 KB");
    QTest::newRow("1 byte is not 0") << quint64(1) << QByteArray("1 KB");
    QTest::newRow("1023 is not 0") << quint64(1023) << QByteArray("1 KB");
    QTest::newRow("1024") << quint64(1024) << QByteArray("1 KB");
    QTest::newRow("2047 cut down") << quint64(2047) << QByteArray("1 KB");
    QTest::newRow("1 MiB") << quint64(1048576) << QByteArray("1024 KB");
    QTest::newRow("4 GiB does not wrap") << (quint64(4) << 30) << QByteArray("4194304 KB");
    QTest::newRow("5 GiB + 1023") << ((quint64(5) << 30) + 1023) << QByteArray("5242880 KB");
  }
  void kibText() {
    QFETCH(quint64, bytes);
    QFETCH(QByteArray, text);
    QCOMPARE(SizeReport::KiBText(bytes, "KB"), text);
  }

  void kibTextKeepsUnitBytes() {
    QCOMPARE(SizeReport::KiBText(7168, "\xd0\x9a\xd0\xb1"), QByteArray("7 \xd0\x9a\xd0\xb1"));
    QCOMPARE(SizeReport::KiBText(3072, QByteArray()), QByteArray("3 "));
  }

  void ratio_data() {
    QTest::addColumn<quint64>("uncompressed");
    QTest::addColumn<quint64>("compressed");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("12.5 to even 12") << quint64(8) << quint64(1) << QByteArray("12 %");
    QTest::newRow("13.5 to even 14") << quint64(200) << quint64(27) << QByteArray("14 %");
    QTest::newRow("39.0625") << quint64(1048576) << quint64(409600) << QByteArray("39 %");
    QTest::newRow("unpack swaps roles")
        << quint64(409600) << quint64(1048576) << QByteArray("256 %");
    QTest::newRow("equal") << quint64(1536) << quint64(1536) << QByteArray("100 %");
    QTest::newRow("2/3 rounds up") << quint64(3) << quint64(2) << QByteArray("67 %");
    QTest::newRow("nothing packed") << quint64(5000) << quint64(0) << QByteArray("0 %");
    QTest::newRow("totals above 4 GiB")
        << ((quint64(6) << 30)) << ((quint64(3) << 30)) << QByteArray("50 %");
    QTest::newRow("above 4 GiB, small ratio")
        << ((quint64(5) << 30)) << quint64(53687091) << QByteArray("1 %");
  }
  void ratio() {
    QFETCH(quint64, uncompressed);
    QFETCH(quint64, compressed);
    QFETCH(QByteArray, text);
    const auto r = SizeReport::RatioText(uncompressed, compressed);
    QVERIFY(r.has_value());
    QCOMPARE(*r, text);
  }

  // A regular file has its size, also one nobody may write (a running program, a read-only
  // file); a missing one, a folder or a pipe has none. A total counts every file, past any
  // without a size.
  void fileSizes_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<qint64>("size");  // -1: none
    QTest::newRow("5000 bytes") << QByteArray("a\xff b") << qint64(5000);
    QTest::newRow("empty") << QByteArray("empty") << qint64(0);
    QTest::newRow("link to a file") << QByteArray("link") << qint64(5000);
    QTest::newRow("read-only") << QByteArray("read-only") << qint64(700);
    QTest::newRow("missing") << QByteArray("missing") << qint64(-1);
    QTest::newRow("folder") << QByteArray("folder") << qint64(-1);
    QTest::newRow("pipe") << QByteArray("pipe") << qint64(-1);
    QTest::newRow("running program") << QByteArray("@running") << qint64(-2);  // its own size
  }
  void fileSizes() {
    QFETCH(QByteArray, name);
    QFETCH(qint64, size);
    TemporaryDir tmp;
    const QByteArray dir = QFile::encodeName(tmp.path()) + '/';
    QVERIFY(writeFileRaw(dir + "a\xff b", QByteArray(5000, 'x'), 0644));
    QVERIFY(writeFileRaw(dir + "empty", {}, 0644));
    QVERIFY(writeFileRaw(dir + "read-only", QByteArray(700, 'r'), 0444));
    QVERIFY(::symlink("a\xff b", (dir + "link").constData()) == 0);
    QVERIFY(::mkdir((dir + "folder").constData(), 0755) == 0);
    QVERIFY(::mkfifo((dir + "pipe").constData(), 0644) == 0);
    const QString self = QCoreApplication::applicationFilePath();
    const QByteArray path = name == "@running" ? QFile::encodeName(self) : dir + name;
    if (size == -2) size = QFileInfo(self).size();
    const std::optional<quint64> got = FileSizes::SizeOf(path);
    QCOMPARE(got ? qint64(*got) : -1, size);
    // The file between two others: counted by its size, and the one after it still counts.
    const QList<QByteArray> three{dir + "a\xff b", path, dir + "link"};
    QCOMPARE(FileSizes::Sum(three), quint64(10000 + qMax(size, qint64(0))));
  }

  // Many small files: the total is their bytes together, not their kibibytes cut down one by
  // one (which made 30,000 files of 624 bytes "0 KB"); a few are summed at once, many beside the
  // event loop, and a newer start drops the older sum, but not the same selection's.
  void manySmallFilesTotal_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("at once") << 100 << QByteArray("60 KB");
    QTest::newRow("beside the loop") << 700 << QByteArray("426 KB");
  }
  void manySmallFilesTotal() {
    QFETCH(int, count);
    QFETCH(QByteArray, shown);
    TemporaryDir tmp;
    QList<QByteArray> files;
    for (int i = 0; i < count; ++i) {
      files << QFile::encodeName(tmp.path()) + "/f" + QByteArray::number(i);
      QVERIFY(writeFileRaw(files.last(), QByteArray(624, 'x'), 0644));
    }
    SizeTask task;
    QList<QPair<quint64, qsizetype>> sums;
    connect(&task, &SizeTask::summed, this,
            [&sums](quint64 bytes, qsizetype n) { sums << qMakePair(bytes, n); });
    const bool atOnce = count <= SizeTask::SummedAtOnce;
    if (!atOnce) task.start(files.mid(1));  // replaced before its answer: never given
    task.start(files);
    QCOMPARE(sums.size(), atOnce ? 1 : 0);
    QTRY_COMPARE(sums.size(), 1);
    QTest::qWait(20);
    QCOMPARE(sums.size(), 1);
    QCOMPARE(sums[0].second, qsizetype(count));
    QCOMPARE(SizeReport::KiBText(sums[0].first, "KB"), shown);
    // The same selection again: while its sum is under way one sum comes, once it has come
    // another (the file box shows "…" until then).
    task.start(files);
    if (!atOnce) task.start(files);
    QTRY_COMPARE(sums.size(), 2);
    QTest::qWait(20);
    QCOMPARE(sums.size(), 2);
    QCOMPARE(sums[1], sums[0]);
  }

  void noRatioWithoutUncompressedSize() {
    QVERIFY(!SizeReport::RatioText(0, 12345).has_value());
    QVERIFY(!SizeReport::RatioPercent(0, 0).has_value());
  }
};

QTEST_GUILESS_MAIN(TestSizeReport)
#include "test_sizereport.moc"
