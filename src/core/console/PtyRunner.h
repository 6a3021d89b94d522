// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs one program on a pseudo-terminal: started with an exec of its own (never a shell), its
// output read as it comes, keys written to it, its end found by waiting on the process (not by
// the end of the terminal's output, which a grandchild may hold open).

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

class PtyRunner : public QObject {
  Q_OBJECT
 public:
  explicit PtyRunner(QObject* parent = nullptr);
  ~PtyRunner() override;  // ends and reaps a program still running

  // Priority class (256, 128, 32, 64) to nice value; other values: 0.
  static int NiceForPriorityClass(quint32 priorityClass);
  // The program file execv gets: a name with a slash as it stands, otherwise the first
  // executable regular file of that name on PATH. Empty: none.
  static QByteArray ResolveProgram(const QByteArray& name);

  // The name of a signal as the system spells it ("SIGINT"), or "signal N" for a number it
  // does not know.
  static QByteArray SignalName(int signal);

  // Starts args[0] with the arguments. False: nothing was started (errorString() says why).
  bool start(const QList<QByteArray>& args, int niceValue, int columns, int rows);
  bool isRunning() const { return pid_ > 0 && !exited_; }
  qint64 pid() const { return pid_; }
  // True after start() when the priority could not be raised; the program runs at 0.
  bool priorityRefused() const { return priorityRefused_; }
  QString errorString() const { return error_; }
  int exitCode() const { return exitCode_; }
  // The signal that ended the program; 0 when it exited on its own (or has not ended).
  int termSignal() const { return termSignal_; }

  void write(const QByteArray& bytes);
  // SIGTERM to the program's process group, SIGKILL after a short grace, then reaped. The run
  // then finishes with the signal's exit code. Waits (at most the grace) before it returns.
  void terminate();
  // The user's stop, without waiting: an interrupt to the program's process group, a terminate
  // when it still runs after graceMs, a kill after another graceMs; the run then finishes as
  // usual. A second call goes on to the next signal at once. When the program has already ended
  // and only its terminal is being drained, the run finishes now.
  void stop(int graceMs = kStopGraceMs);
  bool stopRequested() const { return stopStage_ > 0; }
  // A stop's or terminate's signal reached the program while it still ran. It may then have
  // exited by a handler of its own, with any exit code, its work unfinished all the same.
  bool interrupted() const { return interrupted_; }

  static constexpr int kStopGraceMs = 1000;

 signals:
  void output(const QByteArray& bytes);
  // The exit code, or 128 + the signal that ended the program.
  void finished(int exitCode);

 private:
  // Forks the program on a new pseudo-terminal and waits for its exec; the terminal's master, or
  // -1 (errorString() says why).
  int spawn(const QByteArray& program, const QList<QByteArray>& args, int niceValue, int columns,
            int rows);
  // Reads the running program's terminal and waits for its end from the event loop.
  void watch(int master);
  void readAvailable();
  void checkExited();
  void finishRun();
  void closeMaster();
  void nextStopSignal();
  // Sends the signal to the program's process group, noting whether the program was still there
  // to get it.
  void signalGroup(int signal);

  int master_ = -1;
  int pidfd_ = -1;
  qint64 pid_ = -1;
  bool exited_ = false;
  bool finishing_ = false;
  bool priorityRefused_ = false;
  bool interrupted_ = false;
  int exitCode_ = -1;
  int termSignal_ = 0;
  int stopStage_ = 0;  // how many of the stop's signals were sent
  int stopGraceMs_ = kStopGraceMs;
  QTimer* stopTimer_ = nullptr;
  QString error_;
  QByteArray pendingInput_;
  QSocketNotifier* readNotifier_ = nullptr;
  QSocketNotifier* writeNotifier_ = nullptr;
  QSocketNotifier* exitNotifier_ = nullptr;
  QTimer* exitPoll_ = nullptr;
  QTimer* drainTimer_ = nullptr;
  qint64 drainDeadline_ = 0;
};
