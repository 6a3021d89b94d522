// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/console/PtyRunner.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <pty.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>

extern char** environ;

namespace {

// What the child tells the parent through the close-on-exec pipe before exec. End of file
// without an exec record means the program is running.
struct ChildReport {
  int kind;  // 1: priority refused, 2: exec failed
  int error;
};

void writeReport(int fd, int kind, int error) {
  const ChildReport r{kind, error};
  ssize_t n;
  do {
    n = ::write(fd, &r, sizeof r);
  } while (n < 0 && errno == EINTR);
}

bool isExecutableFile(const QByteArray& path) {
  struct stat st;
  return ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
         ::access(path.constData(), X_OK) == 0;
}

// How long a finished program's terminal may go on delivering output (a grandchild may hold
// it open and keep writing), and how long it may stay silent before the run is over.
constexpr int kDrainIdleMs = 25;
constexpr int kDrainMaxMs = 300;
constexpr int kTerminateGraceMs = 500;

// The exit code of a reaped child as a shell reports it: 128 + the signal for a child killed by
// one, and that signal in `signal` (0 for a child that exited). A child that waitpid did not hand
// back (reaped elsewhere) counts as killed.
int exitCodeOf(pid_t reaped, pid_t child, int status, int& signal) {
  signal = 0;
  if (reaped == child && WIFEXITED(status)) return WEXITSTATUS(status);
  signal = reaped == child && WIFSIGNALED(status) ? WTERMSIG(status) : SIGKILL;
  return 128 + signal;
}

// The child has ended and waits to be reaped: a signal sent now reaches no one.
bool endedUnreaped(pid_t child) {
  siginfo_t info{};
  return ::waitid(P_PID, id_t(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == child;
}

}  // namespace

PtyRunner::PtyRunner(QObject* parent) : QObject(parent) {}

PtyRunner::~PtyRunner() {
  terminate();
  closeMaster();
}

int PtyRunner::NiceForPriorityClass(quint32 priorityClass) {
  switch (priorityClass) {
    case 256:
      return -20;
    case 128:
      return -10;
    case 64:
      return 19;
    default:
      return 0;
  }
}

QByteArray PtyRunner::ResolveProgram(const QByteArray& name) {
  if (name.isEmpty()) return {};
  if (name.contains('/')) return name;
  const QByteArray path = qgetenv("PATH");
  for (const QByteArray& dir : path.split(':')) {
    // An empty entry means the current folder, as the shell's search has it.
    const QByteArray candidate = (dir.isEmpty() ? QByteArray(".") : dir) + '/' + name;
    if (isExecutableFile(candidate)) return candidate;
  }
  return {};
}

QByteArray PtyRunner::SignalName(int signal) {
  if (const char* abbrev = signal > 0 ? ::sigabbrev_np(signal) : nullptr)
    return QByteArray("SIG") + abbrev;
  return "signal " + QByteArray::number(signal);
}

namespace {

// The child's side of the start, between fork and exec: only async-signal-safe calls.
[[noreturn]] void execChild(pid_t parent, int reportFd, int niceValue, const char* program,
                            char* const* argv) {
  // The packer ends with the program, whatever ends the program (a crash or a kill included):
  // the kernel sends it SIGKILL when the thread that started it ends, and that is the
  // user-interface thread, which lives as long as the program (the kernel drops this for a
  // set-user-ID packer, which a desktop user does not have). The packer's session then loses its
  // terminal, which hangs up the packer's process group. The one exception: a process the packer
  // starts that leaves its session (or ignores the hang-up) outlives a program that is killed
  // outright; while the program lives, the end of a run ends the whole process group.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(127);  // the program ended before the line above
  // Dispositions and the mask are inherited across exec: give the packer a clean set, so that
  // Ctrl+C (SIGINT) and the end of the run (SIGTERM) reach it.
  struct sigaction dfl;
  std::memset(&dfl, 0, sizeof dfl);
  dfl.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig)
    if (sig != SIGKILL && sig != SIGSTOP) ::sigaction(sig, &dfl, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  if (::setpriority(PRIO_PROCESS, 0, niceValue) != 0) {
    writeReport(reportFd, 1, errno);
    ::setpriority(PRIO_PROCESS, 0, 0);
  }
  // Descriptors of the program (other consoles, sockets) are not the packer's business.
  ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
  ::execve(program, argv, environ);
  writeReport(reportFd, 2, errno);
  ::_exit(127);
}

// What the child reported until its exec closed the pipe: the priority refused, and the exec's
// error (0: the program runs).
int readChildReports(int fd, bool& priorityRefused) {
  int execError = 0;
  for (;;) {
    ChildReport r;
    const ssize_t n = ::read(fd, &r, sizeof r);
    if (n < 0 && errno == EINTR) continue;
    if (n != ssize_t(sizeof r)) break;
    if (r.kind == 1) priorityRefused = true;
    if (r.kind == 2) execError = r.error ? r.error : ENOEXEC;
  }
  ::close(fd);
  return execError;
}

}  // namespace

bool PtyRunner::start(const QList<QByteArray>& args, int niceValue, int columns, int rows) {
  error_.clear();
  priorityRefused_ = false;
  exitCode_ = -1;
  termSignal_ = 0;
  stopStage_ = 0;
  interrupted_ = false;
  if (isRunning() || finishing_) {
    error_ = QStringLiteral("a program is already running");
    return false;
  }
  closeMaster();
  pid_ = -1;
  exited_ = false;
  if (args.isEmpty() || args.first().isEmpty()) {
    error_ = QStringLiteral("empty command line");
    return false;
  }
  // Resolved here, not by execvp: execvp hands a file without an interpreter line to the
  // shell, and no shell ever starts the packer.
  const QByteArray program = ResolveProgram(args.first());
  if (program.isEmpty()) {
    error_ = QStringLiteral("%1: not found").arg(QString::fromLocal8Bit(args.first()));
    return false;
  }
  const int master = spawn(program, args, niceValue, columns, rows);
  if (master < 0) return false;
  watch(master);
  return true;
}

int PtyRunner::spawn(const QByteArray& program, const QList<QByteArray>& args, int niceValue,
                     int columns, int rows) {
  // Everything the child needs is prepared before the fork: after it, only async-signal-safe
  // calls are allowed.
  QList<QByteArray> argCopies = args;
  std::vector<char*> argv;
  for (QByteArray& a : argCopies) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t parent = ::getpid();
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    error_ = QString::fromLocal8Bit(std::strerror(errno));
    return -1;
  }
  struct winsize ws {};
  ws.ws_col = static_cast<unsigned short>(columns);
  ws.ws_row = static_cast<unsigned short>(rows);
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, &ws);
  if (pid < 0) {
    error_ = QString::fromLocal8Bit(std::strerror(errno));
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    return -1;
  }
  if (pid == 0) execChild(parent, pipeFds[1], niceValue, program.constData(), argv.data());

  ::close(pipeFds[1]);
  pid_ = pid;
  const int execError = readChildReports(pipeFds[0], priorityRefused_);
  if (execError) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ::close(master);
    pid_ = -1;
    error_ = QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(program),
                                          QString::fromLocal8Bit(std::strerror(execError)));
    return -1;
  }
  return master;
}

void PtyRunner::watch(int master) {
  master_ = master;
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  readNotifier_ = new QSocketNotifier(qintptr(master_), QSocketNotifier::Read, this);
  connect(readNotifier_, &QSocketNotifier::activated, this, &PtyRunner::readAvailable);
  writeNotifier_ = new QSocketNotifier(qintptr(master_), QSocketNotifier::Write, this);
  writeNotifier_->setEnabled(false);
  connect(writeNotifier_, &QSocketNotifier::activated, this, [this] { write(QByteArray()); });

  // The end of the process, not the end of the terminal's output, ends the run.
  pidfd_ = int(::syscall(SYS_pidfd_open, pid_, 0));
  if (pidfd_ >= 0) {
    exitNotifier_ = new QSocketNotifier(qintptr(pidfd_), QSocketNotifier::Read, this);
    connect(exitNotifier_, &QSocketNotifier::activated, this, &PtyRunner::checkExited);
  } else {
    exitPoll_ = new QTimer(this);
    connect(exitPoll_, &QTimer::timeout, this, &PtyRunner::checkExited);
    exitPoll_->start(20);
  }
}

void PtyRunner::readAvailable() {
  if (master_ < 0) return;
  char buf[65536];
  // A bounded amount per call keeps the window responsive under a flood of output.
  for (int i = 0; i < 16; ++i) {
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0) {
      emit output(QByteArray(buf, n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return;
    // EIO (or 0): every holder of the terminal has closed it; nothing more will come.
    if (readNotifier_) readNotifier_->setEnabled(false);
    if (exited_) finishRun();
    return;
  }
}

void PtyRunner::checkExited() {
  if (pid_ <= 0 || exited_) return;
  int status = 0;
  const pid_t r = ::waitpid(pid_, &status, WNOHANG);
  if (r == 0 || (r < 0 && errno == EINTR)) return;
  exited_ = true;
  exitCode_ = exitCodeOf(r, pid_, status, termSignal_);
  if (stopTimer_) stopTimer_->stop();
  if (exitNotifier_) exitNotifier_->setEnabled(false);
  if (exitPoll_) exitPoll_->stop();

  // The last output may still be on its way through the terminal: read until the terminal
  // reports that no one holds it, or until it has stayed quiet for a moment (a grandchild
  // holding it must not keep the run alive).
  finishing_ = true;
  drainDeadline_ = QDeadlineTimer(kDrainMaxMs).deadline();
  drainTimer_ = new QTimer(this);
  drainTimer_->setSingleShot(true);
  connect(drainTimer_, &QTimer::timeout, this, [this] {
    if (master_ < 0) return finishRun();
    char buf[65536];
    bool got = false;
    for (int i = 0; i < 16; ++i) {
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) {
        got = true;
        emit output(QByteArray(buf, n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) break;
      return finishRun();
    }
    if (got && QDeadlineTimer(drainDeadline_).remainingTime() > 0)
      drainTimer_->start(kDrainIdleMs);
    else
      finishRun();
  });
  readAvailable();
  if (finishing_ && drainTimer_) drainTimer_->start(kDrainIdleMs);
}

void PtyRunner::finishRun() {
  if (!exited_ || !finishing_) return;
  finishing_ = false;
  if (drainTimer_) {
    drainTimer_->stop();
    drainTimer_->deleteLater();
    drainTimer_ = nullptr;
  }
  closeMaster();
  emit finished(exitCode_);
}

void PtyRunner::closeMaster() {
  delete readNotifier_;
  readNotifier_ = nullptr;
  delete writeNotifier_;
  writeNotifier_ = nullptr;
  delete exitNotifier_;
  exitNotifier_ = nullptr;
  delete exitPoll_;
  exitPoll_ = nullptr;
  if (master_ >= 0) ::close(master_);
  master_ = -1;
  if (pidfd_ >= 0) ::close(pidfd_);
  pidfd_ = -1;
  pendingInput_.clear();
}

void PtyRunner::write(const QByteArray& bytes) {
  if (master_ < 0 || exited_) return;
  pendingInput_ += bytes;
  while (!pendingInput_.isEmpty()) {
    const ssize_t n = ::write(master_, pendingInput_.constData(), size_t(pendingInput_.size()));
    if (n > 0) {
      pendingInput_.remove(0, n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) pendingInput_.clear();
    break;
  }
  if (writeNotifier_) writeNotifier_->setEnabled(!pendingInput_.isEmpty());
}

void PtyRunner::terminate() {
  if (pid_ <= 0) return;
  if (!exited_) {
    signalGroup(SIGTERM);
    ::kill(-pid_, SIGCONT);  // a stopped packer must see the SIGTERM
    QDeadlineTimer grace(kTerminateGraceMs);
    int status = 0;
    pid_t r = 0;
    while ((r = ::waitpid(pid_, &status, WNOHANG)) == 0 && !grace.hasExpired()) {
      const struct timespec pause { 0, 5 * 1000 * 1000 };
      ::nanosleep(&pause, nullptr);
    }
    if (r == 0) {
      ::kill(-pid_, SIGKILL);
      while ((r = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
      }
    }
    exited_ = true;
    exitCode_ = exitCodeOf(r, pid_, status, termSignal_);
    if (stopTimer_) stopTimer_->stop();
  }
  if (master_ >= 0 || finishing_ || drainTimer_) {
    // Whatever the packer wrote last still reaches the console.
    if (master_ >= 0) {
      char buf[65536];
      for (int i = 0; i < 16; ++i) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) break;
        emit output(QByteArray(buf, n));
      }
    }
    finishing_ = true;
    finishRun();
  }
}

void PtyRunner::stop(int graceMs) {
  if (pid_ <= 0) return;
  stopGraceMs_ = graceMs;
  if (exited_) {
    // Only a grandchild holding the terminal keeps the run going: stop waiting for it.
    if (stopStage_ == 0) stopStage_ = 1;
    if (finishing_) finishRun();
    return;
  }
  if (!stopTimer_) {
    stopTimer_ = new QTimer(this);
    stopTimer_->setSingleShot(true);
    stopTimer_->setTimerType(Qt::PreciseTimer);  // the grace is a promise to the packer
    connect(stopTimer_, &QTimer::timeout, this, &PtyRunner::nextStopSignal);
  }
  nextStopSignal();
}

void PtyRunner::nextStopSignal() {
  static constexpr int stopSignals[] = {SIGINT, SIGTERM, SIGKILL};
  if (pid_ <= 0 || exited_ || stopStage_ >= int(std::size(stopSignals))) return;
  const int sig = stopSignals[stopStage_++];
  signalGroup(sig);
  // A stopped packer must go on to see the signal.
  if (sig != SIGKILL) {
    ::kill(-pid_, SIGCONT);
    stopTimer_->start(stopGraceMs_);
  }
}

void PtyRunner::signalGroup(int signal) {
  // Asked before the signal goes: once sent, the program may have ended by it.
  if (!endedUnreaped(pid_t(pid_))) interrupted_ = true;
  // The packer's session is its own process group (forkpty makes it the leader).
  ::kill(-pid_, signal);
}
