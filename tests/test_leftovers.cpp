// SPDX-License-Identifier: GPL-3.0-or-later
// What a packer run that did not end normally leaves behind, and what is removed of it: real
// files in a temporary folder, made before and "during" the run; and the whole program's stop in
// every order of its ends, with the stand-in packer on a real pty.

#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QThread>
#include <QtTest>
#include <csignal>

#include "core/jobs/JobEngine.h"
#include "core/packer/FileResults.h"
#include "core/packer/RunLeftovers.h"
#include "gui/console/ConsoleSession.h"
#include "gui/console/ConsoleWindow.h"
#include "support/MainWindowTest.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"

namespace {

using Names = QList<QByteArray>;

// The name each file description below makes ("name", "name/", "name>target", "name=input").
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

  // A run cut off halfway through a file, in every order of the ends that meet there: the user's
  // Stop, the packer's end (by the signal, by a handler of its own with any exit code, or killed
  // after the grace) and the program's own end when its console is closed (at once, in the
  // stop's grace, or when the packer has ended and the program has not yet seen it). Whatever
  // the order, the unfinished file is gone by the time the run's end is reported, in the same
  // turn of the event loop as a closed console (the program quits on it), and the input is as
  // it was, reported stopped. A packer that finished before the stop reached it keeps its work.
  void everyOrderOfTheEnds_data() {
    QTest::addColumn<QByteArray>("packer");  // the stand-in: "ignore N,M", "trap N:C", "sleep MS"
    QTest::addColumn<QByteArray>("how");     // the user's acts, in their order
    QTest::addColumn<bool>("output");        // -o: an output file, not a temporary one
    QTest::addColumn<int>("signal");         // what ended the packer (0: it exited)
    QTest::addColumn<int>("exitCode");
    const auto row = [](const char* name, const char* packer, const char* how, bool output,
                        int signal, int code) {
      QTest::newRow(name) << QByteArray(packer) << QByteArray(how) << output << signal << code;
    };
    row("stop: the interrupt ends it", "", "stop", false, SIGINT, 128 + SIGINT);
    row("stop: its handler exits 0", "trap 2:0", "stop", false, 0, 0);
    row("stop: its handler exits 1", "trap 2:1", "stop", false, 0, 1);
    row("stop: killed after the grace", "ignore 2,15", "stop", false, SIGKILL, 128 + SIGKILL);
    row("console closed: the terminate ends it", "", "close", false, SIGTERM, 128 + SIGTERM);
    row("console closed: its handler exits 0", "trap 15:0", "close", false, 0, 0);
    row("console closed in the stop's grace", "ignore 2", "stop then close", false, SIGTERM,
        128 + SIGTERM);
    row("console closed as its handler has ended it", "trap 2:0", "stop, close at its end", false,
        0, 0);
    row("-o, stop: its handler exits 0", "trap 2:0", "stop", true, 0, 0);
    row("-o, console closed", "", "close", true, SIGTERM, 128 + SIGTERM);
    row("-o, stop once it has finished unseen", "sleep 300", "stop at its end", true, 0, 0);
  }
  void everyOrderOfTheEnds() {
    QFETCH(QByteArray, packer);
    QFETCH(QByteArray, how);
    QFETCH(bool, output);
    QFETCH(int, signal);
    QFETCH(int, exitCode);
    MainWindowTest p;
    const QByteArray work = p.dir.path() + "work/";
    QVERIFY(MakeFoldersRaw(work));
    const QByteArray prog = p.dir.makeFile("work/prog.exe", 200000);
    const QByteArray original = readFileBytes(prog);
    const QByteArray partial = work + (output ? "out.bin" : "prog.upx");
    p.select({prog});
    if (output) {
      p.ui().get<QCheckBox>("OutFileBox")->setChecked(true);
      p.ui().get<QCheckBox>("ReplaceIfExistsCheckBox")->setChecked(false);
      p.ui().get<QLineEdit>("EditOutFile")->setText(QFile::decodeName(partial));
    }
    const bool finishes = packer.startsWith("sleep");
    const QByteArray mode = packer.left(packer.indexOf(' '));
    EnvGuard env{{"PACKHELM_STANDIN_HOLD", finishes ? "" : "partial"},
                 {"PACKHELM_STANDIN_HOLD_MS", "20000"},
                 {mode == "trap"    ? "PACKHELM_STANDIN_TRAP"
                  : mode == "sleep" ? "PACKHELM_STANDIN_SLEEP_MS"
                                    : "PACKHELM_STANDIN_IGNORE",
                  packer.mid(packer.indexOf(' ') + 1)}};
    Names leftAtTheEnd{"not reported"};
    QObject::connect(p.ctx.engine, &JobEngine::finished, p.ctx.engine,
                     [&] { leftAtTheEnd = NamesInFolder(work); });
    bool acted = false;
    p.press("ButtonPack", [&] {
      if (!finishes)
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(QFile::decodeName(partial)).size() > 0, 15000);
      if (how.startsWith("stop") && how != "stop at its end") p.console()->stopRun();
      if (how.endsWith("at its end")) {
        // Ended, not yet reaped: the program has not seen it.
        const QDeadlineTimer patience(10000);
        while (ProcessState(p.packerPid) != 'Z' && !patience.hasExpired()) QThread::msleep(1);
        QCOMPARE(ProcessState(p.packerPid), 'Z');
      }
      if (how == "stop at its end") p.console()->stopRun();
      if (how.contains("close")) {
        p.console()->window()->close();
        QVERIFY(!p.console()->isRunning());  // no later turn: the program is quitting
      }
      acted = true;
    });
    QVERIFY(acted);
    const Names left = finishes ? Names{"out.bin", "prog.exe"} : Names{"prog.exe"};
    QCOMPARE(leftAtTheEnd, left);
    QCOMPARE(readFileBytes(prog), original);
    const RunOutcome& run = p.last->outcome;
    QCOMPARE(run.signal, signal);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(run.stoppedByUser);
    QCOMPARE(run.removed, finishes ? Names{} : Names{partial});
    QCOMPARE(FileResults::Word(p.ctx.results.value(0).outcome), finishes ? "packed" : "stopped");
    QCOMPARE(p.status(),
             finishes ? p.ctx.state.langText(LangText::StatusDone)
                      : p.ctx.state.langText(LangText::StatusStopped) + u' ' +
                            p.ctx.state.langText(LangText::StatusRemoved, QStringLiteral("1")));
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

QTEST_MAIN(TestLeftovers)
#include "test_leftovers.moc"
