// SPDX-License-Identifier: GPL-3.0-or-later
// What a packer run that did not end normally leaves behind, and what is removed of it: real
// files in a temporary folder, made before and "during" the run.

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QtTest>

#include "core/packer/RunLeftovers.h"
#include "support/TestHelpers.h"

namespace {

using Names = QList<QByteArray>;

// The name a file spec of removeLeft makes ("name", "name/", "name>target", "name=input").
QByteArray nameOfSpec(QByteArray spec) {
  for (const char mark : {'>', '='})
    if (spec.contains(mark)) spec.truncate(spec.indexOf(mark));
  if (spec.endsWith('/')) spec.chop(1);
  return spec;
}

}  // namespace

class TestLeftovers : public QObject {
  Q_OBJECT
 private slots:
  void parse_data() {
    QTest::addColumn<Names>("args");
    QTest::addColumn<Names>("inputs");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("keepBackup");
    QTest::newRow("files and options")
        << Names{"upx", "-9", "a", "--best", "b c"} << Names{"a", "b c"} << QByteArray() << false;
    QTest::newRow("-oNAME") << Names{"upx", "-o/x/out", "a"} << Names{"a"} << QByteArray("/x/out")
                            << false;
    QTest::newRow("-o NAME") << Names{"upx", "-o", "out", "a"} << Names{"a"} << QByteArray("out")
                             << false;
    QTest::newRow("--output=NAME")
        << Names{"upx", "--output=out", "a"} << Names{"a"} << QByteArray("out") << false;
    QTest::newRow("--output NAME")
        << Names{"upx", "--output", "out", "a"} << Names{"a"} << QByteArray("out") << false;
    QTest::newRow("cluster with k and o")
        << Names{"upx", "-9ko", "out", "a"} << Names{"a"} << QByteArray("out") << true;
    QTest::newRow("--backup") << Names{"upx", "--backup", "a"} << Names{"a"} << QByteArray()
                              << true;
    QTest::newRow("-- ends options")
        << Names{"upx", "-k", "--", "-o", "-k"} << Names{"-o", "-k"} << QByteArray() << true;
    QTest::newRow("crp switch is no file")
        << Names{"upx", "--crp-ucl-ms=10000", "a"} << Names{"a"} << QByteArray() << false;
    QTest::newRow("nothing") << Names{"upx"} << Names{} << QByteArray() << false;
  }
  void parse() {
    QFETCH(Names, args);
    QFETCH(Names, inputs);
    QFETCH(QByteArray, output);
    QFETCH(bool, keepBackup);
    const RunLeftovers::Arguments a = RunLeftovers::Parse(args);
    QCOMPARE(a.inputs, inputs);
    QCOMPARE(a.output, output);
    QCOMPARE(a.keepBackup, keepBackup);
  }

  void temporaryNames_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("temporary");
    QTest::newRow("extension added") << QByteArray("prog.upx") << QByteArray("prog") << true;
    QTest::newRow("extension replaced") << QByteArray("prog.upx") << QByteArray("prog.exe") << true;
    QTest::newRow("numbered") << QByteArray("prog.000") << QByteArray("prog.exe") << true;
    QTest::newRow("numbered 999") << QByteArray("prog.999") << QByteArray("prog") << true;
    QTest::newRow("last extension") << QByteArray("a.b.upx") << QByteArray("a.b.c") << true;
    QTest::newRow("leading dot") << QByteArray(".upx") << QByteArray(".profile") << true;
    QTest::newRow("the input itself") << QByteArray("prog.upx") << QByteArray("prog.upx") << false;
    QTest::newRow("backup") << QByteArray("prog.ex~") << QByteArray("prog.exe") << false;
    QTest::newRow("two digits") << QByteArray("prog.00") << QByteArray("prog") << false;
    QTest::newRow("four digits") << QByteArray("prog.0000") << QByteArray("prog") << false;
    QTest::newRow("other stem") << QByteArray("progx.upx") << QByteArray("prog") << false;
    QTest::newRow("extension kept")
        << QByteArray("prog.exe.upx") << QByteArray("prog.exe") << false;
  }
  void temporaryNames() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, input);
    QFETCH(bool, temporary);
    QCOMPARE(RunLeftovers::IsTemporaryName(name, input), temporary);
  }

  // Files there before the run, files the "run" makes, and what is left after the removal.
  // Names: "name" a regular file; "name>target" a symbolic link; "name/" a folder;
  // "name=input" a hard link to the input.
  void removeLeft_data() {
    QTest::addColumn<Names>("args");  // without the packer; "@" stands for the folder
    QTest::addColumn<Names>("before");
    QTest::addColumn<Names>("during");
    QTest::addColumn<Names>("removed");
    QTest::newRow("temporary file")
        << Names{"@/prog"} << Names{"prog"} << Names{"prog.upx"} << Names{"prog.upx"};
    QTest::newRow("numbered, the earlier one stays")
        << Names{"-9", "@/prog.exe"} << Names{"prog.exe", "prog.upx"} << Names{"prog.000"}
        << Names{"prog.000"};
    QTest::newRow("backup and unrelated files stay")
        << Names{"-k", "@/prog.exe"} << Names{"prog.exe"}
        << Names{"prog.ex~", "other.upx", "prog.upx"} << Names{"prog.upx"};
    QTest::newRow("numbered may be the backup")
        << Names{"-k", "@/prog"} << Names{"prog", "prog.~"} << Names{"prog.000", "prog.upx"}
        << Names{"prog.upx"};
    QTest::newRow("partial output")
        << Names{"-o@/out.bin", "@/prog"} << Names{"prog"} << Names{"out.bin"} << Names{"out.bin"};
    QTest::newRow("output there before stays") << Names{"-f", "-o", "@/out.bin", "@/prog"}
                                               << Names{"prog", "out.bin"} << Names{} << Names{};
    QTest::newRow("input gone: its temporary file is kept")
        << Names{"@/prog"} << Names{} << Names{"prog.upx"} << Names{};
    QTest::newRow("not regular files")
        << Names{"@/prog"} << Names{"prog"} << Names{"prog.upx/", "prog.000>prog"} << Names{};
    QTest::newRow("hard link to the input")
        << Names{"@/prog"} << Names{"prog"} << Names{"prog.upx=prog"} << Names{};
    QTest::newRow("hostile name") << Names{"@/a\nb\xff\x1b[2J"} << Names{"a\nb\xff\x1b[2J"}
                                  << Names{"a\nb\xff\x1b[2J.upx"} << Names{"a\nb\xff\x1b[2J.upx"};
    QTest::newRow("two inputs, two folders")
        << Names{"@/one", "@/sub/two.so"} << Names{"one", "sub/", "sub/two.so"}
        << Names{"one.upx", "sub/two.upx", "sub/one.upx"} << Names{"one.upx", "sub/two.upx"};
  }
  void removeLeft() {
    QFETCH(Names, args);
    QFETCH(Names, before);
    QFETCH(Names, during);
    QFETCH(Names, removed);
    TemporaryDir tmp;
    const QByteArray dir = QFile::encodeName(tmp.path());
    auto make = [&](const QByteArray& spec) {
      if (spec.endsWith('/')) return QDir().mkpath(QFile::decodeName(dir + '/' + spec));
      const qsizetype link = spec.indexOf('>'), hard = spec.indexOf('=');
      if (link > 0)
        return ::symlink(spec.mid(link + 1).constData(),
                         (dir + '/' + spec.left(link)).constData()) == 0;
      if (hard > 0)
        return ::link((dir + '/' + spec.mid(hard + 1)).constData(),
                      (dir + '/' + spec.left(hard)).constData()) == 0;
      return writeFileRaw(dir + '/' + spec, "data of " + spec, 0644);
    };
    for (const QByteArray& b : before) QVERIFY(make(b));
    Names full{"upx"};
    for (QByteArray a : args) full << a.replace('@', dir);
    const RunLeftovers leftovers(full);
    for (const QByteArray& d : during) QVERIFY(make(d));
    Names expected;
    for (const QByteArray& r : removed) expected << dir + '/' + r;
    QCOMPARE(leftovers.RemoveLeft(), expected);
    // Everything else is still there.
    for (const QByteArray& spec : before + during) {
      const QByteArray name = nameOfSpec(spec);
      struct stat st;
      const bool exists = ::lstat((dir + '/' + name).constData(), &st) == 0;
      QVERIFY2(exists == !removed.contains(name), name.constData());
    }
  }

  // Names relative to the current folder come back spelled as they were given.
  void relativeNames() {
    TemporaryDir tmp;
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(tmp.path()));
    QVERIFY(writeFileRaw("prog", "x", 0644));
    const RunLeftovers leftovers({"upx", "prog"});
    QVERIFY(writeFileRaw("prog.upx", "partial", 0644));
    const Names removed = leftovers.RemoveLeft();
    QDir::setCurrent(saved);
    QCOMPARE(removed, Names{"prog.upx"});
  }
};

QTEST_GUILESS_MAIN(TestLeftovers)
#include "test_leftovers.moc"
