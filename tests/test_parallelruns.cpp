// SPDX-License-Identifier: GPL-3.0-or-later
// Several packer runs at once, end to end: real windows (offscreen), a real pty per run and the
// stand-in packer on real files. Every file packed once in its run, the same bytes as one run, the
// worst run's outcome, Stop reaching every run, the panes of the console, the cases that stay one
// run, and the preference in the settings file.

#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <functional>

#include "core/batch/RunGroups.h"
#include "core/console/ScreenModel.h"
#include "core/jobs/JobEngine.h"
#include "core/packer/CommandLine.h"
#include "core/packer/FileResults.h"
#include "core/packer/SizeReport.h"
#include "core/settings/CFGfile.h"
#include "core/settings/SettingsFile.h"
#include "gui/console/ConsoleSession.h"
#include "gui/console/ConsoleWindow.h"
#include "gui/main/AppContext.h"
#include "gui/main/MainWindowSettings.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/ConsoleView.h"
#include "gui/widgets/Prompts.h"
#include "support/MainWindowTest.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

using Names = QList<QByteArray>;

// No process of the group is left (the packer leads its own group on its pty).
bool groupGone(qint64 pid) {
  return pid > 0 && ::kill(-pid_t(pid), 0) != 0 && errno == ESRCH;
}

// The shared main window in English with the runs at once and the console's closing given.
struct Program : MainWindowTest {
  explicit Program(quint32 runs, int closeCon = 2)
      : MainWindowTest([runs, closeCon](AppContext& ctx) {
          ctx.state.opt.GlobalOpt_CloseCon = closeCon;
          ctx.state.opt.GlobalOpt_PackerRuns = runs;
        }) {
    QDir().mkpath(QFile::decodeName(work()));
  }
  QByteArray work() const { return dir.path() + "work/"; }
  QByteArray input(const QByteArray& name, const QByteArray& bytes) const {
    const QByteArray path = work() + name;
    // Executable: the packer refuses a Linux program its owner cannot run.
    return writeFileRaw(path, bytes, 0755) ? path : QByteArray();
  }
  Controls main() const { return ui(); }
};

// Executable-like contents of a given size that differ from file to file.
QByteArray contents(int seed, int size) {
  QByteArray b =
      "\x7f"
      "ELF\x02";
  for (int i = 0; b.size() < size; ++i) b += "section " + QByteArray::number(seed * 7919 + i % 97);
  return b.left(size);
}

// Hostile names, each a different stem (so that each may go to any run). A line feed would be
// as welcome, but the stand-in's argument log is one argument per line.
const Names kNames{"a b.exe",     "q\"uote.exe", "-dash.exe", "tab\tname.exe",
                   "esc\x1b[31m", "bad\xff.bin", "plain.exe", "last one"};

}  // namespace

class TestParallelRuns : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() {
    for (const char* v : {"PACKHELM_STANDIN_HOLD", "PACKHELM_STANDIN_HOLD_MS"}) qunsetenv(v);
  }

  // Every file reaches exactly one start of the packer, as one argument byte for byte, in the
  // order of the selection within it; all starts get the same options; every file is packed; the
  // size report covers all files; each run has its pane, headed by its number and the files its
  // starts took.
  void everyFileOnceInItsRun_data() {
    QTest::addColumn<int>("runs");
    QTest::addColumn<int>("files");
    QTest::newRow("two runs, eight files") << 2 << 8;
    QTest::newRow("three runs, five files") << 3 << 5;
    QTest::newRow("four runs, three files") << 4 << 3;
  }
  void everyFileOnceInItsRun() {
    QFETCH(int, runs);
    QFETCH(int, files);
    Program p{quint32(runs)};
    Names selected;
    quint64 before = 0;
    for (int i = 0; i < files; ++i) {
      const QByteArray bytes = contents(i, 3000 + 1500 * i);
      selected << p.input(kNames[i], bytes);
      before += quint64(bytes.size());
    }
    p.select(selected);
    p.press("ButtonPack");
    QString shown;
    for (const ConsoleView* pane : p.console()->window()->panes())
      shown += ScreenText(pane->model());
    QVERIFY2(p.status() == p.ctx.state.langText(LangText::StatusDone), qPrintable(shown));

    const QList<Names> log = p.runs();
    const int expected = qMin(runs, files);
    QVERIFY(log.size() >= expected);
    Names seen;
    Names options;
    for (const Names& run : log) {
      Names mine, other;
      for (const QByteArray& a : run)
        if (a != "--") (selected.contains(a) ? mine : other) << a;
      QVERIFY(!mine.isEmpty());
      Names inOrder = mine;
      std::sort(inOrder.begin(), inOrder.end(), [&](const QByteArray& x, const QByteArray& y) {
        return selected.indexOf(x) < selected.indexOf(y);
      });
      QCOMPARE(mine, inOrder);
      if (options.isEmpty()) options = other;
      QCOMPARE(other, options);
      seen += mine;
    }
    QCOMPARE(seen.size(), selected.size());
    for (const QByteArray& f : selected) QCOMPARE(seen.count(f), 1);

    quint64 after = 0;
    for (const QByteArray& f : selected) {
      const QByteArray packed = readFileBytes(f);
      QVERIFY2(packed.startsWith("PHSTDPK1"), f.constData());
      after += quint64(packed.size());
    }
    QCOMPARE(p.uncompressedTotal(), before);
    QCOMPARE(p.compressedTotal(), after);
    QCOMPARE(p.main().get<QLabel>("LabelF2")->text(),
             QString::fromUtf8(
                 SizeReport::KiBText(after, p.ctx.state.langBytes(LangText::UnitKiBTotal))));

    ConsoleWindow* w = p.console()->window();
    QVERIFY(w);
    QCOMPARE(w->panes().size(), qsizetype(expected));
    QVERIFY(!w->view()->isVisible());
    int counted = 0;
    for (int i = 0; i < expected; ++i) {
      const QString head = p.ctx.state.langText(LangText::RunHeader, QString::number(i + 1),
                                                QString::number(expected)) +
                           QStringLiteral(" \u2014 ");
      const QString header = w->paneHeaders()[i]->text();
      QVERIFY2(header.startsWith(head), qPrintable(header));
      const int count = header.section(u' ', -1).toInt();
      QCOMPARE(header, head + p.ctx.state.langText(LangText::RunFiles, QString::number(count)));
      QVERIFY(count > 0);
      counted += count;
      const QString text = ScreenText(w->panes()[i]->model());
      QVERIFY2(text.contains(QStringLiteral("Packed 1 file")), qPrintable(text));
    }
    QCOMPARE(counted, files);
    // A later single run shows the console's own screen again.
    p.select({selected.first()});
    p.press("ButtonUnPack");
    QCOMPARE(p.status(), p.ctx.state.langText(LangText::StatusDone));
    QVERIFY(w->panes().isEmpty());
    QVERIFY(w->view()->isVisible());
  }

  // A selection whose names together pass the system's argument limit (made small here through
  // the stack limit it follows) runs as batches in turn, each within the limit: every file once,
  // and the job ends as done with a packed row for every file in the selection's order, with 1
  // run at once and with 2. A packer gone before the next batch: the files done are packed, the
  // others not started.
  void pastTheArgumentLimit_data() {
    QTest::addColumn<int>("runs");
    QTest::addColumn<bool>("gone");
    QTest::newRow("one run at once") << 1 << false;
    QTest::newRow("two runs at once") << 2 << false;
    QTest::newRow("the packer gone before the next batch") << 1 << true;
  }
  void pastTheArgumentLimit() {
    QFETCH(int, runs);
    QFETCH(bool, gone);
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_STACK, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 512 * 1024;  // the argument limit becomes 128 KiB
    QCOMPARE(::setrlimit(RLIMIT_STACK, &small), 0);
    const auto restore = qScopeGuard([&saved] { ::setrlimit(RLIMIT_STACK, &saved); });
    Program p{quint32(runs)};
    Names selected;
    qsizetype bytes = 0;
    for (int i = 0; i < 700; ++i) {
      selected << p.input(QByteArray::number(1000 + i) + QByteArray(200, 'n'), contents(i, 600));
      bytes += selected.last().size();
    }
    QVERIFY(bytes > 128 * 1024);
    p.select(selected);
    const QByteArray packer = p.dir.packerPath();
    const std::optional<JobReport> result = p.press("ButtonPack", [&] {
      if (gone) QCOMPARE(::rename(packer.constData(), (packer + ".gone").constData()), 0);
    });
    QVERIFY(result && result->started);
    if (gone) {
      qsizetype done = 0;
      while (done < result->rows.size() && FileResults::IsSuccess(result->rows[done].outcome))
        ++done;
      QVERIFY(done > 0 && done < selected.size());
      for (qsizetype i = 0; i < selected.size(); ++i) {
        QCOMPARE(result->rows[i].file, selected[i]);
        if (i >= done) QCOMPARE(result->rows[i].message, QByteArray("not started"));
      }
      return;
    }
    QCOMPARE(p.status(), p.ctx.state.langText(LangText::StatusDone));
    Names seen;
    for (const Names& run : p.runs()) {
      qsizetype size = 0;
      for (const QByteArray& a : run) size += a.size() + 1 + qsizetype(sizeof(char*));
      QVERIFY2(size < 128 * 1024, qPrintable(QString::number(size)));
      for (const QByteArray& a : run)
        if (selected.contains(a)) seen << a;
    }
    QVERIFY(p.runs().size() >= 2 * runs);
    std::sort(seen.begin(), seen.end());
    Names sorted = selected;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(seen, sorted);
    Names rows;
    for (const FileResults::Row& r : result->rows)
      if (r.outcome == FileResults::Outcome::Packed) rows << r.file;
    QCOMPARE(rows, selected);
  }

  // Packed by one run or by two at once, the files have the same bytes; unpacked by two runs at
  // once, they are the originals again.
  void sameBytesAsOneRun() {
    QMap<QByteArray, QByteArray> packed[2];
    for (int runs : {1, 2}) {
      Program p{quint32(runs)};
      Names selected;
      for (int i = 0; i < 7; ++i) selected << p.input(kNames[i], contents(i, 20000 + 7000 * i));
      p.select(selected);
      p.press("ButtonPack");
      QCOMPARE(p.status(), p.ctx.state.langText(LangText::StatusDone));
      const qsizetype packStarts = p.runs().size();
      QCOMPARE(packStarts > 1, runs > 1);
      for (int i = 0; i < 7; ++i) packed[runs - 1].insert(kNames[i], readFileBytes(selected[i]));
      if (runs == 2) {
        p.press("ButtonUnPack");
        QCOMPARE(p.status(), p.ctx.state.langText(LangText::StatusDone));
        QVERIFY(p.runs().size() > packStarts + 1);
        for (int i = 0; i < 7; ++i)
          QCOMPARE(readFileBytes(selected[i]), contents(i, 20000 + 7000 * i));
      }
    }
    QCOMPARE(packed[1], packed[0]);
    for (const QByteArray& bytes : packed[0]) QVERIFY(bytes.startsWith("PHSTDPK1"));
  }

  // The job ends as its worst run: an error before a warning before success.
  void worstRunDecides_data() {
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<int>("code");
    QTest::newRow("both fine") << QByteArray("ok") << QByteArray("ok") << 0;
    QTest::newRow("a warning") << QByteArray("ok") << QByteArray("warn") << 2;
    QTest::newRow("a warning first") << QByteArray("warn") << QByteArray("ok") << 2;
    QTest::newRow("an error and a warning") << QByteArray("warn") << QByteArray("err") << 1;
    QTest::newRow("an error first") << QByteArray("err") << QByteArray("ok") << 1;
    QTest::newRow("two errors") << QByteArray("err") << QByteArray("err") << 1;
  }
  void worstRunDecides() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(int, code);
    Program p(2);
    auto make = [&](const QByteArray& name, const QByteArray& kind, int seed) {
      QByteArray bytes = contents(seed, 4000);
      // Already packed: a warning; not an executable: an error (the real packer's too).
      if (kind == "warn") bytes = "PHSTDPK1" + bytes;
      if (kind == "err") bytes = "NOTEXE" + bytes;
      return p.input(name, bytes);
    };
    p.select({make("one.exe", first, 1), make("two.exe", second, 2)});
    QSignalSpy finished(p.ctx.engine, &JobEngine::finished);
    p.press("ButtonPack");
    QCOMPARE(p.runs().size(), 2);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().value<JobReport>().outcome.exitCode, code);
    // The status line counts the files that did not come through.
    const int ok = (first == "ok") + (second == "ok");
    QCOMPARE(p.status(), ok == 2 ? p.ctx.state.langText(LangText::StatusDone)
                                 : p.ctx.state
                                       .langText(LangText::ResultsPacked, QString::number(ok),
                                                 QStringLiteral("2"))
                                       .replace(QLatin1String("%3"), QString::number(2 - ok)));
  }

  // The packer gone once the runs are going: the queue's next starts fail, the runs end with the
  // packers that did run, and the files no packer took are reported not started, as an error in
  // which no signal is named.
  void nextPackerCannotStart() {
    Program p(2);
    Names files;
    for (int i = 0; i < 6; ++i) files << p.input(kNames[i], contents(i, 4000));
    p.select(files);
    const QString packer = QFile::decodeName(p.dir.packerPath());
    QObject::connect(p.ctx.engine, &JobEngine::batchStarted, p.ctx.engine,
                     [&] { QVERIFY(QFile::setPermissions(packer, QFile::ReadOwner)); });
    const std::optional<JobReport> result = p.press("ButtonPack");
    QVERIFY(result);
    Names ran;
    for (const Names& run : p.runs())
      for (const QByteArray& a : run)
        if (files.contains(a)) ran << a;
    QVERIFY(!ran.isEmpty() && ran.size() < files.size());
    QCOMPARE(result->rows.size(), files.size());
    for (const FileResults::Row& r : result->rows) {
      QCOMPARE(r.outcome == FileResults::Outcome::Packed, ran.contains(r.file));
      if (!ran.contains(r.file)) QCOMPARE(r.message, "not started");
    }
    QCOMPARE(p.status(), p.ctx.state.langText(LangText::StatusError));
  }

  // Stop, Escape, Ctrl+C in a pane, or closing a console of the run's own stops every run:
  // every packer's process group is gone, their unfinished files are removed, the inputs stay,
  // and every file is reported stopped, the one the queue never handed out too.
  void stopReachesEveryRun_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Stop button") << "button";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("Ctrl+C in the second pane") << "ctrl+c";
    QTest::newRow("console of the run's own closed") << "own console";
  }
  void stopReachesEveryRun() {
    QFETCH(QString, how);
    Program p(2, how == "own console" ? 0 : 2);
    const QByteArray one = contents(1, 300000), two = contents(2, 300000),
                     three = contents(3, 300000);
    const Names selected{p.input("one.exe", one), p.input("two.exe", two),
                         p.input("three.exe", three)};
    p.select(selected);
    EnvGuard env{{"PACKHELM_STANDIN_HOLD", "partial"}, {"PACKHELM_STANDIN_HOLD_MS", "20000"}};
    QList<qint64> pids;
    bool acted = false;
    p.press("ButtonPack", [&] {
      QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(QFile::decodeName(p.work() + "one.upx")).size() > 0 &&
                                   QFileInfo(QFile::decodeName(p.work() + "two.upx")).size() > 0,
                               15000);
      pids = ChildProcesses();
      QCOMPARE(pids.size(), 2);
      ConsoleWindow* w = p.console()->runWindow();
      QCOMPARE(w->panes().size(), 2);
      if (how == "escape")
        QTest::keyClick(w->panes().first(), Qt::Key_Escape);
      else if (how == "ctrl+c")
        QTest::keyClick(w->panes().last(), Qt::Key_C, Qt::ControlModifier);
      else if (how == "own console")
        w->close();
      else
        QTest::mouseClick(w->stopButton(), Qt::LeftButton);
      acted = true;
    });
    QVERIFY(acted);
    for (qint64 pid : pids) QVERIFY(groupGone(pid));
    const RunOutcome& run = p.last->outcome;
    QVERIFY(run.stoppedByUser);
    QCOMPARE(run.signal, SIGINT);
    Names removed = run.removed;
    std::sort(removed.begin(), removed.end());
    QCOMPARE(removed, (Names{p.work() + "one.upx", p.work() + "two.upx"}));
    QCOMPARE(p.status(), p.ctx.state.langText(LangText::StatusStopped) + u' ' +
                             p.ctx.state.langText(LangText::StatusRemoved, QStringLiteral("2")));
    QCOMPARE(QDir(QFile::decodeName(p.work())).entryList(QDir::Files),
             (QStringList{"one.exe", "three.exe", "two.exe"}));
    QCOMPARE(readFileBytes(p.work() + "one.exe"), one);
    QCOMPARE(readFileBytes(p.work() + "two.exe"), two);
    QCOMPARE(readFileBytes(p.work() + "three.exe"), three);
    QCOMPARE(p.ctx.results.size(), selected.size());
    for (qsizetype i = 0; i < selected.size(); ++i) {
      QCOMPARE(p.ctx.results[i].file, selected[i]);
      QCOMPARE(FileResults::Word(p.ctx.results[i].outcome), "stopped");
      QCOMPARE(p.ctx.results[i].message, QByteArray());
    }
    QVERIFY(p.ctx.FormMain->isEnabled());
  }

  // One packer, as before, for a single file, one run wanted, files sharing a stem, an output
  // name, an edited command line and the information commands.
  void oneRunWhere_data() {
    QTest::addColumn<QString>("what");
    QTest::newRow("one file") << "one file";
    QTest::newRow("one run wanted") << "one run";
    QTest::newRow("files of one stem") << "stem";
    QTest::newRow("output name") << "output";
    QTest::newRow("edited command line") << "edited";
    QTest::newRow("test command") << "test";
  }
  void oneRunWhere() {
    QFETCH(QString, what);
    Program p(what == "one run" ? 1 : 2);
    Names selected{p.input("first.exe", contents(1, 5000))};
    if (what != "one file")
      selected << p.input(what == "stem" ? "first.dll" : "second.exe", contents(2, 5000));
    p.select(selected);
    if (what == "output") {
      p.main().get<QCheckBox>("OutFileBox")->setChecked(true);
      p.main().get<QLineEdit>("EditOutFile")->setText(QFile::decodeName(p.work() + "out.bin"));
    }
    if (what == "edited")
      p.ctx.state.PendingPackCommand =
          CommandLine::GetCmdPack(p.ctx.FormMain->packOptions(), p.ctx.state.FileList,
                                  p.ctx.state.packerForCommand(), p.ctx.state.packer());
    p.press(what == "test" ? "ButtonTest" : "ButtonPack");
    const QList<Names> log = p.runs();
    QCOMPARE(log.size(), 1);
    for (const QByteArray& f : selected) QCOMPARE(log.first().count(f), 1);
    QVERIFY(p.console()->window()->panes().isEmpty());
  }

  // The panes drawn: black ground, the header bar in the console's colours across the full
  // width, no column cut off, all panes inside the window. PACKHELM_SHOTS=FOLDER keeps the
  // pictures.
  void panesAsDrawn_data() {
    QTest::addColumn<int>("runs");
    QTest::addColumn<QByteArray>("language");
    QTest::newRow("two, English") << 2 << QByteArray("English.lng");
    QTest::newRow("three, German") << 3 << QByteArray("German.lng");
    QTest::newRow("four, Russian") << 4 << QByteArray("Russian.lng");
  }
  void panesAsDrawn() {
    QFETCH(int, runs);
    QFETCH(QByteArray, language);
    Program p{quint32(runs)};
    p.ctx.changeLanguage(language);
    Names selected;
    for (int i = 0; i < 8; ++i) selected << p.input(kNames[i], contents(i, 6000 + 900 * i));
    p.select(selected);
    p.press("ButtonPack");
    ConsoleWindow* w = p.console()->window();
    QCOMPARE(w->panes().size(), qsizetype(runs));
    for (ConsoleView* pane : w->panes()) {
      pane->refresh();
      QVERIFY(pane->isVisible());
      QVERIFY(w->rect().contains(QRect(pane->mapTo(w, QPoint(0, 0)), pane->size())));
      QVERIFY(pane->viewport()->width() >= pane->columnX(pane->model()->columns()));
      QVERIFY(pane->visibleRows() >= 6);
      // The header line: across the pane in the console's header colours, its text whole.
      QLabel* header = w->paneHeaders()[w->panes().indexOf(pane)];
      QVERIFY(header->isVisible());
      QCOMPARE(header->width(), pane->width());
      QCOMPARE(header->y() + header->height() <= pane->y(), true);
      QVERIFY(header->fontMetrics().horizontalAdvance(header->text()) < header->width());
      QVERIFY(header->height() >= header->fontMetrics().height());
      const QImage bar = header->grab().toImage();
      QCOMPARE(bar.pixelColor(2, bar.height() / 2), ConsoleView::colour(9));
      QCOMPARE(bar.pixelColor(bar.width() - 3, bar.height() / 2), ConsoleView::colour(9));
      const QImage shot = pane->viewport()->grab().toImage();
      QCOMPARE(shot.pixelColor(shot.width() - 3, shot.height() - 3), QColor(Qt::black));
      // Text shows: the packer's lines put light pixels on the black ground.
      int light = 0;
      for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) light += shot.pixelColor(x, y).lightness() > 100;
      QVERIFY(light > 50);
    }
    if (const QByteArray folder = qgetenv("PACKHELM_SHOTS"); !folder.isEmpty()) {
      QDir().mkpath(QFile::decodeName(folder));
      w->grab().save(
          QFile::decodeName(folder) +
          QStringLiteral("/console-%1-runs-%2.png").arg(runs).arg(QString::fromLatin1(language)));
    }
  }

  // The preference as the settings file gives it: absent in a file written before it (one run),
  // kept within 1 and the cores, and written back after the other cardinals.
  void preferenceFromTheSettingsFile_data() {
    QTest::addColumn<int>("stored");  // -1: no record
    QTest::addColumn<quint32>("used");
    QTest::newRow("file written before") << -1 << 1u;
    QTest::newRow("zero") << 0 << 1u;
    QTest::newRow("two") << 2 << qMin<quint32>(2, quint32(RunGroups::MaxRuns()));
    QTest::newRow("far more than the cores") << 1000 << quint32(RunGroups::MaxRuns());
  }
  void preferenceFromTheSettingsFile() {
    QFETCH(int, stored);
    QFETCH(quint32, used);
    Program p(1);
    writeSettings(p.ctx.state.SettingsPath, [&](TCFGfile& cfg) {
      cfg.SetString("LangName", "English");
      cfg.SetCardinal("CmdLinesMax", 7);
      if (stored >= 0) cfg.SetCardinal("GlobalOpt_PackerRuns", quint32(stored));
    });
    p.ctx.settings->read();
    QCOMPARE(p.ctx.state.opt.GlobalOpt_PackerRuns, used);
    QCOMPARE(p.ctx.state.opt.CmdLinesMax, 7u);
    p.ctx.settings->write();
    Settings::SettingsRows back;
    QVERIFY(Settings::LoadSettingsFile(p.ctx.state.SettingsPath, back));
    QCOMPARE(back.GlobalOpt_PackerRuns, std::optional<quint32>(used));
  }
};

QTEST_MAIN(TestParallelRuns)
#include "test_parallelruns.moc"
