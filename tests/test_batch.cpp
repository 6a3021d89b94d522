// SPDX-License-Identifier: GPL-3.0-or-later
// Folders as input: which files of a tree count as packable executables.

#include <sys/stat.h>
#include <unistd.h>

#include <QtTest>

#include "core/batch/DroppedNames.h"
#include "core/batch/ExecutableScan.h"
#include "core/batch/ScanTask.h"
#include "support/TestHelpers.h"

using ExecutableScan::Format;

class TestBatch : public QObject {
  Q_OBJECT
 private slots:
  void detectFormat_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("format");
    QTest::newRow("elf") << QByteArray(
                                "\x7f"
                                "ELF\x02\x01")
                         << int(Format::Elf);
    QTest::newRow("mz") << QByteArray("MZ\x90\x00") << int(Format::Mz);
    QTest::newRow("mach-o 64 le") << QByteArray("\xcf\xfa\xed\xfe") << int(Format::MachO);
    QTest::newRow("mach-o 32 be") << QByteArray("\xfe\xed\xfa\xce") << int(Format::MachO);
    QTest::newRow("java class, fat magic") << QByteArray("\xca\xfe\xba\xbe") << int(Format::None);
    QTest::newRow("script") << QByteArray("#!/bin/sh\n") << int(Format::None);
    QTest::newRow("elf cut short") << QByteArray(
                                          "\x7f"
                                          "EL")
                                   << int(Format::None);
    QTest::newRow("empty") << QByteArray() << int(Format::None);
    QTest::newRow("lower-case mz") << QByteArray("mz\x90\x00") << int(Format::None);
  }
  void detectFormat() {
    QFETCH(QByteArray, head);
    QFETCH(int, format);
    QCOMPARE(int(ExecutableScan::DetectFormat(head)), format);
  }

  // A tree with executables, other files, links in and out of it, a pipe and hostile names:
  // exactly the executables inside it come back, each once, names byte for byte.
  void folderSelectsExactlyTheExecutables() {
    TemporaryDir outside, tree;
    const QByteArray root = QFile::encodeName(tree.path());
    const QByteArray out = QFile::encodeName(outside.path());
    const QByteArray elf = QByteArray(
                               "\x7f"
                               "ELF",
                               4) +
                           QByteArray(600, 'e');
    QVERIFY(writeFileBytes(out + "/outside.elf", elf));
    QVERIFY(::mkdir((root + "/sub").constData(), 0755) == 0);
    QVERIFY(::mkdir((root + "/sub/deeper").constData(), 0755) == 0);
    const QByteArray hostile = root + "/sub/we\"ird na\xff\xfe me\x1b[31m";
    const QList<std::pair<QByteArray, QByteArray>> files = {
        {root + "/app", elf},
        {root + "/setup.exe", "MZ" + QByteArray(600, 'm')},
        {root + "/readme.txt", "just text"},
        {root + "/run.sh", "#!/bin/sh\necho hi\n"},
        {root + "/empty", QByteArray()},
        {root + "/sub/tool with blanks", elf},
        {root + "/sub/deeper/mac", QByteArray("\xcf\xfa\xed\xfe", 4) + QByteArray(600, 'o')},
    };
    for (const auto& [path, bytes] : files) QVERIFY(writeFileBytes(path, bytes));
    // A name that is not UTF-8 is made by renaming, byte for byte (Qt's file names would not be).
    QVERIFY(writeFileBytes(root + "/sub/plain", elf));
    QVERIFY(::rename((root + "/sub/plain").constData(), hostile.constData()) == 0);
    // Links: out of the tree (skipped), to a file inside (taken once), to the tree itself (a
    // loop), dangling; and a pipe, which must not be opened for reading (it would block).
    QVERIFY(::symlink((out + "/outside.elf").constData(), (root + "/link-out").constData()) == 0);
    QVERIFY(::symlink((root + "/app").constData(), (root + "/sub/link-in").constData()) == 0);
    QVERIFY(::symlink(root.constData(), (root + "/sub/deeper/loop").constData()) == 0);
    QVERIFY(::symlink("/nonexistent", (root + "/dangling").constData()) == 0);
    QVERIFY(::mkfifo((root + "/pipe").constData(), 0644) == 0);

    const ExecutableScan::Result r = ExecutableScan::Expand({root});
    const QList<QByteArray> expected = {root + "/app", root + "/setup.exe",
                                        root + "/sub/deeper/mac", root + "/sub/tool with blanks",
                                        hostile};
    QCOMPARE(r.files, expected);
    QCOMPARE(r.folders, 1);
    QCOMPARE(r.filesFromFolders, 5);
    QVERIFY(!r.cancelled);
  }

  void filesAndFoldersTogether() {
    TemporaryDir a, b;
    const QByteArray elf = QByteArray(
                               "\x7f"
                               "ELF",
                               4) +
                           QByteArray(600, 'e');
    const QByteArray pa = QFile::encodeName(a.path()), pb = QFile::encodeName(b.path());
    QVERIFY(writeFileBytes(pa + "/one", elf));
    QVERIFY(writeFileBytes(pb + "/two", elf));
    QVERIFY(writeFileBytes(pb + "/notes", "text"));
    // A file given directly stays as given (even when not an executable) and is not taken again
    // from its folder; a missing name stays too, for the packer to report.
    const ExecutableScan::Result r =
        ExecutableScan::Expand({pb + "/notes", pa, pb, pa + "/one", "/nonexistent/x"});
    QCOMPARE(r.files,
             (QList<QByteArray>{pb + "/notes", pa + "/one", "/nonexistent/x", pb + "/two"}));
    QCOMPARE(r.folders, 2);
    QCOMPARE(r.filesFromFolders, 1);
  }

  // The scan runs beside the event loop and reports on the thread that started it; a scan that
  // was replaced by a newer one (here after it ended, its report still queued) or cancelled
  // reports nothing.
  void taskReportsOnlyTheLatestScan() {
    TemporaryDir a, b;
    const QByteArray pa = QFile::encodeName(a.path()), pb = QFile::encodeName(b.path());
    QVERIFY(writeFileBytes(pa + "/one", QByteArray("\x7f"
                                                   "ELF",
                                                   4)));
    QVERIFY(writeFileBytes(pb + "/two", QByteArray("MZ")));
    ScanTask task;
    QSignalSpy done(&task, &ScanTask::finished);
    task.start({pa});
    QTest::qSleep(300);
    task.start({pb});
    QVERIFY(done.wait(5000));
    QCOMPARE(done.size(), 1);
    QCOMPARE(done[0][0].value<ExecutableScan::Result>().files, QList<QByteArray>{pb + "/two"});
    QCOMPARE(done[0][1].value<QList<QByteArray>>(), QList<QByteArray>{pb});
    QVERIFY(!task.isRunning());

    task.start({pa});
    task.cancel();
    QVERIFY(!done.wait(200));
    QCOMPARE(done.size(), 1);
  }

  void cancelStopsTheScan() {
    TemporaryDir tree;
    const QByteArray root = QFile::encodeName(tree.path());
    QVERIFY(writeFileBytes(root + "/a", QByteArray("\x7f"
                                                   "ELF",
                                                   4)));
    std::atomic_bool cancel = true;
    const ExecutableScan::Result r = ExecutableScan::Expand({root}, &cancel);
    QVERIFY(r.cancelled);
    QVERIFY(r.files.isEmpty());
  }

  // The folders given that hold nothing packable are named, each once; a folder whose files an
  // earlier folder took already is not empty, nor is one holding only a file given directly. A
  // link in "app" into the neighbouring "app-old" leads out of the folder.
  void emptyFoldersNamed() {
    TemporaryDir a, b, c, d;
    const QByteArray pa = QFile::encodeName(a.path()), pb = QFile::encodeName(b.path());
    const QByteArray pc = QFile::encodeName(c.path()), pd = QFile::encodeName(d.path());
    const QByteArray app = pc + "/app";
    const QByteArray elf = QByteArray(
                               "\x7f"
                               "ELF",
                               4) +
                           QByteArray(100, 'e');
    QVERIFY(writeFileBytes(pa + "/notes.txt", "text"));
    QVERIFY(::mkdir((pa + "/sub").constData(), 0755) == 0);
    QVERIFY(::symlink("/bin/true", (pa + "/sub/link-out").constData()) == 0);
    QVERIFY(::mkdir((pb + "/inner").constData(), 0755) == 0);
    QVERIFY(writeFileBytes(pb + "/inner/tool", elf));
    QVERIFY(writeFileBytes(pd + "/given", elf));
    QVERIFY(MakeFoldersRaw(app) && MakeFoldersRaw(app + "-old"));
    QVERIFY(writeFileBytes(app + "-old/tool", elf));
    QVERIFY(::symlink("../app-old/tool", (app + "/tool").constData()) == 0);
    const ExecutableScan::Result r =
        ExecutableScan::Expand({pd + "/given", pa, pb, pb + "/inner", app, pd});
    QCOMPARE(r.files, (QList<QByteArray>{pd + "/given", pb + "/inner/tool"}));
    QCOMPARE(r.folders, 5);
    QCOMPARE(r.emptyFolders, (QList<QByteArray>{pa, app}));
  }

  // A drop's names come from the URI list byte for byte; only local files count.
  void droppedNames_data() {
    QTest::addColumn<QByteArray>("uriList");
    QTest::addColumn<QList<QByteArray>>("names");
    using Names = QList<QByteArray>;
    QTest::newRow("two, CR LF") << QByteArray("file:///a/b\r\nfile:///c%20d\r\n")
                                << Names{"/a/b", "/c d"};
    QTest::newRow("not UTF-8") << QByteArray("file:///t/na%FF%FEme%1B%5B31m\r\n")
                               << Names{"/t/na\xff\xfeme\x1b[31m"};
    QTest::newRow("quotes, percent, hash")
        << QByteArray("file:///q/%22x%22%20'y'%25%23%3F") << Names{"/q/\"x\" 'y'%#?"};
    QTest::newRow("line feed in a name") << QByteArray("file:///n/a%0Ab\n") << Names{"/n/a\nb"};
    QTest::newRow("localhost, scheme case") << QByteArray("FILE://localhost/x\r\n") << Names{"/x"};
    QTest::newRow("host case") << QByteArray("file://LocalHost/x\r\n") << Names{"/x"};
    QTest::newRow("comment and blank lines")
        << QByteArray("# from a file manager\r\n\r\nfile:///y\r\n") << Names{"/y"};
    QTest::newRow("other host, other scheme")
        << QByteArray("file://elsewhere.example/z\r\nhttps://example.org/a.exe\r\nfile:///k")
        << Names{"/k"};
    QTest::newRow("NUL byte refused") << QByteArray("file:///a%00b\r\nfile:///ok") << Names{"/ok"};
    QTest::newRow("query and fragment cut")
        << QByteArray("file:///f?x=1\r\nfile:///g#top") << Names{"/f", "/g"};
    QTest::newRow("list ending in NUL")
        << QByteArray("file:///x\r\nfile:///y\r\n\0", 23) << Names{"/x", "/y"};
    QTest::newRow("empty") << QByteArray() << Names{};
  }
  void droppedNames() {
    QFETCH(QByteArray, uriList);
    QFETCH(QList<QByteArray>, names);
    QCOMPARE(DroppedNames::FromUriList(uriList), names);
  }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "test_batch.moc"
