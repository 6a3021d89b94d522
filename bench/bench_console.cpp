// SPDX-License-Identifier: GPL-3.0-or-later
// The console's throughput: the stand-in packer printing 20 MB through the pty into the
// console window, against the same output written to /dev/null, and the layers in between,
// so that the cost of each one shows:
//   /dev/null        the stand-in alone (its own cost of making the text)
//   plain reader     a blocking read loop on the pty, no Qt: the kernel's terminal cost
//   raw plain reader the same with the terminal in raw mode (no output processing)
//   bare PtyRunner   the runner in the event loop, output counted and dropped
//   guard alone      the captured pty output through the OutputGuard only (its share of the next)
//   screen alone     the captured pty output fed into a fresh ScreenModel, no pty
//   console          the whole run: pty, runner, screen, view
// Run by hand, offscreen or on a desktop:
//   QT_QPA_PLATFORM=offscreen bench_console [megabytes] [rounds] [console]
// The third argument runs only the console rounds (for profiling).

#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/console/OutputGuard.h"
#include "core/console/PtyRunner.h"
#include "core/console/ScreenModel.h"
#include "core/jobs/JobEngine.h"
#include "core/packer/CommandLine.h"
#include "gui/console/ConsoleSession.h"
#include "gui/main/AppContext.h"
#include "support/Runs.h"
#include "support/TestProgramDir.h"

namespace {

// This process's CPU time (all its threads), in ms: less at the mercy of a busy machine than
// the wall clock.
double cpuMs() {
  struct timespec ts;
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double devNullRun() {
  QProcess p;
  p.setStandardOutputFile(QProcess::nullDevice());
  QElapsedTimer t;
  t.start();
  p.start(QString::fromLocal8Bit(standinPath()), {});
  p.waitForFinished(-1);
  return double(t.nsecsElapsed()) / 1e6;
}

// The stand-in on a pty of 80x300 read by a plain blocking loop: what the kernel's terminal
// costs, with nothing of ours in the way.
double plainReaderRun(bool raw, qint64& bytes, qint64& reads) {
  const QByteArray program = standinPath();
  char* argv[] = {const_cast<char*>(program.constData()), nullptr};
  QElapsedTimer t;
  t.start();
  struct winsize ws {};
  ws.ws_col = 80;
  ws.ws_row = 300;
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, &ws);
  if (pid == 0) {
    if (raw) {
      struct termios tio;
      ::tcgetattr(0, &tio);
      ::cfmakeraw(&tio);
      ::tcsetattr(0, TCSANOW, &tio);
    }
    ::execv(argv[0], argv);
    ::_exit(127);
  }
  std::vector<char> buf(65536);
  bytes = reads = 0;
  for (;;) {
    const ssize_t n = ::read(master, buf.data(), buf.size());
    if (n > 0) {
      bytes += n;
      ++reads;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;  // EIO: the stand-in closed the terminal
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(master);
  return double(t.nsecsElapsed()) / 1e6;
}

double barePtyRun(QList<QByteArray>& chunks) {
  PtyRunner runner;
  chunks.clear();
  QObject::connect(&runner, &PtyRunner::output, [&](const QByteArray& b) { chunks << b; });
  QSignalSpy done(&runner, &PtyRunner::finished);
  QElapsedTimer t;
  t.start();
  runner.start({standinPath()}, 0, 80, 300);
  done.wait(600000);
  return double(t.nsecsElapsed()) / 1e6;
}

double guardAloneRun(const QList<QByteArray>& chunks) {
  OutputGuard guard;
  QByteArray out;
  qint64 kept = 0;
  QElapsedTimer t;
  t.start();
  for (const QByteArray& c : chunks) {
    out.clear();
    guard.filter(c.constData(), c.size(), out);
    kept += out.size();
  }
  const double ms = double(t.nsecsElapsed()) / 1e6;
  if (kept < 0) std::printf("?");  // keeps the work from being optimised away
  return ms;
}

double screenAloneRun(const QList<QByteArray>& chunks) {
  ScreenModel screen(80, 300);
  QElapsedTimer t;
  t.start();
  for (const QByteArray& c : chunks) screen.feed(c);
  return double(t.nsecsElapsed()) / 1e6;
}

double consoleRun(AppContext& ctx) {
  QElapsedTimer t;
  t.start();
  AwaitRun(ctx, CommandLine::QuoteIfNeeded(ctx.state.UpxLocation));
  return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double minimum(const std::vector<double>& v) {
  return *std::min_element(v.begin(), v.end());
}

// Wall time of each run and this process's CPU time in it.
struct Timing {
  std::vector<double> wall, cpu;
  template <class Run>
  void measure(Run run) {
    const double before = cpuMs();
    wall.push_back(run());
    cpu.push_back(cpuMs() - before);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const long mb = argc > 1 ? std::max(1L, std::atol(argv[1])) : 20;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  const bool consoleOnly = argc > 3 && std::strcmp(argv[3], "console") == 0;
  qputenv("PACKHELM_STANDIN_OUTPUT_BYTES", QByteArray::number(qint64(mb) * 1000 * 1000));
  qputenv("PACKHELM_STANDIN_EXIT", "0");

  TestProgramDir dir;
  AppContext ctx;
  dir.prepare(ctx.state);
  ctx.runStartupOnShow = false;
  ctx.state.opt.GlobalOpt_FirstTimeShowConsol = 1;
  ctx.createForms();
  ctx.console->openConsole(false);

  Timing devNull, plain, raw, pty, guard, screen, console;
  qint64 bytes = 0, reads = 0, rawBytes = 0, rawReads = 0;
  QList<QByteArray> chunks;
  for (int i = 0; i < rounds; ++i) {
    if (!consoleOnly) {
      devNull.measure([] { return devNullRun(); });
      plain.measure([&] { return plainReaderRun(false, bytes, reads); });
      raw.measure([&] { return plainReaderRun(true, rawBytes, rawReads); });
      pty.measure([&] { return barePtyRun(chunks); });
      guard.measure([&] { return guardAloneRun(chunks); });
      screen.measure([&] { return screenAloneRun(chunks); });
    }
    console.measure([&] { return consoleRun(ctx); });
  }
  std::printf("output: %ld MB; median (min) of %d runs; wall clock, and this process's CPU\n", mb,
              rounds);
  const double d = consoleOnly ? 0 : median(devNull.wall);
  auto line = [d](const char* what, const Timing& t) {
    std::printf("%-26s %8.1f ms (%7.1f)", what, median(t.wall), minimum(t.wall));
    if (d > 0) std::printf(" %6.2fx /dev/null", median(t.wall) / d);
    std::printf("   cpu %7.1f ms (%7.1f)\n", median(t.cpu), minimum(t.cpu));
  };
  if (!consoleOnly) {
    line("stand-in to /dev/null:", devNull);
    line("plain reader on the pty:", plain);
    line("plain reader, raw pty:", raw);
    line("bare PtyRunner:", pty);
    line("guard alone (no pty):", guard);
    line("screen alone (no pty):", screen);
  }
  line("into the console:", console);
  if (!consoleOnly) {
    std::printf(
        "pty: %lld bytes in %lld reads (%lld bytes a read); raw: %lld bytes in %lld reads\n",
        static_cast<long long>(bytes), static_cast<long long>(reads),
        static_cast<long long>(reads ? bytes / reads : 0), static_cast<long long>(rawBytes),
        static_cast<long long>(rawReads));
    std::printf("runner: %lld chunks (%lld bytes a chunk)\n", static_cast<long long>(chunks.size()),
                static_cast<long long>(chunks.isEmpty() ? 0 : bytes / chunks.size()));
  }
  std::printf("console throughput: %.1f MB/s\n", double(mb) / (median(console.wall) / 1000.0));
  return 0;
}
