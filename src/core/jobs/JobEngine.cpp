// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/jobs/JobEngine.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QStringList>
#include <algorithm>
#include <csignal>

#include "core/batch/RunGroups.h"
#include "core/console/PtyRunner.h"
#include "core/packer/FileSizes.h"
#include "core/packer/RunLeftovers.h"

bool JobReport::everyFileCameThrough() const {
  return std::all_of(rows.begin(), rows.end(),
                     [](const FileResults::Row& r) { return FileResults::IsSuccess(r.outcome); });
}

// One packer's command: its arguments, and what reads its output for its files.
struct JobEngine::Command {
  QList<QByteArray> args;
  int files = 0;  // counted in its pane's header (a queue's portion)
  QByteArray label;
  std::optional<FileResults::Transcript> transcript;
  std::optional<MethodTrials::Step> step;  // a trial's
  qsizetype told = 0;                      // its files whose rows were told
};

// Command lines planned to start together.
struct JobEngine::Batch {
  QList<QByteArray> commands;
  QList<QList<QByteArray>> groups;  // each command's files
  bool queue = false;               // its packers take the job's queue's portions as they end
};

// The packers started together, from their start to the end of the last: each command in the
// order they started, with its pane and what was beside its files before.
struct JobEngine::Round {
  Feed feed = Feed::None;
  QList<Command> commands;
  QList<RunLeftovers> leftovers;
  QList<int> paneOf;             // by command
  QList<int> commandIn;          // by pane: its command now
  QList<PtyRunner*> runners;     // by pane: its packer now
  QHash<int, RunOutcome> ended;  // commands whose packer made way for the next, or never ran
  qsizetype running = 0;         // panes whose packer has not ended
};

struct JobEngine::Job {
  JobSpec spec;
  std::optional<FileResults::Job> rowsKind;  // a job that reports on each file
  bool trials = false;
  bool measures = false;
  quint64 totalBefore = 0;
  QList<std::optional<quint64>> before;  // each name's size at the start
  // Names that are one file go to the packer once: the name each name's file goes by, and the
  // names the packer gets.
  QList<qsizetype> goesBy;
  QList<QByteArray> packed;
  QByteArray output;  // the one output file of the job's packer (-o), named in its table
  QList<Batch> batches;
  std::optional<RunGroups::Queue> queue;
  std::optional<MethodTrials::Race> race;
  QList<FileResults::Row> rows;     // of the rounds so far
  std::optional<RunOutcome> soFar;  // how the rounds before ended
  bool stopRequested = false;
  bool laterStartFailed = false;
};

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
  QByteArray what = step.kind == MethodTrials::Step::Kind::Test
                        ? QByteArray("-t")
                        : QByteArray(Methods::InfoOf(step.method).piece).trimmed();
  if (step.kind == MethodTrials::Step::Kind::Trial && step.filter)
    what += *step.filter ? " --filter=" + QByteArray::number(*step.filter) : " --no-filter";
  return what + ": " + file.mid(file.lastIndexOf('/') + 1);
}

}  // namespace

JobEngine::JobEngine(QObject* parent) : QObject(parent) {
  // The program may end while a job goes on: its packers end with it, and the job ends as after
  // a stop (their unfinished files removed).
  if (QCoreApplication* app = QCoreApplication::instance())
    connect(app, &QCoreApplication::aboutToQuit, this, &JobEngine::terminate);
}

JobEngine::~JobEngine() {
  // No packer outlives the engine; a job cut off here reports nothing.
  if (!round_) return;
  for (PtyRunner* runner : std::as_const(round_->runners))
    if (runner) runner->disconnect(this);
  qDeleteAll(round_->runners);
}

bool JobEngine::busy() const {
  return job_ != nullptr;
}

QString JobEngine::verdictText(const Texts& texts, const MethodTrials::Verdict& v) {
  const auto name = [&](Methods::Method m, std::optional<int> filter) {
    const QString method = QString::fromLatin1(Methods::InfoOf(m).name);
    if (!filter || *filter == 0) return method;
    return texts.text(LangText::MethodWithFilter, method,
                      QStringLiteral("0x") + QString::number(*filter, 16));
  };
  const QString winner = name(v.winner, v.filter);
  if (!v.runnerUp) return texts.text(LangText::MethodAlone, winner, QString::number(v.size));
  const double saved = 100.0 * double(v.runnerUpSize - v.size) / double(v.runnerUpSize);
  return texts.text(LangText::MethodWon)
      .arg(winner, QString::number(v.size), QString::number(saved, 'f', 1),
           name(*v.runnerUp, v.runnerUpFilter));
}

QString JobEngine::statusText(const Texts& texts, const RunOutcome& o) {
  static constexpr LangText statusTexts[] = {LangText::StatusDone, LangText::StatusError,
                                             LangText::StatusWarning};
  QString text;
  if (o.stoppedByUser && (!o.endedNormally() || o.exitCode != 0))
    text = texts.text(LangText::StatusStopped);
  else if (o.signal > 0)
    text = texts.text(LangText::StatusSignal, QString::fromLatin1(PtyRunner::SignalName(o.signal)));
  else if (o.exitCode >= 0 && o.exitCode <= 2)
    text = texts.text(statusTexts[o.exitCode]);
  else
    text = texts.text(LangText::StatusExitCode, QString::number(o.exitCode));
  if (!o.removed.isEmpty())
    text += u' ' + texts.text(LangText::StatusRemoved, QString::number(o.removed.size()));
  return text;
}

bool JobEngine::start(const JobSpec& spec) {
  if (job_) return false;
  job_ = std::make_unique<Job>();
  Job& job = *job_;
  job.spec = spec;
  const bool info = spec.kind == JobSpec::Kind::Info;
  if (!info)
    job.rowsKind =
        spec.kind == JobSpec::Kind::Pack ? FileResults::Job::Pack : FileResults::Job::Unpack;
  else if (spec.info == CommandLine::InfoCommand::Test && spec.commandLine.isEmpty())
    job.rowsKind = FileResults::Job::Test;
  job.measures = !info || spec.withSizes;
  // Only a job that reports on each file measures each one.
  if (job.rowsKind) {
    job.before.reserve(spec.files.size());
    for (const QByteArray& f : spec.files) job.before.append(FileSizes::SizeOf(f));
    job.goesBy = FileSizes::Representatives(spec.files);
    for (qsizetype i = 0; i < spec.files.size(); ++i)
      if (job.goesBy[i] == i) job.packed.append(spec.files[i]);
  }
  if (job.measures)
    job.totalBefore = job.rowsKind ? total(job.before, job.goesBy) : FileSizes::Sum(spec.files);

  const PackOptions& o = spec.options;
  const bool edited = !spec.commandLine.isEmpty();
  if (info) {
    // A test names each file once; the other commands take the files as they are.
    const QByteArray command =
        edited ? spec.commandLine
               : CommandLine::GetCmdInfo(spec.info, job.rowsKind ? job.packed : spec.files,
                                         spec.packer);
    job.batches = {Batch{{command}, {job.rowsKind ? job.packed : spec.files}, false}};
  } else {
    if (!edited && CommandLine::UsesOutputFile(o)) job.output = o.EditOutFile;
    // An output name that differs in spelling only ("dir/./a", a linked folder, another letter
    // case on a case-blind file system) leads to the input itself: deleting it would lose the
    // input, so the packer meets the existing file instead and refuses.
    if (!edited && spec.files.size() == 1 && o.OutFileBox && o.ReplaceIfExistsCheckBox &&
        CommandLine::UsesOutputFile(o) && ::access(o.EditOutFile.constData(), F_OK) == 0 &&
        !FileSizes::SameFile(o.EditOutFile, spec.files.first()))
      ::unlink(o.EditOutFile.constData());  // by its bytes: a name that is not UTF-8 included
    // All splits each file's trials over the cores and keeps the smallest result (the packer's
    // own --brute may keep a larger one: it weighs its loader by an estimate).
    job.trials = spec.kind == JobSpec::Kind::Pack && !edited &&
                 CommandLine::ChosenMethod(o) == Methods::Method::All &&
                 spec.capabilities.offers(Methods::Method::All);
    if (job.trials)
      job.race.emplace(MethodTrials::Setup{o, spec.packer, spec.capabilities, spec.cores},
                       job.packed);
    else
      planPackers();
  }
  const bool started = job.trials ? startTrials() : startBatch();
  if (!started) QMetaObject::invokeMethod(this, &JobEngine::fail, Qt::QueuedConnection);
  return true;
}

void JobEngine::planPackers() {
  Job& job = *job_;
  const JobSpec& spec = job.spec;
  // An edited line is run as written and names what it names: its files are the selection's,
  // each read from its output. One output name cannot take the results of several packers: such
  // a job runs as one packer.
  if (!spec.commandLine.isEmpty()) {
    job.goesBy.clear();
    job.packed = spec.files;
    job.batches = {Batch{{spec.commandLine}, {spec.files}, false}};
    return;
  }
  const QList<QByteArray>& files = job.packed;
  if (!job.output.isEmpty()) {
    job.batches = {Batch{{commandFor(files)}, {files}, false}};
    return;
  }
  const qsizetype fixed = commandFor({}).size() + 64 * qsizetype(sizeof(char*));
  // Several files and several runs: the runs share them as a queue.
  const int runs = qBound(1, spec.runs, 64);
  if (runs > 1 && files.size() > 1) {
    job.queue.emplace(files, runs, fixed, RunGroups::ArgumentRoom());
    Batch batch{{}, {}, true};
    for (int run = 0; run < runs; ++run) {
      const QList<QByteArray> portion = job.queue->take(run);
      if (portion.isEmpty()) break;
      batch.commands.append(commandFor(portion));
      batch.groups.append(portion);
    }
    job.batches = {batch};
    return;
  }
  // More names than one start of the packer takes run as batches in turn.
  for (const QList<QByteArray>& chunk :
       RunGroups::SplitForArgumentLimit(files, fixed, RunGroups::ArgumentRoom()))
    job.batches.append(Batch{{commandFor(chunk)}, {chunk}, false});
}

// The command line of files as the job's options build it.
QByteArray JobEngine::commandFor(const QList<QByteArray>& files) const {
  const JobSpec& s = job_->spec;
  return s.kind == JobSpec::Kind::Pack
             ? CommandLine::GetCmdPack(s.options, files, s.packer, s.capabilities)
             : CommandLine::GetCmdUnPack(s.options, files, s.packer);
}

JobEngine::Command JobEngine::trialCommand(const MethodTrials::Step& step) const {
  const QByteArray& file = job_->packed[step.file];
  Command c;
  c.args = CommandLine::SplitCommandLine(step.commandLine);
  c.label = labelOf(step, file);
  c.step = step;
  if (step.kind == MethodTrials::Step::Kind::Test)
    c.transcript.emplace(FileResults::Job::Test, QList<QByteArray>{step.output});
  else
    c.transcript.emplace(FileResults::Job::Pack, QList<QByteArray>{file}, step.output);
  return c;
}

bool JobEngine::startTrials() {
  QList<Command> commands;
  while (commands.size() < job_->spec.cores) {
    const std::optional<MethodTrials::Step> step = job_->race->next();
    if (!step) break;
    commands.append(trialCommand(*step));
  }
  if (commands.isEmpty()) {  // every file was refused before any run
    QMetaObject::invokeMethod(
        this, [this] { endJob(RunOutcome::exited(2)); }, Qt::QueuedConnection);
    return true;
  }
  return startRound(commands, Feed::Trials);
}

bool JobEngine::startBatch() {
  Job& job = *job_;
  const Batch batch = job.batches.takeFirst();
  QList<Command> commands;
  for (qsizetype i = 0; i < batch.commands.size(); ++i) {
    Command c;
    c.args = CommandLine::SplitCommandLine(batch.commands[i]);
    if (c.args.isEmpty()) return false;
    if (batch.queue) c.files = int(batch.groups[i].size());
    if (job.rowsKind) c.transcript.emplace(*job.rowsKind, batch.groups[i], job.output);
    commands.append(std::move(c));
  }
  return startRound(commands, batch.queue ? Feed::Queue : Feed::None);
}

// Starts the packers together, one per pane; a job runs whole or not at all: when one cannot be
// started, those started already are ended and whatever they made goes, however they ended.
bool JobEngine::startRound(QList<Command> commands, Feed feed) {
  auto round = std::make_unique<Round>();
  round->feed = feed;
  for (qsizetype pane = 0; pane < commands.size(); ++pane) {
    round->leftovers.append(RunLeftovers(commands[pane].args));
    auto* runner = new PtyRunner(this);
    round->runners.append(runner);
    if (!runner->start(commands[pane].args, job_->spec.niceValue, TerminalColumns, TerminalRows)) {
      for (qsizetype k = 0; k < round->runners.size(); ++k) {
        round->runners[k]->terminate();
        round->leftovers[k].RemoveLeft();
      }
      qDeleteAll(round->runners);
      return false;
    }
    round->paneOf.append(int(pane));
  }
  round->commandIn = round->paneOf;
  round->running = round->runners.size();
  round->commands = std::move(commands);
  round_ = std::move(round);
  emit batchStarted(round_->commands.size() > 1 ? int(round_->commands.size()) : 0);
  for (int pane = 0; pane < round_->runners.size(); ++pane) attach(pane, pane);
  return true;
}

// The packer of `command` in its pane: its output read and shown, its end awaited; its pane's
// first says what the pane's packers share.
void JobEngine::attach(int pane, int command) {
  PtyRunner* runner = round_->runners[pane];
  const Command& c = round_->commands[command];
  const JobSpec& spec = job_->spec;
  QStringList notes;
  if (command == pane) {
    if (runner->priorityRefused()) notes << spec.texts.text(LangText::PriorityNotRaised);
    // The spelling of a switch was guessed: say so where the packer's answer will show.
    const QByteArray versioned = spec.capabilities.crpSwitch.trimmed();
    if (!spec.capabilities.known() &&
        std::any_of(c.args.begin(), c.args.end(),
                    [&](const QByteArray& a) { return a.startsWith(versioned); }))
      notes << spec.texts.text(LangText::VersionUnknown);
  }
  emit runStarted(pane, c.args, c.files, c.label, notes);
  connect(runner, &PtyRunner::output, this, [this, pane, command](const QByteArray& out) {
    Command& c = round_->commands[command];
    if (c.transcript) c.transcript->feed(out);
    tellDecided(command, false);
    emit output(pane, out);
  });
  connect(runner, &PtyRunner::finished, this, [this, pane] { packerEnded(pane); });
}

// The rows of a command's files that stand now, not told before; all of them once its packer has
// ended on its own. (A trial's row is not the file's.)
void JobEngine::tellDecided(int command, bool ended) {
  Command& c = round_->commands[command];
  if (!c.transcript || c.step) return;
  if (ended) c.transcript->finish();
  const qsizetype decided =
      ended ? c.transcript->rows(FileResults::RunEnd::Normal).size() : c.transcript->decided();
  if (decided <= c.told) return;
  const QList<FileResults::Row> rows = c.transcript->rows(FileResults::RunEnd::Normal);
  for (; c.told < decided; ++c.told) emit fileEnded(rows[c.told]);
}

void JobEngine::write(int pane, const QByteArray& bytes) {
  if (round_ && pane >= 0 && pane < round_->runners.size() && round_->runners[pane])
    round_->runners[pane]->write(bytes);
}

// A pane's packer ended: a queue's or the trials' pane takes the next command when its packer
// ended on its own; the round ends with its last packer.
void JobEngine::packerEnded(int pane) {
  emit runEnded(pane);
  Round& r = *round_;
  PtyRunner* done = r.runners[pane];
  // A packer that ended on its own has dealt with every file it was given.
  if (done->termSignal() == 0 && !done->interrupted()) tellDecided(r.commandIn[pane], true);
  if (r.feed != Feed::None && !job_->stopRequested && done->termSignal() == 0) {
    if (std::optional<Command> next = nextFor(pane, done->exitCode())) {
      r.ended.insert(r.commandIn[pane], RunOutcome::exited(done->exitCode()));
      done->disconnect(this);
      done->deleteLater();
      const int command = int(r.commands.size());
      r.leftovers.append(RunLeftovers(next->args));
      r.paneOf.append(pane);
      r.commandIn[pane] = command;
      r.commands.append(std::move(*next));
      auto* runner = new PtyRunner(this);
      if (runner->start(r.commands[command].args, job_->spec.niceValue, TerminalColumns,
                        TerminalRows)) {
        r.runners[pane] = runner;
        attach(pane, command);
        return;
      }
      // Its files count as not started.
      RunOutcome failed = RunOutcome::exited(1);
      failed.signal = -1;
      r.ended.insert(command, failed);
      r.runners[pane] = nullptr;
      delete runner;
    }
  }
  if (--r.running == 0) endRound();
}

// What a pane takes after its packer ended on its own.
std::optional<JobEngine::Command> JobEngine::nextFor(int pane, int exitCode) {
  Job& job = *job_;
  Round& r = *round_;
  if (r.feed == Feed::Queue) {
    const QList<QByteArray> portion = job.queue->take(pane);
    if (portion.isEmpty()) return std::nullopt;
    Command c;
    c.args = CommandLine::SplitCommandLine(commandFor(portion));
    c.files = int(portion.size());
    if (job.rowsKind) c.transcript.emplace(*job.rowsKind, portion);
    return c;
  }
  // A trial or test ended: the race learns how, and the pane takes what is ready.
  Command& ended = r.commands[r.commandIn[pane]];
  ended.transcript->finish();
  job.race->ended(*ended.step, exitCode,
                  ended.transcript->rows(FileResults::RunEnd::Normal, {}).value(0));
  const std::optional<MethodTrials::Step> step = job.race->next();
  if (!step) return std::nullopt;
  return trialCommand(*step);
}

// How the round's packers ended; a packer that was stopped or killed had no chance to clear up
// its temporary or partial files, nor had one that a stop reached, whatever its handler made it
// exit with; one that exited on its own, unasked, has dealt with them.
RunOutcome JobEngine::collect() {
  Round& r = *round_;
  QList<RunOutcome> outcomes;
  for (qsizetype i = 0; i < r.commands.size(); ++i) {
    if (r.ended.contains(int(i))) {
      outcomes.append(r.ended.value(int(i)));
      continue;
    }
    RunOutcome outcome = RunOutcome::exited(128 + SIGKILL);
    outcome.signal = SIGKILL;
    const int pane = r.paneOf[i];
    if (PtyRunner* runner = r.runners.value(pane); runner && r.commandIn[pane] == i) {
      runner->terminate();
      outcome.exitCode = runner->exitCode();
      outcome.signal = runner->termSignal();
      outcome.interrupted = runner->interrupted();
      runner->disconnect(this);
      runner->deleteLater();
      r.runners[pane] = nullptr;
    }
    outcomes.append(outcome);
  }
  emit batchEnded();
  for (qsizetype i = 0; i < outcomes.size(); ++i) {
    RunOutcome& outcome = outcomes[i];
    if (outcome.endedNormally() || outcome.signal < 0) continue;
    outcome.removed = r.leftovers[i].RemoveLeft();
    for (const QByteArray& path : std::as_const(outcome.removed)) emit removed(r.paneOf[i], path);
  }
  // The round's outcome is its worst packer's, with every packer's removed files.
  QList<int> codes;
  for (const RunOutcome& o : std::as_const(outcomes)) codes.append(o.exitCode);
  RunOutcome outcome = outcomes[RunGroups::WorstRun(codes)];
  outcome.removed.clear();
  for (const RunOutcome& o : std::as_const(outcomes)) {
    outcome.removed += o.removed;
    outcome.runSignals.append(o.signal);
    outcome.runsInterrupted.append(o.interrupted);
    outcome.interrupted = outcome.interrupted || o.interrupted;
  }
  outcome.stoppedByUser = job_->stopRequested;
  return outcome;
}

// The rows of the round's packers: one that a signal ended reports the files it never reached as
// stopped (the user's stop) or failed.
void JobEngine::readRound(const RunOutcome& ended) {
  QList<Command>& commands = round_->commands;
  for (qsizetype i = 0; i < commands.size(); ++i) {
    if (!commands[i].transcript) continue;
    FileResults::Transcript& t = *commands[i].transcript;
    t.finish();
    const int signal = ended.runSignals.value(i, ended.signal);
    // A packer that a stop reached may have exited by a handler of its own, its files unfinished.
    const bool interrupted = ended.runsInterrupted.value(i, ended.interrupted);
    using FileResults::RunEnd;
    const RunEnd end = signal == 0 && !interrupted ? RunEnd::Normal
                       : ended.stoppedByUser       ? RunEnd::Stopped
                                                   : RunEnd::Died;
    // (A negative signal: the packer of a later portion could not be started.)
    job_->rows += t.rows(end, signal < 0 ? QByteArray("not started")
                                         : QByteArray("signal ") + PtyRunner::SignalName(signal));
  }
}

void JobEngine::endRound() {
  const RunOutcome ended = collect();
  Job& job = *job_;
  if (job.race) {
    round_.reset();
    return endTrials(ended);
  }
  readRound(ended);
  round_.reset();
  // The rounds so far stand for the job as their worst does, with every removed file.
  RunOutcome outcome = ended;
  if (job.soFar) {
    outcome = RunGroups::WorstRun({job.soFar->exitCode, ended.exitCode}) == 0 ? *job.soFar : ended;
    outcome.removed = job.soFar->removed + ended.removed;
    outcome.stoppedByUser = ended.stoppedByUser;
    outcome.interrupted = ended.interrupted;
  }
  job.soFar.reset();
  if (job.batches.isEmpty() || ended.stoppedByUser || !ended.endedNormally())
    return endJob(outcome);
  // The next batch starts from the event loop, once the faces are done with this one.
  job.soFar = outcome;
  QMetaObject::invokeMethod(
      this,
      [this] {
        RunOutcome soFar = *std::exchange(job_->soFar, std::nullopt);
        if (job_->stopRequested) {
          soFar.stoppedByUser = true;
          return endJob(soFar);
        }
        if (startBatch()) return;
        job_->laterStartFailed = true;
        soFar.exitCode = qMax(soFar.exitCode, 1);
        endJob(soFar);
      },
      Qt::QueuedConnection);
}

// The files' rows, each replaced file's telling which method won; the job failed when a file did
// not come through, whatever became of single trials.
void JobEngine::endTrials(RunOutcome outcome) {
  Job& job = *job_;
  job.rows = job.race->finish(outcome.stoppedByUser);
  bool all = true;
  for (qsizetype i = 0; i < job.rows.size(); ++i) {
    FileResults::Row& row = job.rows[i];
    all = all && FileResults::IsSuccess(row.outcome);
    if (const std::optional<MethodTrials::Verdict> v = job.race->verdict(i))
      row.message = verdictText(job.spec.texts, *v).toUtf8();
  }
  if (!outcome.stoppedByUser && outcome.endedNormally()) outcome.exitCode = all ? 0 : 2;
  job.race.reset();
  endJob(outcome);
}

QList<FileResults::Row> JobEngine::finishRows(bool stopped) {
  Job& job = *job_;
  const JobSpec& spec = job.spec;
  using FileResults::Outcome;
  // The batches that never ran: after a stop, or from one that could not be started on.
  const FileResults::Row notRun{{},
                                {},
                                {},
                                stopped ? Outcome::Stopped : Outcome::Failed,
                                stopped ? QByteArray() : QByteArray("not started")};
  QList<QByteArray> left = job.queue ? job.queue->rest() : QList<QByteArray>();
  for (const Batch& batch : std::as_const(job.batches))
    for (const QList<QByteArray>& group : batch.groups) left += group;
  for (const QByteArray& f : std::as_const(left)) {
    job.rows.append(notRun);
    job.rows.last().file = f;
  }
  // Several packers took the files in groups: the rows go back into the names' order, one for
  // each name; a name of a file named before tells the first name's outcome.
  QHash<QByteArray, qsizetype> read;
  read.reserve(job.rows.size());
  for (qsizetype i = job.rows.size() - 1; i >= 0; --i) read.insert(job.rows[i].file, i);
  const bool output = !job.output.isEmpty() && spec.files.size() == 1;
  QList<FileResults::Row> rows;
  rows.reserve(spec.files.size() + spec.unreadable.size());
  for (qsizetype i = 0; i < spec.files.size(); ++i) {
    const qsizetype first = job.goesBy.value(i, i);
    const QByteArray& name = spec.files[first];
    const auto at = read.constFind(name);
    FileResults::Row r = at != read.cend() ? job.rows[*at] : notRun;
    // (An output file that was not this job's says nothing of it.)
    r.sizeAfter =
        FileSizes::SizeOf(output && FileResults::IsSuccess(r.outcome) ? job.output : name);
    r.file = spec.files[i];
    r.sizeBefore = job.before.value(i);
    if (first != i)
      r.message = spec.texts.text(LangText::SameFileAs, QFile::decodeName(name)).toUtf8();
    rows.append(r);
  }
  for (const ExecutableScan::Unreadable& entry : spec.unreadable)
    rows.append({entry.path, {}, {}, Outcome::Unreadable, entry.why});
  return rows;
}

void JobEngine::endJob(RunOutcome outcome) {
  JobReport report;
  report.kind = job_->spec.kind;
  report.started = true;
  report.startFailed = job_->laterStartFailed;
  report.trials = job_->trials;
  report.outcome = outcome;
  if (job_->rowsKind) {
    report.rowsKind = *job_->rowsKind;
    report.rows = finishRows(outcome.stoppedByUser);
  }
  const Texts& texts = job_->spec.texts;
  report.statusText = statusText(texts, outcome);
  const auto all = report.rows.size();
  if (!outcome.stoppedByUser && outcome.endedNormally() && all > 0) {
    const auto ok = std::count_if(report.rows.begin(), report.rows.end(),
                                  [](const auto& r) { return FileResults::IsSuccess(r.outcome); });
    static constexpr LangText summary[] = {LangText::ResultsPacked, LangText::ResultsUnpacked,
                                           LangText::ResultsTested};
    // A test of a file the packer never packed is no failed test: said apart.
    const auto notPacked =
        report.rowsKind != FileResults::Job::Test
            ? 0
            : std::count_if(report.rows.begin(), report.rows.end(), [](const auto& r) {
                return r.outcome == FileResults::Outcome::NotPacked;
              });
    const LangText text = notPacked == 0          ? summary[int(report.rowsKind)]
                          : notPacked == all - ok ? LangText::ResultsTestedNotPacked
                                                  : LangText::ResultsTestedBoth;
    const auto third = notPacked == 0 ? all - ok : notPacked;
    // The figures hold digits only, so the marks filled afterwards cannot meet one of them.
    if (ok < all)
      report.statusText = texts.text(text, QString::number(ok), QString::number(all))
                              .replace(QLatin1String("%3"), QString::number(third))
                              .replace(QLatin1String("%4"), QString::number(all - ok - notPacked));
  }
  // One file's trials: which method won is the news.
  if (report.trials && report.rows.size() == 1 && outcome.exitCode == 0)
    report.statusText = QString::fromUtf8(report.rows.first().message);
  if (job_->measures) {
    report.sizesMeasured = true;
    report.totalBefore = job_->totalBefore;
    report.totalAfter = measureAfter(report.rows);
  }
  job_.reset();
  emit finished(report);
}

// The job's files after it, each file once: by their rows where it has them; a separate output
// by its name, else the files by their own names.
quint64 JobEngine::measureAfter(const QList<FileResults::Row>& rows) const {
  const Job& job = *job_;
  const JobSpec& spec = job.spec;
  if (!rows.isEmpty()) {
    quint64 after = 0;
    for (qsizetype i = 0; i < spec.files.size() && i < rows.size(); ++i)
      if (job.goesBy.value(i, i) == i) after += rows[i].sizeAfter.value_or(0);
    return after;
  }
  const PackOptions& o = spec.options;
  if (spec.kind != JobSpec::Kind::Info && spec.files.size() == 1 && o.OutFileBox &&
      CommandLine::UsesOutputFile(o))
    return FileSizes::Sum({o.EditOutFile});
  return FileSizes::Sum(spec.files);
}

void JobEngine::fail() {
  JobReport report;
  report.kind = job_->spec.kind;
  report.startFailed = true;
  job_.reset();
  emit finished(report);
}

void JobEngine::stop() {
  if (!job_) return;
  job_->stopRequested = true;
  if (!round_) return;
  for (PtyRunner* runner : std::as_const(round_->runners))
    if (runner) runner->stop(PtyRunner::kStopGraceMs);
}

void JobEngine::terminate() {
  // Each packer ends now, and no queue starts another; with the last the job ends.
  if (!job_) return;
  job_->stopRequested = true;
  if (!round_) return;
  const QList<PtyRunner*> runners = round_->runners;
  for (PtyRunner* runner : runners)
    if (runner) runner->terminate();
}
