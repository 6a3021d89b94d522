// The console's throughput: the stand-in packer printing 20 MB through the pty into the
// console window, against the same output written to /dev/null and against the bare pty
// (read and dropped). Run by hand, offscreen or on a desktop:
//   QT_QPA_PLATFORM=offscreen bench_console [megabytes]

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <algorithm>
#include <cstdio>

#include "app/AppContext.h"
#include "packer/CommandLine.h"
#include "packer/ConsoleSession.h"
#include "packer/PtyRunner.h"
#include "support/TestProgramDir.h"

namespace {

double devNullRun() {
  QProcess p;
  p.setStandardOutputFile(QProcess::nullDevice());
  QElapsedTimer t;
  t.start();
  p.start(QString::fromLocal8Bit(standinPath()), {});
  p.waitForFinished(-1);
  return double(t.nsecsElapsed()) / 1e6;
}

double barePtyRun(qint64& bytes) {
  PtyRunner runner;
  bytes = 0;
  QObject::connect(&runner, &PtyRunner::output, [&](const QByteArray& b) { bytes += b.size(); });
  QSignalSpy done(&runner, &PtyRunner::finished);
  QElapsedTimer t;
  t.start();
  runner.start({standinPath()}, 0, 80, 300);
  done.wait(600000);
  return double(t.nsecsElapsed()) / 1e6;
}

double consoleRun(AppContext& ctx) {
  QElapsedTimer t;
  t.start();
  ctx.console->RunPacker(CommandLine::QuoteIfNeeded(ctx.state.UpxLocation));
  return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const long mb = argc > 1 ? std::max(1L, std::atol(argv[1])) : 20;
  qputenv("PACKHELM_STANDIN_OUTPUT_BYTES", QByteArray::number(qint64(mb) * 1024 * 1024));
  qputenv("PACKHELM_STANDIN_EXIT", "0");

  TestProgramDir dir;
  AppContext ctx;
  dir.prepare(ctx.state);
  ctx.runStartupOnShow = false;
  ctx.state.opt.GlobalOpt_FirstTimeShowConsol = 1;
  ctx.createForms();
  ctx.console->OpenConsole(false);

  const int rounds = 3;
  std::vector<double> devNull, pty, console;
  qint64 bytes = 0;
  for (int i = 0; i < rounds; ++i) {
    devNull.push_back(devNullRun());
    pty.push_back(barePtyRun(bytes));
    console.push_back(consoleRun(ctx));
  }
  const double d = median(devNull), p = median(pty), c = median(console);
  std::printf("output: %ld MB (%lld bytes through the pty), median of %d runs\n", mb,
              static_cast<long long>(bytes), rounds);
  std::printf("stand-in to /dev/null:       %8.1f ms\n", d);
  std::printf("stand-in through bare pty:   %8.1f ms  (%.2fx /dev/null)\n", p, p / d);
  std::printf("stand-in into the console:   %8.1f ms  (%.2fx /dev/null, %.2fx bare pty)\n", c,
              c / d, c / p);
  std::printf("console throughput:          %8.1f MB/s\n", double(mb) / (c / 1000.0));
  return 0;
}
