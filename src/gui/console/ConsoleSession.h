// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console of the program's own in which the packer runs: opening it with its header bar,
// releasing it, and showing the job engine's packers in it (one on its screen, several each in a
// pane), with Stop and the keys going back to them. While a job runs, the other windows take no
// input.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

#include "gui/console/ConsoleWindow.h"

struct ProgramState;
class JobEngine;
class ScreenModel;
class QWidget;

class ConsoleSession : public QObject {
  Q_OBJECT
 public:
  // `windows` lists the program's windows, which are disabled while the packer runs.
  ConsoleSession(ProgramState& state, JobEngine& engine, std::function<QList<QWidget*>()> windows,
                 QObject* parent = nullptr);
  ~ConsoleSession() override;

  static constexpr const char* ConsoleTitle = "UPX + Packhelm";

  void openConsole(bool forced);
  void closeConsole();
  // Says that the packer could not be started.
  void reportStartFailure();
  // The user's stop of the job going on (nothing when none is).
  void stopRun();
  bool isRunning() const;

  // The program's own console (null when there is none) and the window the packer writes to
  // now (the program's console, or a console of the job's own).
  ScreenModel* screen() const;
  ConsoleWindow* window() const { return window_; }
  ConsoleWindow* runWindow() const { return runWindow_; }
  // The user closed the program's console window; the program is ending.
  bool closedByUser() const { return closedByUser_; }

 signals:
  // The user closed the program's console window: the program must end (the main window closes
  // and writes the settings).
  void consoleClosedByUser();
  // The program's console has appeared for the first time while the user has not turned off the
  // note about it: the note shows now, above it (the run goes on).
  void firstConsoleOpening();

 private:
  void allocConsole();
  void freeConsole();
  void drawHeaderBar(bool newConsole, int columns);
  void programConsoleClosed();
  void batchStarted(int panes);
  void runStarted(int pane, const QList<QByteArray>& args, int files, const QByteArray& label,
                  const QStringList& notes);
  void output(int pane, const QByteArray& bytes);
  void runEnded(int pane);
  void batchEnded();
  void removed(int pane, const QByteArray& path);
  void jobEnded();

  ProgramState& state_;
  JobEngine& engine_;
  std::function<QList<QWidget*>()> windows_;
  bool open_ = false;
  bool closedByUser_ = false;
  bool freeAfterRun_ = false;
  QPointer<ConsoleWindow> window_;
  QPointer<ConsoleWindow> runWindow_;
  struct Run;
  std::unique_ptr<Run> run_;  // the job going on
};
