// SPDX-License-Identifier: GPL-3.0-or-later
// The stand-in packer: a small program that the tests run in place of the real packer. It keeps
// the real packer's command-line contract (options, commands, per-file checks, exit codes 0/1/2),
// its messages, per-file lines and summaries, and its temporary and backup names (test_conformance
// holds it to UPX 4.2.3), and really compresses, in a format of its own (see Files.cpp). Unlike
// the real packer it takes any file but an all-zero one or one that starts with "NOTEXE" for a
// program, so that tests can pack text.
//
// Environment switches, for tests, applied in this order:
//   PACKHELM_STANDIN_ARGLOG=FILE   append every argument on a line of its own, then "--END--"
//   PACKHELM_STANDIN_PIDFILE=FILE  write its process id there
//   PACKHELM_STANDIN_IGNORE=N,M    ignore these signals (numbers)
//   PACKHELM_STANDIN_TRAP=N:C,M:D  on signal N exit with code C at once, as a packer with a
//                                  handler of its own may, its unfinished files left as they are
//   PACKHELM_STANDIN_VERSION=X.Y.Z version it claims (default 4.2.4); below 4 it takes --crp-ms=
//   PACKHELM_STANDIN_VERSION_LINE=TEXT  the first line of --version instead of "upx X.Y.Z"
//   PACKHELM_STANDIN_HOLD=partial|between, PACKHELM_STANDIN_HOLD_MS=N  wait halfway through
//                                  writing a result, or after each file but the last (Files.h)
//   PACKHELM_STANDIN_WORK=N        packing compresses each file N more times (Files.h)
//   PACKHELM_STANDIN_SLEEP_MS=N    sleep N ms first
//   PACKHELM_STANDIN_OUTPUT_BYTES=N print N bytes of text to stdout, then work on
//   PACKHELM_STANDIN_ECHO_INPUT=1  echo stdin lines as "got: <line>" until EOF or "quit", exit 0
//   PACKHELM_STANDIN_GRANDCHILD=1  leave a detached grandchild holding stdout for 30 s, exit 0
//   PACKHELM_STANDIN_SIGNAL=N      die by signal N
//   PACKHELM_STANDIN_EXIT=N        exit with code N without doing anything else
// The last four end the program; EXIT also sets the code with which ECHO_INPUT and GRANDCHILD end.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QtGlobal>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Files.h"
#include "Options.h"

using namespace Standin;

namespace {

bool gTerminal = false;
int gQuiet = 0;

std::string envText(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

long envNumber(const char* name, long fallback) {
  const std::string v = envText(name);
  if (v.empty()) return fallback;
  char* end = nullptr;
  const long n = std::strtol(v.c_str(), &end, 10);
  return (end && *end == '\0') ? n : fallback;
}

void out(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void err(const std::string& text) {
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

void logArguments(const std::string& path, int argc, char** argv) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  std::string text;
  for (int i = 1; i < argc; ++i) text += std::string(argv[i]) + '\n';
  text += "--END--\n";
  // One write, so that concurrent runs do not interleave their lines.
  [[maybe_unused]] const ssize_t n = ::write(fd, text.data(), text.size());
  ::close(fd);
}

void writePid(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const std::string text = std::to_string(::getpid()) + '\n';
  [[maybe_unused]] const ssize_t n = ::write(fd, text.data(), text.size());
  ::close(fd);
}

// A packer that does not end on the first signal it gets, for the tests of stopping one.
void ignoreSignals(const std::string& list) {
  size_t at = 0;
  while (at < list.size()) {
    size_t end = list.find(',', at);
    if (end == std::string::npos) end = list.size();
    const int sig = std::atoi(list.substr(at, end - at).c_str());
    if (sig > 0 && sig < NSIG) ::signal(sig, SIG_IGN);
    at = end + 1;
  }
}

// The exit codes of the trapped signals, by signal.
volatile sig_atomic_t gTrapCodes[NSIG];

void exitByTrap(int sig) {
  ::_exit(int(gTrapCodes[sig]));
}

void trapSignals(const std::string& list) {
  size_t at = 0;
  while (at < list.size()) {
    size_t end = list.find(',', at);
    if (end == std::string::npos) end = list.size();
    const std::string item = list.substr(at, end - at);
    const size_t colon = item.find(':');
    const int sig = std::atoi(item.substr(0, colon).c_str());
    if (sig > 0 && sig < NSIG && colon != std::string::npos) {
      gTrapCodes[sig] = std::atoi(item.substr(colon + 1).c_str());
      ::signal(sig, exitByTrap);
    }
    at = end + 1;
  }
}

// Line by line, but handed to the system in large chunks: on a terminal stdout is line buffered,
// and a write per line would measure the terminal's cost per write, not the console's.
void printTextBytes(long count) {
  constexpr size_t kChunk = 64 * 1024;
  std::string chunk;
  chunk.reserve(kChunk + 128);
  std::fflush(stdout);
  for (long written = 0, row = 0; written < count; ++row) {
    const size_t start = chunk.size();
    chunk += "stand-in output line ";
    chunk += std::to_string(row);
    chunk += " ........................\n";
    const long lineSize = long(chunk.size() - start);
    if (lineSize > count - written) chunk.resize(start + size_t(count - written));
    written += long(chunk.size() - start);
    if (chunk.size() >= kChunk || written >= count) {
      std::fwrite(chunk.data(), 1, chunk.size(), stdout);
      std::fflush(stdout);
      chunk.clear();
    }
  }
}

int echoInput(int code) {
  char* line = nullptr;
  size_t cap = 0;
  ssize_t n;
  while ((n = ::getline(&line, &cap, stdin)) >= 0) {
    std::string text(line, size_t(n));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text == "quit") break;
    out("got: " + text + "\n");
    std::fflush(stdout);
  }
  std::free(line);
  return code;
}

int leaveGrandchild(int code) {
  std::fflush(stdout);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // A session of its own, so that the end of our session or group does not take it along.
    ::setsid();
    ::sleep(30);
    ::_exit(0);
  }
  return code;
}

void dieBySignal(int sig) {
  std::fflush(stdout);
  ::signal(sig, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(sig);
}

std::string versionText() {
  const std::string v = envText("PACKHELM_STANDIN_VERSION");
  return v.empty() ? "4.2.4" : v;
}

int majorOf(const std::string& version) {
  return std::atoi(version.c_str());
}

void progress(const std::string& name, int percent) {
  if (!gTerminal || gQuiet > 0) return;
  out("\r  [" + std::string(size_t(percent / 10), '*') +
      std::string(size_t(10 - percent / 10), '.') + "] " + std::to_string(percent) + "%  " + name);
  std::fflush(stdout);
}

void clearProgress(const std::string& name) {
  if (!gTerminal || gQuiet > 0) return;
  out("\r" + std::string(name.size() + 22, ' ') + "\r");
}

// The packer's ratio: packed per unpacked size in hundredths of a per cent, rounded, shown
// as "overlay" when it reaches 100 %.
std::string ratioText(long long unpacked, long long packed) {
  unsigned long long x = unpacked == 0 ? (packed == 0 ? 0 : 1000000)
                                       : (unsigned long long)packed * 1000000 / unpacked + 50;
  if (x >= 10000000) x = 9999999;
  if (x >= 1000000) return "overlay";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%3u.%02u%%", unsigned(x / 10000), unsigned(x % 10000 / 100));
  return buf;
}

// A line of the packer's table: both sizes, the ratio, the format centred in 15 columns, the name.
std::string tableLine(long long unpacked, long long packed, const std::string& format,
                      const std::string& name, bool unpacking) {
  std::string centred(15, ' ');
  centred.replace((15 - std::min<size_t>(format.size(), 14)) / 2,
                  std::min<size_t>(format.size(), 14), format.substr(0, 14));
  char buf[96];
  std::snprintf(buf, sizeof buf, "%10lld %s%10lld  %7s %s ", unpacked, unpacking ? "<-" : "->",
                packed, ratioText(unpacked, packed).c_str(), centred.c_str());
  return buf + name + "\n";
}

// Packing and unpacking name the file without its folder, listing names it as given.
std::string baseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char kHeader1[] = "        File size         Ratio      Format      Name\n";
const char kHeader2[] = "   --------------------   ------   -----------   -----------\n";

void printVersion(const std::string& version) {
  const char* line = std::getenv("PACKHELM_STANDIN_VERSION_LINE");
  out((line ? std::string(line) : "upx " + version) + "\n");
  out("stand-in packer for the Packhelm tests; zlib through Qt " + std::string(qVersion()) + "\n");
  out("This program may be freely redistributed under the terms of the GNU GPL.\n");
}

void printBanner(const std::string& version) {
  out("                   Stand-in packer for the Packhelm tests\n");
  out("upx " + version + "   compresses with zlib into a format of its own\n\n");
}

void printLicence(const std::string& version) {
  printBanner(version);
  out("   This program may be used freely, and you are welcome to\n"
      "   redistribute it under certain conditions.\n");
}

void printHelp(const std::string& version, int major) {
  printBanner(version);
  out("Usage: upx [-123456789dlthVL] [-qk] [-o file] file..\n\n"
      "Commands:\n"
      "  -1     compress faster                   -9    compress better\n"
      "  --best compress best\n"
      "  -d     decompress                        -l    list compressed file\n"
      "  -t     test compressed file              -V    display version number\n"
      "  -h     give this help                    -L    display software license\n"
      "Options:\n"
      "  -q     be quiet                          -k    keep backup files\n"
      "  -f     force compression                 -o FILE  write output to 'FILE'\n");
  out(std::string("  ") + (major >= 4 ? "--crp-ucl-ms=" : "--crp-ms=") +
      "N     10000..999999\n"
      "  --nrv2b --nrv2d --overlay=copy|strip|skip --8086 --no-reloc --coff --le\n"
      "  --compress-exports=0|1 --compress-icons=0..3 --compress-resources=0|1\n"
      "  --strip-relocs=0|1\n");
}

const char* verbOf(Command c) {
  switch (c) {
    case Command::Decompress:
      return "Unpacked";
    case Command::Test:
      return "Tested";
    default:
      return "Packed";
  }
}

void silentMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

int main(int argc, char** argv) {
  // Ctrl+C must end the stand-in, whatever the parent left behind.
  ::signal(SIGINT, SIG_DFL);
  sigset_t intSet;
  sigemptyset(&intSet);
  sigaddset(&intSet, SIGINT);
  ::sigprocmask(SIG_UNBLOCK, &intSet, nullptr);
  // qUncompress complains on damaged data; the stand-in reports that itself.
  qInstallMessageHandler(silentMessages);

  const std::string argLog = envText("PACKHELM_STANDIN_ARGLOG");
  if (!argLog.empty()) logArguments(argLog, argc, argv);
  const std::string pidFile = envText("PACKHELM_STANDIN_PIDFILE");
  if (!pidFile.empty()) writePid(pidFile);
  ignoreSignals(envText("PACKHELM_STANDIN_IGNORE"));
  trapSignals(envText("PACKHELM_STANDIN_TRAP"));

  const long sleepMs = envNumber("PACKHELM_STANDIN_SLEEP_MS", 0);
  if (sleepMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
  const long outputBytes = envNumber("PACKHELM_STANDIN_OUTPUT_BYTES", 0);
  if (outputBytes > 0) printTextBytes(outputBytes);

  const bool exitSet = !envText("PACKHELM_STANDIN_EXIT").empty();
  const int exitCode = int(envNumber("PACKHELM_STANDIN_EXIT", 0));
  if (envText("PACKHELM_STANDIN_ECHO_INPUT") == "1") return echoInput(exitCode);
  if (envText("PACKHELM_STANDIN_GRANDCHILD") == "1") return leaveGrandchild(exitCode);
  const long sig = envNumber("PACKHELM_STANDIN_SIGNAL", 0);
  if (sig > 0 && sig < NSIG) {
    dieBySignal(int(sig));
    return 1;  // a signal whose default is to be ignored
  }
  if (exitSet) return exitCode;

  gTerminal = ::isatty(1) == 1;
  const std::string version = versionText();
  const int major = majorOf(version);
  std::vector<std::string> args(argv + 1, argv + argc);
  Options o;
  std::string usageError;
  if (!ParseArguments(args, major, o, usageError)) {
    printBanner(version);
    err("upx: " + usageError + "\n");
    std::fflush(stdout);
    return 1;
  }
  gQuiet = o.quiet;

  switch (o.command) {
    case Command::Version:
      printVersion(version);
      return 0;
    case Command::Help:
      printHelp(version, major);
      return 0;
    case Command::ListFormats:
      printLicence(version);
      return 0;
    default:
      break;
  }

  // The real packer's amounts of output: -q drops the progress, -qq the banner, the table's
  // frame, the summary and the warnings, -qqq the rest but the errors. A listing always shows.
  const int verbose = 2 - gQuiet;
  const bool test = o.command == Command::Test;
  const bool unpacking = o.command == Command::Decompress;
  if (verbose >= 1) {
    printBanner(version);
    if (!test) out(std::string(kHeader1) + kHeader2);
  }
  int errors = 0, warnings = 0, startedCount = 0, done = 0;
  long long totalUnpacked = 0, totalPacked = 0;
  for (size_t i = 0; i < o.files.size(); ++i) {
    const std::string& name = o.files[i];
    if (i > 0) Hold(HoldPoint::Between);
    const FileResult r = ProcessFile(o, name, progress);
    clearProgress(name);
    startedCount += r.started;
    // A test under way has its "testing NAME " out before its end is known.
    if (r.started && test && verbose >= 1) out("testing " + name + " ");
    if (r.outcome == Outcome::Ok) {
      ++done;
      totalUnpacked += r.sizeBefore;
      totalPacked += r.sizeAfter;
      if (test) {
        if (verbose >= 1) out("[OK]\n");
      } else if (o.command == Command::List || verbose >= 0) {
        const std::string shown = o.command == Command::List ? name
                                  : o.hasOutput              ? baseName(o.output)
                                                             : baseName(name);
        out(tableLine(r.sizeBefore, r.sizeAfter, r.format, shown, unpacking));
      }
    } else {
      const bool warning = r.outcome == Outcome::Warning;
      (warning ? warnings : errors)++;
      if (r.started && test && verbose >= 1) out("\n");
      if (verbose >= 1 || (verbose >= 0 && !warning)) err("upx: " + name + ": " + r.message + "\n");
    }
    std::fflush(stdout);
  }
  if (verbose >= 1 && !test && startedCount >= 2) {
    const std::string files = "[ " + std::to_string(done) + (done == 1 ? " file ]" : " files ]");
    out(kHeader2 + tableLine(totalUnpacked, totalPacked, "", files, unpacking));
  }
  if (verbose >= 1 && o.command != Command::List) {
    const int failed = startedCount - done;
    std::string line = "\n" + std::string(verbOf(o.command)) + " " + std::to_string(startedCount) +
                       (startedCount == 1 ? " file" : " files");
    if (failed == 0)
      line += ".\n";
    else
      line += ": " + std::to_string(done) + " ok, " + std::to_string(failed) +
              (failed == 1 ? " error.\n" : " errors.\n");
    out(line);
  }
  std::fflush(stdout);
  return errors > 0 ? 1 : warnings > 0 ? 2 : 0;
}
