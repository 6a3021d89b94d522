// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A job of the packer's from what the user asked to what became of every file: the command lines
// within the argument room, several packers at once sharing the files as a queue, the method
// trials of "All", each packer's output read for its files, the unfinished files of a stopped run
// removed, and the report. The window and packhelm-cli are its faces: they show the runs' output
// and read the report; no face drives a packer itself.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

#include "core/batch/ExecutableScan.h"
#include "core/packer/CommandLine.h"
#include "core/packer/FileResults.h"
#include "core/packer/MethodTrials.h"
#include "core/packer/PackOptions.h"
#include "core/packer/PackerVersion.h"
#include "core/util/Texts.h"

struct JobSpec {
  enum class Kind { Pack, Unpack, Info };
  Kind kind = Kind::Pack;
  CommandLine::InfoCommand info = CommandLine::InfoCommand::Version;  // for Kind::Info
  QList<QByteArray> files;
  // What the folder search behind the files could not read: reported as rows of their own.
  QList<ExecutableScan::Unreadable> unreadable;
  PackOptions options;
  // A command line edited by hand: run as written, by one packer, instead of the options' line.
  QByteArray commandLine;
  QByteArray packer;  // as written at the start of a command line
  PackerCapabilities capabilities;
  int runs = 1;   // packers at once for a job of several files
  int cores = 1;  // All's trials are spread over these
  int niceValue = 0;
  bool withSizes = false;  // the job's files measured before and after (an information command's)
  Texts texts;
};

// How the packers of a job ended.
struct RunOutcome {
  int exitCode = 0;            // the exit code, or 128 + the signal that ended the packer
  int signal = 0;              // that signal; 0 when the packer exited on its own
  bool stoppedByUser = false;  // stop() or terminate()
  // A stop reached a packer while it ran: whatever its exit code, it may have exited by a
  // handler of its own in the middle of its work.
  bool interrupted = false;
  QList<QByteArray> removed;  // the unfinished files removed after the runs
  // Each packer's ending signal (0: exited; -1: it could not be started), in command order.
  QList<int> runSignals;
  QList<bool> runsInterrupted;  // and whether a stop reached it, in the same order
  bool endedNormally() const { return signal == 0 && !interrupted; }
  static RunOutcome exited(int code) {
    RunOutcome o;
    o.exitCode = code;
    return o;
  }
};

struct JobReport {
  JobSpec::Kind kind = JobSpec::Kind::Pack;
  bool started = false;      // false: the packer could not be started, nothing was done
  bool startFailed = false;  // a packer could not be started (the first: nothing was done)
  RunOutcome outcome;
  QString statusText;  // the outcome in a line
  // What happened to each name the job was given (packing, unpacking, testing), in their order,
  // the unreadable entries of the folder search last; empty for the other information commands.
  QList<FileResults::Row> rows;
  FileResults::Job rowsKind = FileResults::Job::Pack;
  bool trials = false;  // the method choice All
  // The job's files measured before and after (each file once), when it measures them.
  bool sizesMeasured = false;
  quint64 totalBefore = 0;
  quint64 totalAfter = 0;
  bool everyFileCameThrough() const;
};

class JobEngine : public QObject {
  Q_OBJECT
 public:
  // The terminal each packer gets.
  static constexpr int TerminalColumns = 80;
  static constexpr int TerminalRows = 300;

  explicit JobEngine(QObject* parent = nullptr);
  ~JobEngine() override;  // packers still running are ended; nothing is reported

  // Starts the job; its end comes by finished, once, from the event loop (also when no packer
  // could be started). False when a job is going on: nothing happens then.
  bool start(const JobSpec& spec);
  bool busy() const;
  // The user's stop: an interrupt, then a terminate, then a kill to every packer; no packer
  // starts after it. The job then ends as usual, its unfinished files removed.
  void stop();
  // Every packer ends now (the program is ending); the job ends as after a stop.
  void terminate();
  // Keys for the packer of a pane.
  void write(int pane, const QByteArray& bytes);

  // What a replaced file's row says of the method that won.
  static QString verdictText(const Texts& texts, const MethodTrials::Verdict& v);
  // The status line's text for how the packers ended.
  static QString statusText(const Texts& texts, const RunOutcome& outcome);

 signals:
  // Packers start together: `panes` of them side by side, or one on the face's own screen (0).
  void batchStarted(int panes);
  // A packer started in a pane with its arguments; its pane is headed by its number of files, or
  // by the label (a trial's). `notes` are the texts to say before its output.
  void runStarted(int pane, const QList<QByteArray>& args, int files, const QByteArray& label,
                  const QStringList& notes);
  void output(int pane, const QByteArray& bytes);
  void runEnded(int pane);
  // A file's row as soon as it stands (its sizes are measured at the job's end; a trial's file
  // is told with the report).
  void fileEnded(const FileResults::Row& row);
  // The packers started together have all ended; then each unfinished file removed is told.
  void batchEnded();
  void removed(int pane, const QByteArray& path);
  void finished(const JobReport& report);

 private:
  struct Job;
  struct Command;
  struct Batch;
  struct Round;
  // How a round's pane goes on when its packer ends on its own.
  enum class Feed { None, Queue, Trials };
  void planPackers();
  QByteArray commandFor(const QList<QByteArray>& files) const;
  Command trialCommand(const MethodTrials::Step& step) const;
  bool startTrials();
  bool startBatch();
  bool startRound(QList<Command> commands, Feed feed);
  void attach(int pane, int command);
  void tellDecided(int command, bool ended);
  void packerEnded(int pane);
  std::optional<Command> nextFor(int pane, int exitCode);
  RunOutcome collect();
  void readRound(const RunOutcome& ended);
  void endRound();
  void endTrials(RunOutcome outcome);
  QList<FileResults::Row> finishRows(bool stopped);
  quint64 measureAfter(const QList<FileResults::Row>& rows) const;
  void endJob(RunOutcome outcome);
  void fail();

  std::unique_ptr<Job> job_;
  std::unique_ptr<Round> round_;
};
