// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's jobs: packing, unpacking and the packer's information commands, each run in
// the console session. A job that starts reports its end once, by jobFinished; the window shows
// what it says.

#include <QObject>
#include <QString>
#include <optional>

#include "core/batch/RunGroups.h"
#include "core/packer/CommandLine.h"
#include "core/packer/FileResults.h"
#include "core/packer/MethodTrials.h"
#include "core/packer/PackOptions.h"
#include "gui/console/ConsoleSession.h"

struct ProgramState;
class ConsoleSession;

struct JobResult {
  bool packJob = false;  // pack or unpack, not an information command
  bool started = false;  // false: the packer could not be started (and the user was told)
  int exitCode = 0;
  bool stoppedByUser = false;
  QString statusText;          // what the status line says now; empty when nothing started
  bool sizesMeasured = false;  // the state's totals were measured anew for the size report
  // What happened to each file the job named (packing, unpacking, testing), in the selection's
  // order, the unreadable entries of its folder search last; empty for other jobs.
  QList<FileResults::Row> rows;
  FileResults::Job kind = FileResults::Job::Pack;
};

class JobRunner : public QObject {
  Q_OBJECT
 public:
  JobRunner(ProgramState& state, ConsoleSession& console, QObject* parent = nullptr);

  // A job is going on (from its start to its jobFinished).
  bool busy() const { return job_.has_value(); }
  // Packs (or unpacks) the selection with the options; an edited command line pending in the
  // state runs instead. False when a job is going on already: nothing happens then.
  bool startPack(bool pack, const PackOptions& o);
  // One of the packer's information commands; `withSizes`: the selection is measured around it.
  bool startInfo(CommandLine::InfoCommand which, bool withSizes);

  // What a replaced file's row and the status line say of the method that won.
  static QString VerdictText(const ProgramState& state, const MethodTrials::Verdict& v);

  // The console as the window's buttons reach it.
  void closeConsole();
  // A packer runs now (of a job, or of anyone's), the user's stop of it, and whether the user
  // closed the console (the program is ending).
  bool running() const;
  void stop();
  bool consoleClosedByUser() const;

 signals:
  void jobFinished(const JobResult& result);

 private:
  struct Job {
    bool pack = false;
    bool info = false;
    bool withSizes = false;
    bool trials = false;  // the method choice All
    PackOptions options;
    std::optional<FileResults::Job> kind;  // a job that reports on each file
    QList<QByteArray> files;
    QList<std::optional<quint64>> before;  // each file's size at the start
    // Names that are one file go to the packer once: the name each name's file goes by, and the
    // names the packer gets.
    QList<qsizetype> goesBy;
    QList<QByteArray> packed;
  };
  void beginRows(Job& job);
  void readRuns(const RunOutcome& ended);
  QList<FileResults::Row> finishRows(const Job& job, bool stopped);
  void endJob(const RunOutcome& outcome);
  bool startPackers(bool edited, const PackOptions& o, const QByteArray& command);
  bool startNextBatch();
  QByteArray commandFor(const QList<QByteArray>& files) const;
  std::optional<ConsoleSession::NextCommand> nextPortion(int run);
  // The method choice All: the trials of the job's files over as many runs as there are cores.
  bool startTrials(const PackOptions& o, int runs);
  void addStep(const MethodTrials::Step& step);
  std::optional<ConsoleSession::NextCommand> nextStep(int pane, int exitCode);
  RunOutcome endTrials(RunOutcome outcome);
  void runFinished(const RunOutcome& outcome);
  void notStarted();
  void measureAfter(const Job& job, const QList<FileResults::Row>& rows);

  ProgramState& state_;
  ConsoleSession& console_;
  std::optional<Job> job_;
  // A job of more files than one start of the packer takes: its batches still to run, each as
  // one run or several at once, and how the batches run so far ended.
  struct Batch {
    QList<QByteArray> commands;
    QList<QList<QByteArray>> groups;  // each command's files
    QList<int> fileCounts;
    bool counted = false;  // several runs at once sharing the queue, each with its count of files
  };
  QList<Batch> batches_;
  std::optional<RunGroups::Queue> queue_;  // the files still to go, with several runs at once
  std::optional<RunOutcome> soFar_;
  // The output of the batch's runs, read for each file, and the rows of the batches before.
  QList<FileResults::Transcript> transcripts_;
  QList<FileResults::Row> rows_;
  // The job's method trials (All), each command's step, and each pane's command now.
  std::optional<MethodTrials::Race> race_;
  QList<MethodTrials::Step> steps_;
  QList<int> stepInPane_;
};
