// SPDX-License-Identifier: GPL-3.0-or-later
// The method choice All against the packer's own --brute, with a real upx, on programs of 1 to
// 20 MB: All through the main window's Pack button (the program's own job: one pty and packer
// per method, as many at once as there are cores, the test and the replacing), --brute started
// straight, side by side in rounds that alternate which goes first. Wall-time medians, their
// ratio, the sizes, and whether the bytes are the same.
//
// Each method's trial is also timed alone, which gives an estimate for more cores: its trials
// shared out longest first over the cores, then the test of the result.
//   bench_methods [--rounds N] [--packer FILE] [FILE...]
// Without files it takes programs of about 1.2, 5 and 20 MB from /usr/bin; the larger two get
// one round.
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <cstdio>

#include "BenchSupport.h"
#include "core/packer/CommandLine.h"
#include "core/packer/MethodTrials.h"
#include "core/settings/ProgramState.h"
#include "gui/main/TFormMain.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"

namespace {

QByteArray copyTo(const QByteArray& folder, const QByteArray& name, const QByteArray& bytes) {
  QDir().mkpath(QFile::decodeName(folder));
  const QByteArray path = folder + name;
  writeFileBytes(path, bytes);
  ::chmod(path.constData(), 0755);
  return path;
}

double timedMs(const std::function<void()>& act) {
  QElapsedTimer t;
  t.start();
  act();
  return t.nsecsElapsed() / 1e6;
}

// The trials' times shared out longest first over `cores`, as the queue's order gives them.
double makespan(QList<double> times, int cores) {
  std::sort(times.begin(), times.end(), std::greater<>());
  QList<double> load(cores, 0);
  for (double t : times) *std::min_element(load.begin(), load.end()) += t;
  return *std::max_element(load.begin(), load.end());
}

struct Result {
  bool ok = true;
  double bruteMs = 0, allMs = 0;
};

Result measure(Bench::Program& program, const QByteArray& packer, const QString& source,
               int rounds) {
  Result r;
  AppContext& ctx = program.ctx;
  const QByteArray original = readFileBytes(QFile::encodeName(source));
  const QByteArray name = QFile::encodeName(QFileInfo(source).fileName());
  QList<double> brute, all;
  QByteArray bruteBytes, allBytes;
  for (int round = 0; round < rounds; ++round) {
    const QByteArray folder = program.dir.path() + "r" + QByteArray::number(round) + "/";
    for (int k = 0; k < 2; ++k) {
      if ((round + k) % 2 == 0) {
        const QByteArray file = copyTo(folder + "brute/", name, original);
        brute << timedMs([&] {
          Bench::RunPacker(
              QFile::decodeName(packer),
              {QStringLiteral("-q"), QStringLiteral("--brute"), QFile::decodeName(file)});
        });
        bruteBytes = readFileBytes(file);
      } else {
        const QByteArray file = copyTo(folder + "all/", name, original);
        ctx.state.FileList = {file};
        ctx.FormMain->FillText();
        // As long as it takes: a 20 MB program takes many minutes.
        all << timedMs([&] {
          AwaitJob(
              ctx.jobs, [&] { ctx.FormMain->ButtonPackClick(); }, 24 * 3600 * 1000);
        });
        allBytes = readFileBytes(file);
        const QString status =
            ctx.FormMain->findChild<QLineEdit*>(QStringLiteral("EditStatus"))->text();
        std::printf("  All: %s\n", qPrintable(status));
        std::fflush(stdout);
      }
    }
    if (bruteBytes != allBytes) {
      std::printf("  the bytes differ: --brute %lld, All %lld\n", qlonglong(bruteBytes.size()),
                  qlonglong(allBytes.size()));
      r.ok = false;
    }
    QDir(QFile::decodeName(folder)).removeRecursively();
  }
  r.bruteMs = Bench::Median(brute);
  r.allMs = Bench::Median(all);
  std::printf(
      "  %lld -> %lld bytes (--brute and All %s); --brute median %.0f ms, All median "
      "%.0f ms: ratio %.2f (%d rounds, %d cores)\n",
      qlonglong(original.size()), qlonglong(bruteBytes.size()),
      r.ok ? "the same bytes" : "DIFFERENT", r.bruteMs, r.allMs, r.allMs / r.bruteMs, rounds,
      QThread::idealThreadCount());

  // Each trial alone, then the test of the smallest result: the estimate for more cores.
  const QByteArray folder = program.dir.path() + "trials/";
  const QByteArray file = copyTo(folder, name, original);
  QList<double> times;
  qint64 smallest = -1;
  QByteArray best;
  for (Methods::Method m : MethodTrials::Race::MethodsOf(ctx.state.packer())) {
    const QByteArray output = folder + Methods::InfoOf(m).name;
    QList<QByteArray> args = CommandLine::SplitCommandLine(CommandLine::GetCmdTrial(
        PackOptions(), file, output, m, std::nullopt, packer, ctx.state.packer()));
    args.removeFirst();
    QStringList list{QStringLiteral("-q")};
    for (const QByteArray& a : args) list << QFile::decodeName(a);
    times << timedMs([&] { Bench::RunPacker(QFile::decodeName(packer), list); });
    const qint64 size = QFileInfo(QFile::decodeName(output)).size();
    std::printf("  %-6s %9lld bytes in %8.0f ms alone\n", Methods::InfoOf(m).name, qlonglong(size),
                times.last());
    if (smallest < 0 || size < smallest) {
      smallest = size;
      best = output;
    }
  }
  const double test = timedMs([&] {
    Bench::RunPacker(QFile::decodeName(packer),
                     {QStringLiteral("-q"), QStringLiteral("-t"), QFile::decodeName(best)});
  });
  std::printf("  test of the result: %.0f ms. Estimated ratio to --brute:", test);
  for (int cores : {2, 4, 8})
    std::printf(" %d cores %.2f;", cores, (makespan(times, cores) + test) / r.bruteMs);
  std::printf("\n");
  QDir(QFile::decodeName(folder)).removeRecursively();
  return r;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments().mid(1);
  auto option = [&](const char* name, const QString& fallback) {
    const qsizetype at = args.indexOf(QString::fromLatin1(name));
    if (at < 0 || at + 1 >= args.size()) return fallback;
    const QString value = args[at + 1];
    args.remove(at, 2);
    return value;
  };
  const int rounds = option("--rounds", QStringLiteral("3")).toInt();
  QString upx = option("--packer", qEnvironmentVariable("PACKHELM_REAL_PACKER"));
  if (upx.isEmpty()) upx = QStandardPaths::findExecutable(QStringLiteral("upx"));
  if (upx.isEmpty()) {
    std::printf("no upx: name one with --packer FILE or PACKHELM_REAL_PACKER\n");
    return 2;
  }
  QStringList files = args;
  if (files.isEmpty()) {
    const QStringList bin{QStringLiteral("/usr/bin")};
    for (auto [min, max] :
         {std::pair{1100000, 1400000}, std::pair{4000000, 8000000}, std::pair{15000000, 25000000}})
      if (const QString f = Bench::ElfFiles(bin, QDirIterator::NoIteratorFlags, min, max).value(0);
          !f.isEmpty())
        files << f;
  }

  Bench::Program program(QFile::encodeName(upx));
  // All is the method box's last choice.
  program.ctx.FormMain->findChild<QCheckBox*>(QStringLiteral("CheckBoxTryMulti"))->setChecked(true);
  program.ctx.FormMain->findChild<QRadioButton*>(QStringLiteral("RadioButton_all"))
      ->setChecked(true);
  bool ok = true;
  for (const QString& f : files) {
    const qint64 size = QFileInfo(f).size();
    std::printf("%s (%lld bytes):\n", qPrintable(f), qlonglong(size));
    std::fflush(stdout);
    ok = measure(program, QFile::encodeName(upx), f, size > 2000000 ? 1 : rounds).ok && ok;
  }
  return ok ? 0 : 1;
}
