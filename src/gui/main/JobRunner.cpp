// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/JobRunner.h"

#include <unistd.h>

#include "core/batch/RunGroups.h"
#include "core/packer/FileSizes.h"
#include "core/settings/ProgramCommands.h"
#include "core/settings/ProgramState.h"
#include "gui/console/ConsoleSession.h"

JobRunner::JobRunner(ProgramState& state, ConsoleSession& console, QObject* parent)
    : QObject(parent), state_(state), console_(console) {
  connect(&console_, &ConsoleSession::runFinished, this, &JobRunner::runFinished);
}

bool JobRunner::startPack(bool pack, const PackOptions& o) {
  if (busy()) return false;
  ProgramState& s = state_;
  job_ = Job{pack, false, true, o};
  QByteArray& pending = pack ? s.PendingPackCommand : s.PendingUnpackCommand;
  (pack ? s.UncompressedTotal : s.CompressedTotal) = FileSizes::Sum(s.FileList);

  const bool edited = !pending.isEmpty();
  const QByteArray command =
      edited ? pending : (pack ? CommandLine::GetCmdPack(o, s) : CommandLine::GetCmdUnPack(o, s));
  console_.OpenConsole(false);

  // An output name that differs in spelling only ("dir/./a", a linked folder, another letter case
  // on a case-blind file system) leads to the input itself: deleting it would lose the input, so
  // the packer meets the existing file instead and refuses.
  if (!edited && s.FileList.size() == 1 && o.OutFileBox && o.ReplaceIfExistsCheckBox &&
      CommandLine::UsesOutputFile(o) && ::access(o.EditOutFile.constData(), F_OK) == 0 &&
      !FileSizes::SameFile(o.EditOutFile, s.FileList.first()))
    ::unlink(o.EditOutFile.constData());  // by its bytes: a name that is not UTF-8 included
  pending.clear();

  if (!startPackers(pack, edited, o, command)) notStarted();
  return true;
}

bool JobRunner::startPackers(bool pack, bool edited, const PackOptions& o,
                             const QByteArray& command) {
  const ProgramState& s = state_;
  // The preference is held within the cores where it enters (settings file, Options dialog); a
  // bound here only keeps a wild value from opening hundreds of panes.
  const int runs = int(qMin<quint32>(s.opt.GlobalOpt_PackerRuns, 64));
  // An edited line is run as written, and one output name cannot take the results of several
  // packers: those run as one packer.
  if (edited || CommandLine::UsesOutputFile(o)) return console_.Start({command});
  const auto commandFor = [&](const QList<QByteArray>& files) {
    return pack ? CommandLine::GetCmdPack(o, files, s.packerForCommand(), s.packer())
                : CommandLine::GetCmdUnPack(o, files, s.packerForCommand());
  };
  // More names than one start of the packer takes run as batches in turn.
  const QList<QList<QByteArray>> chunks = RunGroups::SplitForArgumentLimit(
      s.FileList, commandFor({}).size() + 64 * qsizetype(sizeof(char*)), RunGroups::ArgumentRoom());
  batches_.clear();
  for (const QList<QByteArray>& chunk : chunks) {
    Batch batch;
    // A single file, or one packer at a time: one run (as one command line, without counts).
    batch.counted = runs > 1 && chunk.size() > 1;
    for (const QList<QByteArray>& group :
         batch.counted ? RunGroups::SplitFiles(chunk, runs) : QList<QList<QByteArray>>{chunk}) {
      batch.commands.append(chunks.size() == 1 && !batch.counted ? command : commandFor(group));
      batch.fileCounts.append(int(group.size()));
    }
    batches_.append(batch);
  }
  return startNextBatch();
}

bool JobRunner::startNextBatch() {
  const Batch batch = batches_.takeFirst();
  return batch.counted ? console_.Start(batch.commands, batch.fileCounts)
                       : console_.Start(batch.commands);
}

bool JobRunner::startInfo(CommandLine::InfoCommand which, bool withSizes) {
  if (busy()) return false;
  ProgramState& s = state_;
  job_ = Job{false, true, withSizes, {}};
  if (withSizes) s.CompressedTotal = FileSizes::Sum(s.FileList);
  const QByteArray command = CommandLine::GetCmdInfo(which, s);
  console_.OpenConsole(true);
  if (!console_.Start({command})) notStarted();
  return true;
}

void JobRunner::notStarted() {
  console_.ReportStartFailure();
  JobResult result;
  result.packJob = !job_->info;
  job_.reset();
  emit jobFinished(result);
}

void JobRunner::measureAfter(const Job& job) {
  ProgramState& s = state_;
  const PackOptions& o = job.options;
  quint64& after =
      job.info ? s.UncompressedTotal : (job.pack ? s.CompressedTotal : s.UncompressedTotal);
  // A separate output is measured by its name; in place the input is measured by its own
  // bytes, which the edit's text does not give back for a name that is not valid UTF-8.
  if (!job.info && s.FileList.size() == 1 && o.OutFileBox && CommandLine::UsesOutputFile(o))
    after = FileSizes::Sum({o.EditOutFile});
  else
    after = FileSizes::Sum(s.FileList);
}

void JobRunner::runFinished(const RunOutcome& ended) {
  if (!job_) return;  // a run of someone else's
  // The batches so far stand for the job as their worst run does, with every removed file.
  RunOutcome outcome = ended;
  if (soFar_) {
    outcome = RunGroups::WorstRun({soFar_->exitCode, ended.exitCode}) == 0 ? *soFar_ : ended;
    outcome.removed = soFar_->removed + ended.removed;
    outcome.stoppedByUser = ended.stoppedByUser;
  }
  soFar_.reset();
  // The next batch, unless the user stopped or a packer did not end on its own; it starts from
  // the event loop, once the console is done with this one.
  if (!batches_.isEmpty() && !ended.stoppedByUser && ended.endedNormally()) {
    soFar_ = outcome;
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (startNextBatch()) return;
          console_.ReportStartFailure();
          batches_.clear();
          runFinished(RunOutcome::Exited(1));
        },
        Qt::QueuedConnection);
    return;
  }
  batches_.clear();
  const Job job = *job_;
  job_.reset();
  if (!job.info) {
    const CloseCon closeCon = state_.opt.closeCon();
    if (closeCon == CloseCon::AfterEveryRun) console_.CloseConsole();
    if (outcome.exitCode == 0 && closeCon == CloseCon::AfterSuccess) console_.CloseConsole();
  }
  JobResult result;
  result.packJob = !job.info;
  result.started = true;
  result.exitCode = outcome.exitCode;
  result.statusText = console_.StatusText(outcome);
  if (job.withSizes) measureAfter(job);
  result.sizesMeasured = job.withSizes;
  emit jobFinished(result);
}

void JobRunner::closeConsole() {
  console_.CloseConsole();
}

bool JobRunner::running() const {
  return console_.isRunning();
}

void JobRunner::stop() {
  console_.StopRun();
}

bool JobRunner::consoleClosedByUser() const {
  return console_.closedByUser();
}
