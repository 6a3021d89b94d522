// SPDX-License-Identifier: GPL-3.0-or-later
// Several packer runs at once: twenty copies of a 1-2 MB executable packed at --best through the
// main window's Pack button (the program's own job: groups, one pty and packer per run, panes),
// with 1, 2 and 4 runs at once, side by side in rounds. Packers: the stand-in with its work
// simulation, and a real upx where one is on the PATH. Wall-time medians and ratios to one run;
// every packed file passes the packer's own test (-t), unpacks byte for byte, and has the same
// bytes whatever the number of runs.
//   bench_batch [--rounds N] [--work N] [--source FILE] [--large FILE] [--mixed] [--high]
// With a real upx it also compares, on a mixed set (one program of 15-40 MB, --large FILE to name
// it; copies already packed; copies to pack), the job's queue of 2 runs against one run.
// --high runs the packers at the program's "High" priority (nice -10), which on a machine shared
// with other work keeps that work from deciding the figures.
#include <sys/stat.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "BenchSupport.h"
#include "core/batch/RunGroups.h"
#include "core/settings/ProgramState.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

constexpr int kCopies = 20;
const int kRuns[] = {1, 2, 4};

// The first ELF program of 1 to 2 MB in the usual folders.
QString findSource() {
  return Bench::ElfFiles({QStringLiteral("/usr/bin"), QStringLiteral("/usr/sbin"),
                          QStringLiteral("/usr/lib/x86_64-linux-gnu")},
                         QDirIterator::NoIteratorFlags, 1000000, 2000000)
      .value(0);
}

// The first ELF program of 15 to 40 MB among the compilers' own.
QString findLarge() {
  return Bench::ElfFiles({QStringLiteral("/usr/lib/gcc")}, QDirIterator::Subdirectories, 15000000,
                         40000000)
      .value(0);
}

struct Figures {
  QList<double> ms[3];
  QList<double> direct[3];  // the same groups started straight by QProcess, no window
  bool ok = true;
};

// The packers of a job started straight from the job's own queue, no window: each run takes the
// next portion when its packer ends (a run left without one tries again when another ends). How
// long until the last ends: what the machine gives at that moment, beside what the job takes.
double directMs(const QByteArray& packer, const QList<QByteArray>& files, int runs) {
  QElapsedTimer t;
  t.start();
  const QStringList fixed{QStringLiteral("--best"), QStringLiteral("-q")};
  RunGroups::Queue queue(files, runs, packer.size() + 16, RunGroups::ArgumentRoom());
  QEventLoop loop;
  QList<QProcess*> all;
  QList<bool> busy(runs, false);
  std::function<void()> startIdle = [&] {
    for (int run = 0; run < runs; ++run) {
      if (busy[run]) continue;
      const QList<QByteArray> portion = queue.take(run);
      if (portion.isEmpty()) continue;
      QStringList args = fixed;
      for (const QByteArray& f : portion) args << QFile::decodeName(f);
      auto* p = new QProcess;
      all << p;
      busy[run] = true;
      p->setStandardOutputFile(QProcess::nullDevice());
      p->setStandardErrorFile(QProcess::nullDevice());
      const auto ended = [&, run] {
        busy[run] = false;
        startIdle();
        if (!busy.contains(true)) loop.quit();
      };
      QObject::connect(p, &QProcess::finished, &loop, ended, Qt::QueuedConnection);
      QObject::connect(
          p, &QProcess::errorOccurred, &loop,
          [ended](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart) ended();
          },
          Qt::QueuedConnection);
      p->start(QFile::decodeName(packer), args);
    }
  };
  startIdle();
  if (busy.contains(true)) loop.exec();
  qDeleteAll(all);
  return t.nsecsElapsed() / 1e6;
}

// One packer: every round packs fresh copies with 1, 2 and 4 runs in turn.
Figures measure(const QString& name, const QByteArray& packer, const QByteArray& original,
                int rounds, bool high) {
  Figures fig;
  Bench::Program program(packer);
  TestProgramDir& dir = program.dir;
  AppContext& ctx = program.ctx;
  if (high) ctx.state.opt.GlobalOpt_PriorityClass = 128;
  // --best: the slider's first position.
  ctx.FormMain->findChild<QSlider*>(QStringLiteral("CompressValueBar"))->setValue(1);
  QCoreApplication::processEvents();

  QByteArray expectedHash;  // of all packed files together, from the first job
  for (int round = 0; round < rounds; ++round) {
    for (int k = 0; k < 3; ++k) {
      const QByteArray folder =
          dir.path() + "r" + QByteArray::number(round) + "-" + QByteArray::number(kRuns[k]) + "/";
      QDir().mkpath(QFile::decodeName(folder));
      QList<QByteArray> files;
      for (int i = 0; i < kCopies; ++i) {
        files << folder + "prog" + QByteArray::number(i);
        writeFileBytes(files.last(), original);
        ::chmod(files.last().constData(), 0755);
      }
      ctx.state.FileList = files;
      ctx.FormMain->FillText();
      ctx.state.opt.GlobalOpt_PackerRuns = quint32(kRuns[k]);
      QElapsedTimer t;
      t.start();
      AwaitJob(ctx.jobs, [&] { ctx.FormMain->ButtonPackClick(); });
      fig.ms[k] << t.nsecsElapsed() / 1e6;
      const QString status =
          ctx.FormMain->findChild<QLineEdit*>(QStringLiteral("EditStatus"))->text();
      if (status != ctx.state.langText(LangText::StatusDone)) {
        std::printf("%s, %d runs: the job ended \"%s\"\n", qPrintable(name), kRuns[k],
                    qPrintable(status));
        fig.ok = false;
      }
      QCryptographicHash all(QCryptographicHash::Sha256);
      for (const QByteArray& f : files) all.addData(readFileBytes(f));
      if (expectedHash.isEmpty()) expectedHash = all.result();
      if (all.result() != expectedHash) {
        std::printf("%s, %d runs: packed bytes differ from the first job's\n", qPrintable(name),
                    kRuns[k]);
        fig.ok = false;
      }
      // The packer's own test and a byte-for-byte unpack of every file, once per setting.
      if (round == 0)
        for (const QByteArray& f : files) {
          const QString file = QFile::decodeName(f);
          if (Bench::RunPacker(QFile::decodeName(packer), {QStringLiteral("-t"), file}) != 0 ||
              Bench::RunPacker(QFile::decodeName(packer), {QStringLiteral("-d"), file}) != 0 ||
              readFileBytes(f) != original) {
            std::printf("%s, %d runs: %s fails -t or does not unpack to the original\n",
                        qPrintable(name), kRuns[k], f.constData());
            fig.ok = false;
          }
        }
      // The same job once more, started straight.
      for (const QByteArray& f : files) writeFileBytes(f, original);
      fig.direct[k] << directMs(packer, files, kRuns[k]);
      QDir(QFile::decodeName(folder)).removeRecursively();
    }
  }
  return fig;
}

// A mixed set with 2 runs at once: one large program, copies of the source already packed (the
// packer refuses them at once) and copies to pack, interleaved. The job's queue of 2 runs against
// one run. Both orders alternate between rounds.
struct MixedFigures {
  QList<double> queue, groups;
  bool ok = true;
};
MixedFigures measureMixed(const QByteArray& packer, const QByteArray& original,
                          const QByteArray& large, int rounds) {
  MixedFigures fig;
  Bench::Program program(packer);
  TestProgramDir& dir = program.dir;
  AppContext& ctx = program.ctx;
  ctx.state.opt.GlobalOpt_PackerRuns = 2;
  const QByteArray sample = dir.path() + "sample";
  writeFileBytes(sample, original);
  ::chmod(sample.constData(), 0755);
  Bench::RunPacker(QFile::decodeName(packer), {QStringLiteral("-q"), QFile::decodeName(sample)});
  const QByteArray packed = readFileBytes(sample);
  for (int round = 0; round < rounds; ++round)
    for (int k = 0; k < 2; ++k) {
      const bool queue = (round + k) % 2 == 0;
      const QByteArray folder = dir.path() + "m" + QByteArray::number(round * 2 + k) + "/";
      QDir().mkpath(QFile::decodeName(folder));
      QList<QByteArray> files;
      const auto add = [&](const QByteArray& name, const QByteArray& bytes) {
        files << folder + name;
        writeFileBytes(files.last(), bytes);
        ::chmod(files.last().constData(), 0755);
      };
      add("large", large);
      for (int i = 0; i < 30; ++i) {
        add("packed" + QByteArray::number(i), packed);
        if (i % 3 == 0) add("prog" + QByteArray::number(i), original);
      }
      ctx.state.FileList = files;
      ctx.FormMain->FillText();
      QElapsedTimer t;
      t.start();
      ctx.state.opt.GlobalOpt_PackerRuns = queue ? 2 : 1;
      AwaitJob(
          ctx.jobs, [&] { ctx.FormMain->ButtonPackClick(); }, 600000);
      (queue ? fig.queue : fig.groups) << t.nsecsElapsed() / 1e6;
      for (const QByteArray& f : files)
        if (!f.endsWith("large") && !readFileBytes(f).startsWith(packed.left(64)) &&
            readFileBytes(f) == original) {
          std::printf("mixed set, %s: %s was not packed\n", queue ? "queue" : "one run",
                      f.constData());
          fig.ok = false;
        }
      QDir(QFile::decodeName(folder)).removeRecursively();
    }
  return fig;
}

void report(const QString& name, const Figures& fig) {
  const double one = Bench::Median(fig.ms[0]);
  std::printf("%s:\n", qPrintable(name));
  for (int k = 0; k < 3; ++k) {
    const double m = Bench::Median(fig.ms[k]);
    const double d = Bench::Median(fig.direct[k]), directOne = Bench::Median(fig.direct[0]);
    std::printf(
        "  %d run%s at once: median %8.1f ms  ratio to 1 run %.2f   (packers started straight: "
        "%8.1f ms, ratio %.2f)\n",
        kRuns[k], kRuns[k] == 1 ? " " : "s", m, one > 0 ? m / one : 0, d,
        directOne > 0 ? d / directOne : 0);
  }
  std::printf("  every packed file tested (-t), unpacked byte for byte, same bytes: %s\n",
              fig.ok ? "yes" : "NO");
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  auto option = [&](const char* name, const QString& fallback) {
    const qsizetype at = args.indexOf(QString::fromLatin1(name));
    return at >= 0 && at + 1 < args.size() ? args[at + 1] : fallback;
  };
  const int rounds = option("--rounds", QStringLiteral("3")).toInt();
  const QString work = option("--work", QStringLiteral("4"));
  const QString source = option("--source", findSource());
  const bool high = args.contains(QStringLiteral("--high"));
  const QByteArray original = readFileBytes(QFile::encodeName(source));
  if (source.isEmpty() || original.size() < 1000000 || original.size() > 2000000) {
    std::printf("no executable of 1 to 2 MB found; name one with --source FILE\n");
    return 2;
  }
  std::printf("%d copies of %s (%lld bytes), --best, %d rounds, %d cores\n", kCopies,
              qPrintable(source), qlonglong(original.size()), rounds, QThread::idealThreadCount());

  bool ok = true;
  // --mixed: the comparison on the mixed set alone.
  const bool mixedOnly = args.contains(QStringLiteral("--mixed"));
  if (!mixedOnly) {
    qputenv("PACKHELM_STANDIN_WORK", work.toLatin1());
    const Figures standin =
        measure(QStringLiteral("stand-in packer"), standinPath(), original, rounds, high);
    qunsetenv("PACKHELM_STANDIN_WORK");
    report(QStringLiteral("stand-in packer, work simulation ") + work, standin);
    ok = ok && standin.ok;
  }

  const QString upx = QStandardPaths::findExecutable(QStringLiteral("upx"));
  if (upx.isEmpty()) {
    std::printf("real upx: none on the PATH, not measured\n");
  } else {
    if (!mixedOnly) {
      const Figures real =
          measure(QStringLiteral("upx"), QFile::encodeName(upx), original, rounds, high);
      report(QStringLiteral("real upx (") + upx + u')', real);
      ok = ok && real.ok;
    }
    const QString large = option("--large", findLarge());
    if (large.isEmpty()) {
      std::printf("mixed set: no program of 15 to 40 MB found; name one with --large FILE\n");
    } else {
      const MixedFigures mixed = measureMixed(QFile::encodeName(upx), original,
                                              readFileBytes(QFile::encodeName(large)), rounds);
      const double q = Bench::Median(mixed.queue), g = Bench::Median(mixed.groups);
      std::printf(
          "mixed set with real upx, 2 runs at once (%s, 30 copies already packed, 10 to pack):\n"
          "  queue of 2: median %8.1f ms   one run: median %8.1f ms   ratio %.2f\n",
          qPrintable(large), q, g, g > 0 ? q / g : 0);
      ok = ok && mixed.ok;
    }
  }
  return ok ? 0 : 1;
}
