// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console of the program's own in which the packer runs: opening it with its header bar,
// releasing it, running the packer on a pseudo-terminal and reporting the outcome.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

struct ProgramState;
class ScreenModel;
#include "gui/console/ConsoleWindow.h"
class PtyRunner;
class QEventLoop;
class QWidget;

// How a run ended, as the status line tells it.
struct RunOutcome {
  int exitCode = 0;            // the exit code, or 128 + the signal that ended the packer
  int signal = 0;              // that signal; 0 when the packer exited on its own
  bool stoppedByUser = false;  // Stop, Escape, or closing a console or the main window
  QList<QByteArray> removed;   // the unfinished files removed after the run
  // The packer exited on its own and has dealt with its files itself.
  bool endedNormally() const { return signal == 0; }
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
  // The exit code, or nothing when the packer could not be started. Waits in a nested event
  // loop: the console keeps drawing, every other window is disabled meanwhile. While a run is
  // going on, a second call is refused (nothing).
  std::optional<int> RunPacker(const QByteArray& commandLine);
  // Several packers at once, one per command line, each in a pane of its own whose header names
  // the run and its number of files (fileCounts, in the same order). The job waits for all; its
  // exit code is the worst run's (RunGroups::WorstRun), and a stop stops every run. Nothing when
  // a packer could not be started (those already started are ended). One command line: RunPacker.
  std::optional<int> RunPackers(const QList<QByteArray>& commandLines,
                                const QList<int>& fileCounts);
  // Announces the outcome of a run by exitReported: stopped by the user, ended by a signal
  // (named), or the text of its exit code; the removed unfinished files are counted.
  void ReportExit(const RunOutcome& outcome);
  // The same for an exit code alone (a code above 128 is taken as a code, not as a signal).
  void ReportExit(int exitCode) { ReportExit(RunOutcome::Exited(exitCode)); }
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
  // The program's console is about to appear for the first time while the user has not turned
  // off the note about it: the note shows now (modally).
  void firstConsoleOpening();
  // A run has started (the packer is running) or ended.
  void runStarted();
  void runFinished(int exitCode);
  // The outcome of a job as the status line shows it.
  void exitReported(int exitCode, const QString& statusText);

 private:
  void allocConsole();
  void freeConsole();
  void drawHeaderBar(bool newConsole, int columns);
  void programConsoleClosed();
  std::optional<int> runAll(const QList<QByteArray>& commandLines, const QList<int>& fileCounts);

  ProgramState& state_;
  std::function<QList<QWidget*>()> windows_;
  bool open_ = false;
  bool closedByUser_ = false;
  bool freeAfterRun_ = false;
  QPointer<ConsoleWindow> window_;
  QPointer<ConsoleWindow> runWindow_;
  QList<PtyRunner*> runners_;
  QEventLoop* loop_ = nullptr;
  bool stopRequested_ = false;
  RunOutcome lastRun_;
};
