// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console of the program's own in which the packer runs: opening it with its header bar,
// releasing it, running the packer on a pseudo-terminal and reporting the outcome.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

struct ProgramState;
class ScreenModel;
#include "gui/console/ConsoleWindow.h"
class PtyRunner;
class QWidget;

// How a run ended, as the status line tells it.
struct RunOutcome {
  int exitCode = 0;            // the exit code, or 128 + the signal that ended the packer
  int signal = 0;              // that signal; 0 when the packer exited on its own
  bool stoppedByUser = false;  // Stop, Escape, or closing a console or the main window
  // A stop reached the packer while it ran: whatever its exit code, it may have exited by a
  // handler of its own in the middle of its work (for a job: any of its packers).
  bool interrupted = false;
  QList<QByteArray> removed;  // the unfinished files removed after the run
  // Each packer's ending signal (0: exited; -1: it could not be started), in command order.
  QList<int> runSignals;
  QList<bool> runsInterrupted;  // and whether a stop reached it, in the same order
  // The packer exited on its own, unasked, and has dealt with its files itself.
  bool endedNormally() const { return signal == 0 && !interrupted; }
  static RunOutcome Exited(int code) {
    RunOutcome o;
    o.exitCode = code;
    return o;
  }
};

class ConsoleSession : public QObject {
  Q_OBJECT
 public:
  // `windows` lists the program's windows, which are disabled while the packer runs.
  ConsoleSession(ProgramState& state, std::function<QList<QWidget*>()> windows,
                 QObject* parent = nullptr);
  ~ConsoleSession() override;  // a packer still running is ended and reaped

  static constexpr const char* ConsoleTitle = "UPX + Packhelm";

  bool isOpen() const { return open_; }

  void OpenConsole(bool forced);
  void CloseConsole();
  // Starts the packer on the command line, or several packers at once, one per command line,
  // each in a pane of its own whose header names the run and its number of files (fileCounts, in
  // the same order). The console keeps drawing and every other window is disabled until the run
  // has ended, which runFinished says, once. False, with nothing started and no signal to come:
  // a run is going on already, the console was closed for good, a command line is empty or a
  // packer could not be started (those already started are ended, a job runs whole or not at all).
  //
  // With `next`, the runs work as a queue: when a packer ends on its own (not stopped), `next`
  // gets its pane and exit code and gives the pane the next command line with its number of
  // files, or nothing; the run ends when no pane has a packer left. Commands are numbered in the
  // order they start (those given first, then each one `next` gives), for packerOutput and
  // RunOutcome::runSignals. A command with a label has its pane headed by the label instead of
  // the count (`labels`, in the order of the command lines).
  struct NextCommand {
    QByteArray commandLine;
    int files = 0;
    QByteArray label;
  };
  using Feeder = std::function<std::optional<NextCommand>(int pane, int exitCode)>;
  bool Start(const QList<QByteArray>& commandLines, const QList<int>& fileCounts = {},
             Feeder next = {}, const QList<QByteArray>& labels = {});
  // The status line's text for how a run ended: stopped by the user, ended by a signal (named),
  // or the text of its exit code; the removed unfinished files are counted.
  QString StatusText(const RunOutcome& outcome) const;
  // Says that the packer could not be started.
  void ReportStartFailure();
  // How the last run ended.
  const RunOutcome& lastRun() const { return lastRun_; }
  // The user's stop of the runs going on (nothing when none is): an interrupt, then a terminate,
  // then a kill, to every packer's process group.
  void StopRun();

  bool isRunning() const;

  // The program's own console (null when there is none) and the window the packer writes to
  // now (the program's console, or a console of the run's own).
  ScreenModel* screen() const;
  ConsoleWindow* window() const { return window_; }
  ConsoleWindow* runWindow() const { return runWindow_; }
  qint64 packerPid() const;  // the first packer still running, -1 for none
  QList<qint64> packerPids() const;
  // The user closed the program's console window; the program is ending.
  bool closedByUser() const { return closedByUser_; }

 signals:
  // The user closed the program's console window: the program must end (the main window closes
  // and writes the settings).
  void consoleClosedByUser();
  // The program's console has appeared for the first time while the user has not turned off the
  // note about it: the note shows now, above it (modally; the run goes on).
  void firstConsoleOpening();
  // A run has started (the packer is running) or ended; a job's outcome is its worst run's.
  void runStarted();
  void runFinished(const RunOutcome& outcome);
  // What the packer of the command `index` (in the order they started) wrote, as it comes.
  void packerOutput(int index, const QByteArray& bytes);

 private:
  void allocConsole();
  void freeConsole();
  void drawHeaderBar(bool newConsole, int columns);
  void programConsoleClosed();
  struct Run;
  bool startRunners(Run& run);
  void connectRunner(Run& run, int pane, int command);
  bool startNext(Run& run, int pane);
  void showRunWindow(Run& run);
  void runnerFinished();
  void endRun();
  void terminateRun();
  RunOutcome collectOutcome(Run& run);

  ProgramState& state_;
  std::function<QList<QWidget*>()> windows_;
  bool open_ = false;
  bool closedByUser_ = false;
  bool freeAfterRun_ = false;
  QPointer<ConsoleWindow> window_;
  QPointer<ConsoleWindow> runWindow_;
  QList<PtyRunner*> runners_;
  std::unique_ptr<Run> run_;  // the run going on
  bool stopRequested_ = false;
  RunOutcome lastRun_;
};
