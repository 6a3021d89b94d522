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
    QTest::newRow("files and options")
        << Names{"upx", "-9", "a", "--best", "b c"} << Names{"a", "b c"} << QByteArray();
    QTest::newRow("-oNAME") << Names{"upx", "-o/x/out", "a"} << Names{"a"} << QByteArray("/x/out");
    QTest::newRow("-o NAME") << Names{"upx", "-o", "out", "a"} << Names{"a"} << QByteArray("out");
    QTest::newRow("--output=NAME")
        << Names{"upx", "--output=out", "a"} << Names{"a"} << QByteArray("out");
    QTest::newRow("--output NAME")
        << Names{"upx", "--output", "out", "a"} << Names{"a"} << QByteArray("out");
    QTest::newRow("cluster with k and o")
        << Names{"upx", "-9ko", "out", "a"} << Names{"a"} << QByteArray("out");
    QTest::newRow("--backup") << Names{"upx", "--backup", "a"} << Names{"a"} << QByteArray();
    QTest::newRow("-- ends options")
        << Names{"upx", "-k", "--", "-o", "-k"} << Names{"-o", "-k"} << QByteArray();
    QTest::newRow("crp switch is no file")
        << Names{"upx", "--crp-ucl-ms=10000", "a"} << Names{"a"} << QByteArray();
    QTest::newRow("nothing") << Names{"upx"} << Names{} << QByteArray();
  }
  void parse() {
    QFETCH(Names, args);
    QFETCH(Names, inputs);
    QFETCH(QByteArray, output);
    const RunLeftovers::Arguments a = RunLeftovers::Parse(args);
    QCOMPARE(a.inputs, inputs);
    QCOMPARE(a.output, output);
  }

  // The packer's own names for a run's files, each row watched at work with UPX 4.2.3: the
  // temporary file it writes beside each input (in the order of the inputs) and, with -k, the
  // backup the input is renamed to, by the names the folder held before. A run stopped while a
  // temporary file is written leaves that file alone; one stopped later leaves only backups and
  // packed files, which stay. The file system may give a temporary file the inode number an
  // input packed before it freed (ext4 does): that file goes too.
  void packerNames_data() {
    QTest::addColumn<Names>("inputs");
    QTest::addColumn<Names>("taken");
    QTest::addColumn<bool>("keep");
    QTest::addColumn<Names>("temporary");
    QTest::addColumn<Names>("backups");
    QTest::newRow("prog.exe -> prog.upx")
        << Names{"prog.exe"} << Names{} << false << Names{"prog.upx"} << Names{};
    QTest::newRow("prog.exe -k -> prog.ex~")
        << Names{"prog.exe"} << Names{} << true << Names{"prog.upx"} << Names{"prog.ex~"};
    QTest::newRow("prog -k -> prog.~")
        << Names{"prog"} << Names{} << true << Names{"prog.upx"} << Names{"prog.~"};
    QTest::newRow("lib.so -k -> lib.so~")
        << Names{"lib.so"} << Names{} << true << Names{"lib.upx"} << Names{"lib.so~"};
    QTest::newRow("prog.x -k -> prog.x~")
        << Names{"prog.x"} << Names{} << true << Names{"prog.upx"} << Names{"prog.x~"};
    QTest::newRow("a.b.c -k: the last dot")
        << Names{"a.b.c"} << Names{} << true << Names{"a.b.upx"} << Names{"a.b.c~"};
    QTest::newRow(".profile -k: a leading dot")
        << Names{".profile"} << Names{} << true << Names{".upx"} << Names{".profil~"};
    QTest::newRow("backup taken -> prog.000")
        << Names{"prog.exe"} << Names{"prog.ex~"} << true << Names{"prog.upx"} << Names{"prog.000"};
    QTest::newRow("backup and prog.000 taken -> prog.001")
        << Names{"prog.exe"} << Names{"prog.ex~", "prog.000"} << true << Names{"prog.upx"}
        << Names{"prog.001"};
    QTest::newRow("prog.~ taken -> prog.000")
        << Names{"prog"} << Names{"prog.~"} << true << Names{"prog.upx"} << Names{"prog.000"};
    QTest::newRow("prog.upx taken -> prog.000")
        << Names{"prog.exe"} << Names{"prog.upx"} << false << Names{"prog.000"} << Names{};
    QTest::newRow("prog.upx and prog.000 taken -> prog.001")
        << Names{"prog.exe"} << Names{"prog.upx", "prog.000"} << false << Names{"prog.001"}
        << Names{};
    QTest::newRow("prog.upx and backup taken, no -k")
        << Names{"prog.exe"} << Names{"prog.upx", "prog.ex~"} << false << Names{"prog.000"}
        << Names{};
    QTest::newRow("prog.upx taken, -k")
        << Names{"prog.exe"} << Names{"prog.upx"} << true << Names{"prog.000"} << Names{"prog.ex~"};
    QTest::newRow("prog.upx and backup taken, -k: backup after the temporary file")
        << Names{"prog.exe"} << Names{"prog.upx", "prog.ex~"} << true << Names{"prog.000"}
        << Names{"prog.001"};
    QTest::newRow("one stem, two inputs, one backup taken")
        << Names{"prog.exe", "prog.dll"} << Names{"prog.dl~"} << true
        << Names{"prog.upx", "prog.upx"} << Names{"prog.ex~", "prog.000"};
    QTest::newRow("two inputs, the second on the first's freed inode")
        << Names{"a.exe", "b.exe"} << Names{} << false << Names{"a.upx", "b.upx"} << Names{};
    QTest::newRow("one stem, two inputs, everything taken")
        << Names{"prog.exe", "prog.dll"} << Names{"prog.upx", "prog.ex~", "prog.dl~"} << true
        << Names{"prog.000", "prog.000"} << Names{"prog.001", "prog.002"};
  }
  void packerNames() {
    QFETCH(Names, inputs);
    QFETCH(Names, taken);
    QFETCH(bool, keep);
    QFETCH(Names, temporary);
    QFETCH(Names, backups);
    // Stopped while the temporary file of input `stop` is written; at the end, after every file.
    for (qsizetype stop = 0; stop <= inputs.size(); ++stop) {
      TemporaryDir tmp;
      const QByteArray dir = QFile::encodeName(tmp.path()) + '/';
      auto at = [&](const QByteArray& name) { return QByteArray(dir + name); };
      auto free = [&](const QByteArray& name) { return ::access(at(name).constData(), F_OK) != 0; };
      for (const QByteArray& n : taken + inputs) QVERIFY(writeFileRaw(dir + n, "old " + n, 0644));
      // Where a replaced input's inode is held, to be given to the next temporary file.
      const QByteArray freed = QFile::encodeName(tmp.path()) + "-freed";
      Names args{"upx"};
      if (keep) args << "-k";
      for (const QByteArray& i : inputs) args << dir + i;
      const RunLeftovers leftovers(args);
      for (qsizetype i = 0; i < stop && i < inputs.size(); ++i) {  // the packer's steps
        QVERIFY(free(temporary[i]) && writeFileRaw(dir + temporary[i], "packed", 0600));
        if (keep) QVERIFY(free(backups[i]));
        QCOMPARE(
            ::rename(at(inputs[i]).constData(), keep ? at(backups[i]).constData()
                                                     : (freed + QByteArray::number(i)).constData()),
            0);
        QCOMPARE(::rename(at(temporary[i]).constData(), at(inputs[i]).constData()), 0);
      }
      const bool writing = stop < inputs.size();
      const QByteArray reused = freed + QByteArray::number(stop - 1);
      if (writing) QVERIFY(free(temporary[stop]));
      if (writing && !keep && stop > 0)
        QCOMPARE(::rename(reused.constData(), at(temporary[stop]).constData()), 0);
      if (writing) QVERIFY(writeFileRaw(dir + temporary[stop], "part"));
      QCOMPARE(leftovers.RemoveLeft(), writing ? Names{dir + temporary[stop]} : Names{});
      for (qsizetype i = 0; !keep && i < stop; ++i)
        ::unlink((freed + QByteArray::number(i)).constData());
      for (qsizetype i = 0; keep && i < stop; ++i)
        QCOMPARE(readFileBytes(dir + backups[i]), "old " + inputs[i]);
    }
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
    QTest::newRow("backup and unrelated files stay")
        << Names{"-k", "@/prog.exe"} << Names{"prog.exe"}
        << Names{"prog.ex~", "other.upx", "prog.upx"} << Names{"prog.upx"};
    QTest::newRow("partial output")
        << Names{"-o@/out.bin", "@/prog"} << Names{"prog"} << Names{"out.bin"} << Names{"out.bin"};
    QTest::newRow("output there before stays") << Names{"-f", "-o", "@/out.bin", "@/prog"}
                                               << Names{"prog", "out.bin"} << Names{} << Names{};
    QTest::newRow("input gone: its temporary file is kept")
        << Names{"@/prog"} << Names{} << Names{"prog.upx"} << Names{};
    QTest::newRow("not regular files") << Names{"@/prog", "@/tool"} << Names{"prog", "tool", "x"}
                                       << Names{"prog.upx/", "tool.upx>x"} << Names{};
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
