// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's jobs as the job engine runs them: what the window's selection, options and
// preferences ask for, and the console opened and released around them as the preferences say.
// A job that starts reports its end once, by jobFinished.

#include <QObject>

#include "core/jobs/JobEngine.h"

struct ProgramState;
class ConsoleSession;

class JobRunner : public QObject {
  Q_OBJECT
 public:
  JobRunner(ProgramState& state, JobEngine& engine, ConsoleSession& console,
            QObject* parent = nullptr);

  // A job is going on (from its start to its jobFinished).
  bool busy() const;
  // Packs (or unpacks) the selection with the options; an edited command line pending in the
  // state runs instead. False when a job is going on already: nothing happens then.
  bool startPack(bool pack, const PackOptions& o);
  // One of the packer's information commands; `withSizes`: the selection is measured around it.
  bool startInfo(CommandLine::InfoCommand which, bool withSizes);

  // The console as the window's buttons reach it, the user's stop, and whether the user closed
  // the console (the program is ending).
  void closeConsole();
  void stop();
  bool consoleClosedByUser() const;

 signals:
  void jobFinished(const JobReport& report);

 private:
  JobSpec specOf(JobSpec::Kind kind) const;
  void jobEnded(const JobReport& report);

  ProgramState& state_;
  JobEngine& engine_;
  ConsoleSession& console_;
};
