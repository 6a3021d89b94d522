// SPDX-License-Identifier: GPL-3.0-or-later
// The method choice All against the packer's own --brute, with a real upx: All through the main
// window's Pack button (the program's own job: a packer run per method and filter, as many at
// once as there are cores, the test and the replacing), --brute started straight, side by side in
// rounds that alternate which goes first. Wall-time medians, their ratio, and the sizes (All's
// never larger).
//
// Each piece (method and filter) is also timed alone, which gives an estimate for more cores:
// the pieces shared out longest first over the cores, then the test of the result.
//   bench_methods [--rounds N] [--packer FILE] [FILE...]
// Without files the corpus is ELF programs of about 150 KB, 1.3 MB and 5 MB from /usr/bin and a
// 32-bit and a 64-bit Windows program of 1 to 4 MB, cross-built here from generated C with
// MinGW-w64; programs over 2 MB get one round.
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
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
  QList<double> estimates;  // for 2, 4 and 8 cores
};

// A Windows program of about `kb` kilobytes of code: many small functions that differ by their
// constants and call each other (so that the filters of calls and jumps have work), cross-built
// with the compiler whose name starts with `prefix`. Empty when that compiler is missing.
QString windowsProgram(const QByteArray& folder, const QByteArray& prefix, int kb) {
  const int functions = kb * 10;
  QByteArray c = "#include <stdio.h>\nunsigned f0(unsigned x) { return x * 2654435761u; }\n";
  for (int i = 1; i < functions; ++i)
    c += "unsigned f" + QByteArray::number(i) +
         "(unsigned x) { x ^= " + QByteArray::number(i * 40503 % 65521) + "u; x = x * " +
         QByteArray::number(2 * i + 1) + "u + f" + QByteArray::number(i / 2) +
         "(x >> 3); return x > " + QByteArray::number(i) + "u ? x - " + QByteArray::number(i % 97) +
         "u : x + 7u; }\n";
  c += "typedef unsigned (*fn)(unsigned);\nfn table[] = {";
  for (int i = 0; i < functions; ++i) c += "f" + QByteArray::number(i) + ",";
  c += "};\nint main(int argc, char** argv) { (void)argv; unsigned s = 0;\n"
       "  for (unsigned i = 0; i < sizeof table / sizeof *table; ++i) s += table[i](i + argc);\n"
       "  printf(\"%u\\n\", s); return 0; }\n";
  QDir().mkpath(QFile::decodeName(folder));
  const QByteArray source = folder + prefix + "big.c", exe = folder + prefix + "big.exe";
  writeFileBytes(source, c);
  QProcess p;
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p.start(QString::fromLatin1(prefix + "gcc"), {QStringLiteral("-O1"), QStringLiteral("-o"),
                                                QFile::decodeName(exe), QFile::decodeName(source)});
  if (!p.waitForFinished(600000) || p.exitCode() != 0) return {};
  return QFile::decodeName(exe);
}

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
    if (allBytes.size() > bruteBytes.size() || allBytes == original) {
      std::printf("  All is larger or did not pack: --brute %lld, All %lld\n",
                  qlonglong(bruteBytes.size()), qlonglong(allBytes.size()));
      r.ok = false;
    }
    QDir(QFile::decodeName(folder)).removeRecursively();
  }
  r.bruteMs = Bench::Median(brute);
  r.allMs = Bench::Median(all);
  std::printf(
      "  %lld bytes -> --brute %lld, All %lld; --brute median %.0f ms, All median %.0f ms: "
      "ratio %.2f (%d rounds, %d cores)\n",
      qlonglong(original.size()), qlonglong(bruteBytes.size()), qlonglong(allBytes.size()),
      r.bruteMs, r.allMs, r.allMs / r.bruteMs, rounds, QThread::idealThreadCount());

  // Each piece alone, then the test of the smallest result: the estimate for more cores.
  const QByteArray folder = program.dir.path() + "trials/";
  const QByteArray file = copyTo(folder, name, original);
  QList<double> times;
  qint64 smallest = -1;
  QByteArray best;
  const std::optional<QList<int>> filters = MethodTrials::FiltersOf(original.left(4096));
  const QList<std::optional<int>> pieces =
      filters ? QList<std::optional<int>>(filters->begin(), filters->end())
              : QList<std::optional<int>>{std::nullopt};
  for (Methods::Method m : MethodTrials::Race::MethodsOf(ctx.state.packer()))
    for (const std::optional<int>& filter : pieces) {
      const QByteArray output =
          folder + Methods::InfoOf(m).name + "-" + QByteArray::number(filter.value_or(-1));
      QList<QByteArray> args = CommandLine::SplitCommandLine(CommandLine::GetCmdTrial(
          PackOptions(), file, output, m, filter, packer, ctx.state.packer()));
      args.removeFirst();
      QStringList list{QStringLiteral("-q")};
      for (const QByteArray& a : args) list << QFile::decodeName(a);
      times << timedMs([&] { Bench::RunPacker(QFile::decodeName(packer), list); });
      const qint64 size = QFileInfo(QFile::decodeName(output)).size();
      const QByteArray piece = filter ? "0x" + QByteArray::number(*filter, 16) : "all";
      std::printf("  %-6s filter %-5s %9lld bytes in %8.0f ms alone\n", Methods::InfoOf(m).name,
                  piece.constData(), qlonglong(size), times.last());
      if (size > 0 && (smallest < 0 || size < smallest)) {
        smallest = size;
        best = output;
      }
    }
  const double test = timedMs([&] {
    Bench::RunPacker(QFile::decodeName(packer),
                     {QStringLiteral("-q"), QStringLiteral("-t"), QFile::decodeName(best)});
  });
  std::printf("  test of the result: %.0f ms. Estimated ratio to --brute:", test);
  for (int cores : {2, 4, 8}) {
    const double ratio = (makespan(times, cores) + test) / r.bruteMs;
    std::printf(" %d cores %.2f;", cores, ratio);
    r.estimates << ratio;
  }
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
         {std::pair{140000, 170000}, std::pair{1100000, 1400000}, std::pair{4000000, 6000000}})
      if (const QString f = Bench::ElfFiles(bin, QDirIterator::NoIteratorFlags, min, max).value(0);
          !f.isEmpty())
        files << f;
    const QByteArray built = QFile::encodeName(QDir::tempPath()) + "/packhelm-bench-methods/";
    for (auto [prefix, kb] :
         {std::pair{"i686-w64-mingw32-", 2500}, std::pair{"x86_64-w64-mingw32-", 2500}})
      if (const QString exe = windowsProgram(built, prefix, kb); !exe.isEmpty())
        files << exe;
      else
        std::printf("no %sgcc: the corpus goes without its Windows program\n", prefix);
  }

  Bench::Program program(QFile::encodeName(upx));
  // All is the method box's last choice.
  program.ctx.FormMain->findChild<QCheckBox*>(QStringLiteral("CheckBoxTryMulti"))->setChecked(true);
  program.ctx.FormMain->findChild<QRadioButton*>(QStringLiteral("RadioButton_all"))
      ->setChecked(true);
  bool ok = true;
  double brute = 0, all = 0, slowest = 0;
  QList<double> estimates(3, 0);
  for (const QString& f : files) {
    const qint64 size = QFileInfo(f).size();
    std::printf("%s (%lld bytes):\n", qPrintable(f), qlonglong(size));
    std::fflush(stdout);
    const Result r = measure(program, QFile::encodeName(upx), f, size > 2000000 ? 1 : rounds);
    ok = r.ok && ok;
    brute += r.bruteMs;
    all += r.allMs;
    slowest = std::max(slowest, r.allMs / r.bruteMs);
    for (qsizetype i = 0; i < r.estimates.size(); ++i) estimates[i] += r.estimates[i] * r.bruteMs;
  }
  if (brute > 0)
    std::printf(
        "over the corpus: All / --brute %.2f on %d cores (slowest program %.2f); estimated from "
        "the pieces: 2 cores %.2f, 4 cores %.2f, 8 cores %.2f\n",
        all / brute, QThread::idealThreadCount(), slowest, estimates[0] / brute,
        estimates[1] / brute, estimates[2] / brute);
  return ok ? 0 : 1;
}
