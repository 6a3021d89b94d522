// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/JobRunner.h"

#include <unistd.h>

#include <QFile>
#include <QThread>

#include "core/batch/RunGroups.h"
#include "core/console/PtyRunner.h"
#include "core/packer/FileSizes.h"
#include "core/settings/ProgramCommands.h"
#include "core/settings/ProgramState.h"
#include "gui/console/ConsoleSession.h"

JobRunner::JobRunner(ProgramState& state, ConsoleSession& console, QObject* parent)
    : QObject(parent), state_(state), console_(console) {
  connect(&console_, &ConsoleSession::runFinished, this, &JobRunner::runFinished);
  connect(&console_, &ConsoleSession::packerOutput, this, [this](int run, const QByteArray& out) {
    if (job_ && run < transcripts_.size()) transcripts_[run].feed(out);
  });
}

namespace {

// Each file once: a name that is another name's file adds nothing.
quint64 total(const QList<std::optional<quint64>>& sizes, const QList<qsizetype>& goesBy) {
  quint64 sum = 0;
  for (qsizetype i = 0; i < sizes.size(); ++i)
    if (goesBy.value(i, i) == i) sum += sizes[i].value_or(0);
  return sum;
}

// A trial's pane: its method's switch (a test's) and the file's last name part.
QByteArray labelOf(const MethodTrials::Step& step, const QByteArray& file) {
  const QByteArray what = step.kind == MethodTrials::Step::Kind::Test
                              ? QByteArray("-t")
                              : QByteArray(Methods::InfoOf(step.method).piece).trimmed();
  return what + ": " + file.mid(file.lastIndexOf('/') + 1);
}

}  // namespace

QString JobRunner::VerdictText(const ProgramState& state, const MethodTrials::Verdict& v) {
  const QString winner = QString::fromLatin1(Methods::InfoOf(v.winner).name);
  if (!v.runnerUp) return state.langText(LangText::MethodAlone, winner, QString::number(v.size));
  const QString other = QString::fromLatin1(Methods::InfoOf(*v.runnerUp).name);
  // The packer weighs its loader too: its choice may make a larger file than another method.
  if (v.runnerUpSize < v.size)
    return state.langText(LangText::MethodChosen)
        .arg(winner, QString::number(v.size), other, QString::number(v.runnerUpSize));
  const double saved = 100.0 * double(v.runnerUpSize - v.size) / double(v.runnerUpSize);
  return state.langText(LangText::MethodWon)
      .arg(winner, QString::number(v.size), QString::number(saved, 'f', 1), other);
}

// Measures every file before the job; the job's total is their sum.
void JobRunner::beginRows(Job& job) {
  rows_.clear();
  transcripts_.clear();
  job.files = state_.FileList;
  job.before.clear();
  job.before.reserve(job.files.size());
  for (const QByteArray& f : std::as_const(job.files)) job.before.append(FileSizes::SizeOf(f));
  job.goesBy = FileSizes::Representatives(job.files);
  job.packed.clear();
  for (qsizetype i = 0; i < job.files.size(); ++i)
    if (job.goesBy[i] == i) job.packed.append(job.files[i]);
}

bool JobRunner::startPack(bool pack, const PackOptions& o) {
  if (busy()) return false;
  ProgramState& s = state_;
  job_ = Job{};
  job_->pack = pack;
  job_->withSizes = true;
  job_->options = o;
  job_->kind = pack ? FileResults::Job::Pack : FileResults::Job::Unpack;
  QByteArray& pending = pack ? s.PendingPackCommand : s.PendingUnpackCommand;
  beginRows(*job_);
  (pack ? s.UncompressedTotal : s.CompressedTotal) = total(job_->before, job_->goesBy);

  const bool edited = !pending.isEmpty();
  const QByteArray command = edited ? pending : commandFor(job_->packed);
  console_.OpenConsole(false);

  // An output name that differs in spelling only ("dir/./a", a linked folder, another letter case
  // on a case-blind file system) leads to the input itself: deleting it would lose the input, so
  // the packer meets the existing file instead and refuses.
  if (!edited && s.FileList.size() == 1 && o.OutFileBox && o.ReplaceIfExistsCheckBox &&
      CommandLine::UsesOutputFile(o) && ::access(o.EditOutFile.constData(), F_OK) == 0 &&
      !FileSizes::SameFile(o.EditOutFile, s.FileList.first()))
    ::unlink(o.EditOutFile.constData());  // by its bytes: a name that is not UTF-8 included
  pending.clear();

  if (!startPackers(edited, o, command)) notStarted();
  return true;
}

bool JobRunner::startPackers(bool edited, const PackOptions& o, const QByteArray& command) {
  const ProgramState& s = state_;
  // The preference is held within the cores where it enters (settings file, Options dialog); a
  // bound here only keeps a wild value from opening hundreds of panes.
  const int runs = int(qMin<quint32>(s.opt.GlobalOpt_PackerRuns, 64));
  batches_.clear();
  // All splits each file's trials over the cores; with one core the packer's own --brute is as
  // quick.
  const int cores = qBound(1, QThread::idealThreadCount(), 64);
  if (!edited && CommandLine::ChosenMethod(o) == Methods::Method::All &&
      s.packer().offers(Methods::Method::All) && cores > 1)
    return startTrials(o, cores);
  // An edited line is run as written, and one output name cannot take the results of several
  // packers: those run as one packer.
  // (An edited line names what it names: its files are the selection's, each read from its
  // output.)
  if (edited) {
    job_->goesBy.clear();
    job_->packed = s.FileList;
  }
  const QList<QByteArray>& files = job_->packed;
  if (edited || CommandLine::UsesOutputFile(o)) {
    batches_.append(Batch{{command}, {files}, {}, false});
    return startNextBatch();
  }
  const qsizetype fixed = commandFor({}).size() + 64 * qsizetype(sizeof(char*));
  // Several files and several runs: the runs share them as a queue.
  if (runs > 1 && files.size() > 1) {
    queue_.emplace(files, runs, fixed, RunGroups::ArgumentRoom());
    Batch batch{{}, {}, {}, true};
    for (int run = 0; run < runs; ++run) {
      const QList<QByteArray> portion = queue_->take(run);
      if (portion.isEmpty()) break;
      batch.commands.append(commandFor(portion));
      batch.fileCounts.append(int(portion.size()));
      batch.groups.append(portion);
    }
    batches_.append(batch);
    return startNextBatch();
  }
  // More names than one start of the packer takes run as batches in turn.
  const QList<QList<QByteArray>> chunks =
      RunGroups::SplitForArgumentLimit(files, fixed, RunGroups::ArgumentRoom());
  for (const QList<QByteArray>& chunk : chunks)
    batches_.append(Batch{{chunks.size() == 1 ? command : commandFor(chunk)}, {chunk}, {}, false});
  return startNextBatch();
}

// The command line of a job's files as the window's options build it.
QByteArray JobRunner::commandFor(const QList<QByteArray>& files) const {
  const ProgramState& s = state_;
  const PackOptions& o = job_->options;
  return job_->pack ? CommandLine::GetCmdPack(o, files, s.packerForCommand(), s.packer())
                    : CommandLine::GetCmdUnPack(o, files, s.packerForCommand());
}

// A run of the queue that has ended takes the next portion.
std::optional<ConsoleSession::NextCommand> JobRunner::nextPortion(int run) {
  const QList<QByteArray> portion = queue_->take(run);
  if (portion.isEmpty()) return std::nullopt;
  if (job_->kind) transcripts_.append(FileResults::Transcript(*job_->kind, portion));
  return ConsoleSession::NextCommand{commandFor(portion), int(portion.size()), {}};
}

bool JobRunner::startTrials(const PackOptions& o, int runs) {
  const ProgramState& s = state_;
  race_.emplace(MethodTrials::Setup{o, s.packerForCommand(), s.packer()}, job_->packed);
  job_->trials = true;
  steps_.clear();
  stepInPane_.clear();
  transcripts_.clear();
  QList<QByteArray> commands, labels;
  while (commands.size() < runs) {
    const std::optional<MethodTrials::Step> step = race_->next();
    if (!step) break;
    stepInPane_.append(int(steps_.size()));
    commands.append(step->commandLine);
    addStep(*step);
    labels.append(labelOf(*step, job_->packed[step->file]));
  }
  if (commands.isEmpty()) {  // every file was refused before any run
    QMetaObject::invokeMethod(
        this, [this] { endJob(endTrials(RunOutcome::Exited(2))); }, Qt::QueuedConnection);
    return true;
  }
  return console_.Start(
      commands, QList<int>(commands.size(), 0),
      [this](int pane, int code) { return nextStep(pane, code); }, labels);
}

void JobRunner::addStep(const MethodTrials::Step& step) {
  const bool test = step.kind == MethodTrials::Step::Kind::Test;
  const QByteArray& file = job_->packed[step.file];
  steps_.append(step);
  transcripts_.append(test ? FileResults::Transcript(FileResults::Job::Test, {step.output})
                           : FileResults::Transcript(FileResults::Job::Pack, {file}, step.output));
}

// A pane's step ended on its own: the race learns how, and the pane takes what is ready.
std::optional<ConsoleSession::NextCommand> JobRunner::nextStep(int pane, int exitCode) {
  const int ended = stepInPane_[pane];
  FileResults::Transcript& t = transcripts_[ended];
  t.finish();
  race_->ended(steps_[ended], exitCode, t.rows(FileResults::RunEnd::Normal, {}).value(0));
  const std::optional<MethodTrials::Step> step = race_->next();
  if (!step) return std::nullopt;
  stepInPane_[pane] = int(steps_.size());
  addStep(*step);
  return ConsoleSession::NextCommand{step->commandLine, 0,
                                     labelOf(*step, job_->packed[step->file])};
}

// The files' rows, each replaced file's telling which method won; the job failed when a file did
// not come through, whatever became of single trials.
RunOutcome JobRunner::endTrials(RunOutcome outcome) {
  rows_ = race_->finish(outcome.stoppedByUser);
  bool all = true;
  for (qsizetype i = 0; i < rows_.size(); ++i) {
    FileResults::Row& row = rows_[i];
    all = all && FileResults::IsSuccess(row.outcome);
    if (const std::optional<MethodTrials::Verdict> v = race_->verdict(i))
      row.message = VerdictText(state_, *v).toUtf8();
  }
  if (!outcome.stoppedByUser && outcome.endedNormally()) outcome.exitCode = all ? 0 : 2;
  race_.reset();
  transcripts_.clear();
  return outcome;
}

bool JobRunner::startNextBatch() {
  const Batch batch = batches_.first();
  transcripts_.clear();
  const bool started = batch.counted
                           ? console_.Start(batch.commands, batch.fileCounts,
                                            [this](int run, int) { return nextPortion(run); })
                           : console_.Start(batch.commands);
  if (!started) return false;
  batches_.removeFirst();
  // Its output comes from the event loop, after this.
  if (job_->kind) {
    // A run with its own output file names that in its table.
    const PackOptions& o = job_->options;
    const QByteArray output = CommandLine::UsesOutputFile(o) ? o.EditOutFile : QByteArray();
    for (const QList<QByteArray>& group : batch.groups)
      transcripts_.append(FileResults::Transcript(*job_->kind, group, output));
  }
  return true;
}

bool JobRunner::startInfo(CommandLine::InfoCommand which, bool withSizes) {
  if (busy()) return false;
  ProgramState& s = state_;
  job_ = Job{};
  job_->info = true;
  job_->withSizes = withSizes;
  if (which == CommandLine::InfoCommand::Test) job_->kind = FileResults::Job::Test;
  // Only a job that reports on each file measures each one.
  if (job_->kind) beginRows(*job_);
  if (withSizes)
    s.CompressedTotal = job_->kind ? total(job_->before, job_->goesBy) : FileSizes::Sum(s.FileList);
  // A test names each file once; the other commands take the selection as it is.
  const QList<QByteArray> files = job_->kind ? job_->packed : s.FileList;
  const QByteArray command = CommandLine::GetCmdInfo(which, files, s.UpxShortLocation);
  console_.OpenConsole(true);
  batches_ = {Batch{{command}, {files}, {}, false}};
  if (!startNextBatch()) notStarted();
  return true;
}

void JobRunner::notStarted() {
  console_.ReportStartFailure();
  JobResult result;
  result.packJob = !job_->info;
  job_.reset();
  batches_.clear();
  race_.reset();
  emit jobFinished(result);
}

void JobRunner::measureAfter(const Job& job, const QList<FileResults::Row>& rows) {
  ProgramState& s = state_;
  const PackOptions& o = job.options;
  quint64& after =
      job.info ? s.UncompressedTotal : (job.pack ? s.CompressedTotal : s.UncompressedTotal);
  if (!rows.isEmpty()) {  // measured for them already, each file once
    after = 0;
    for (qsizetype i = 0; i < rows.size(); ++i)
      if (job.goesBy.value(i, i) == i) after += rows[i].sizeAfter.value_or(0);
    return;
  }
  // A separate output is measured by its name; in place the input is measured by its own
  // bytes, which the edit's text does not give back for a name that is not valid UTF-8.
  if (!job.info && s.FileList.size() == 1 && o.OutFileBox && CommandLine::UsesOutputFile(o))
    after = FileSizes::Sum({o.EditOutFile});
  else
    after = FileSizes::Sum(s.FileList);
}

// The rows of the batch's runs: a run that a signal ended reports the files it never reached as
// stopped (the user's stop) or failed.
void JobRunner::readRuns(const RunOutcome& ended) {
  for (qsizetype i = 0; i < transcripts_.size(); ++i) {
    FileResults::Transcript& t = transcripts_[i];
    t.finish();
    const int signal = ended.runSignals.value(i, ended.signal);
    // A packer that a stop reached may have exited by a handler of its own, its files unfinished.
    const bool interrupted = ended.runsInterrupted.value(i, ended.interrupted);
    using FileResults::RunEnd;
    const RunEnd end = signal == 0 && !interrupted ? RunEnd::Normal
                       : ended.stoppedByUser       ? RunEnd::Stopped
                                                   : RunEnd::Died;
    // (A negative signal: the packer of a later portion could not be started.)
    rows_ += t.rows(end, signal < 0 ? QByteArray("not started")
                                    : QByteArray("signal ") + PtyRunner::SignalName(signal));
  }
  transcripts_.clear();
}

QList<FileResults::Row> JobRunner::finishRows(const Job& job, bool stopped) {
  using FileResults::Outcome;
  // The batches that never ran: after a stop, or from one that could not be started on.
  const FileResults::Row notRun{{},
                                {},
                                {},
                                stopped ? Outcome::Stopped : Outcome::Failed,
                                stopped ? QByteArray() : QByteArray("not started")};
  QList<QByteArray> left = queue_ ? queue_->rest() : QList<QByteArray>();
  queue_.reset();
  for (const Batch& batch : std::as_const(batches_))
    for (const QList<QByteArray>& group : batch.groups) left += group;
  for (const QByteArray& f : std::as_const(left)) {
    rows_.append(notRun);
    rows_.last().file = f;
  }
  // Several runs took the files in groups: the rows go back into the selection's order, one for
  // each name; a name of a file named before tells the first name's outcome.
  QHash<QByteArray, qsizetype> read;
  read.reserve(rows_.size());
  for (qsizetype i = rows_.size() - 1; i >= 0; --i) read.insert(rows_[i].file, i);
  const PackOptions& o = job.options;
  const bool output = !job.info && job.files.size() == 1 && CommandLine::UsesOutputFile(o);
  QList<FileResults::Row> rows;
  rows.reserve(job.files.size() + state_.UnreadableEntries.size());
  for (qsizetype i = 0; i < job.files.size(); ++i) {
    const qsizetype first = job.goesBy.value(i, i);
    const QByteArray& name = job.files[first];
    const auto at = read.constFind(name);
    FileResults::Row r = at != read.cend() ? rows_[*at] : notRun;
    // (An output file that was not this job's says nothing of it.)
    r.sizeAfter =
        FileSizes::SizeOf(output && FileResults::IsSuccess(r.outcome) ? o.EditOutFile : name);
    r.file = job.files[i];
    r.sizeBefore = job.before.value(i);
    if (first != i)
      r.message = state_.langText(LangText::SameFileAs, QFile::decodeName(name)).toUtf8();
    rows.append(r);
  }
  rows_.clear();
  for (const ExecutableScan::Unreadable& entry : std::as_const(state_.UnreadableEntries))
    rows.append({entry.path, {}, {}, Outcome::Unreadable, entry.why});
  return rows;
}

void JobRunner::runFinished(const RunOutcome& ended) {
  if (!job_) return;  // a run of someone else's
  if (race_) return endJob(endTrials(ended));
  readRuns(ended);
  // The batches so far stand for the job as their worst run does, with every removed file.
  RunOutcome outcome = ended;
  if (soFar_) {
    outcome = RunGroups::WorstRun({soFar_->exitCode, ended.exitCode}) == 0 ? *soFar_ : ended;
    outcome.removed = soFar_->removed + ended.removed;
    outcome.stoppedByUser = ended.stoppedByUser;
    outcome.interrupted = ended.interrupted;
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
          RunOutcome failed = *std::exchange(soFar_, std::nullopt);
          failed.exitCode = qMax(failed.exitCode, 1);
          endJob(failed);
        },
        Qt::QueuedConnection);
    return;
  }
  endJob(outcome);
}

void JobRunner::endJob(const RunOutcome& outcome) {
  const Job job = *job_;
  JobResult result;
  if (job.kind) {
    result.kind = *job.kind;
    result.rows = finishRows(job, outcome.stoppedByUser);
  }
  batches_.clear();
  job_.reset();
  if (!job.info) {
    const CloseCon closeCon = state_.opt.closeCon();
    if (closeCon == CloseCon::AfterEveryRun) console_.CloseConsole();
    if (outcome.exitCode == 0 && closeCon == CloseCon::AfterSuccess) console_.CloseConsole();
  }
  result.packJob = !job.info;
  result.started = true;
  result.exitCode = outcome.exitCode;
  result.stoppedByUser = outcome.stoppedByUser;
  result.statusText = console_.StatusText(outcome);
  if (!outcome.stoppedByUser && outcome.endedNormally()) {
    const auto ok = std::count_if(result.rows.begin(), result.rows.end(),
                                  [](const auto& r) { return FileResults::IsSuccess(r.outcome); });
    static constexpr LangText summary[] = {LangText::ResultsPacked, LangText::ResultsUnpacked,
                                           LangText::ResultsTested};
    const auto all = result.rows.size();
    // A test of a file the packer never packed is no failed test: said apart.
    const auto notPacked =
        result.kind != FileResults::Job::Test
            ? 0
            : std::count_if(result.rows.begin(), result.rows.end(), [](const auto& r) {
                return r.outcome == FileResults::Outcome::NotPacked;
              });
    const LangText text = notPacked == 0          ? summary[int(result.kind)]
                          : notPacked == all - ok ? LangText::ResultsTestedNotPacked
                                                  : LangText::ResultsTestedBoth;
    const auto third = notPacked == 0 ? all - ok : notPacked;
    // The figures hold digits only, so the marks filled afterwards cannot meet one of them.
    if (ok < all)
      result.statusText = state_.langText(text, QString::number(ok), QString::number(all))
                              .replace(QLatin1String("%3"), QString::number(third))
                              .replace(QLatin1String("%4"), QString::number(all - ok - notPacked));
  }
  // One file's trials: which method won is the news.
  if (job.trials && result.rows.size() == 1 && result.exitCode == 0)
    result.statusText = QString::fromUtf8(result.rows.first().message);
  if (job.withSizes) measureAfter(job, result.rows);
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
