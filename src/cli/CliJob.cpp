// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliJob.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <csignal>
#include <cstdio>

#include "core/batch/ExecutableScan.h"
#include "core/console/EchoedNames.h"
#include "core/console/PtyRunner.h"
#include "core/packer/PackOptions.h"
#include "core/settings/SettingsFile.h"
#include "core/settings/SettingsLocation.h"
#include "core/startup/PackerLocator.h"
#include "core/util/InstallLayout.h"

namespace {

// Ctrl+C and SIGTERM reach the event loop through a pipe: a handler may do no more than write.
int signalPipe[2] = {-1, -1};

void onSignal(int signal) {
  const char byte = char(signal);
  const int saved = errno;
  [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
  errno = saved;
}

void say(const QByteArray& text) {
  std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
  std::fflush(stderr);
}

}  // namespace

CliJob::CliJob(CliArguments::Request request, QObject* parent)
    : QObject(parent), request_(std::move(request)) {
  terminal_ = ::isatty(STDERR_FILENO) == 1;
  connect(&engine_, &JobEngine::fileEnded, this, &CliJob::fileEnded);
  connect(&engine_, &JobEngine::finished, this, &CliJob::finished);
  // The packer's own words: asked for, or what the command is for (a listing).
  const bool list =
      request_.kind == JobSpec::Kind::Info && request_.info == CommandLine::InfoCommand::List;
  if (request_.verbose || list)
    connect(&engine_, &JobEngine::output, this, [list](int, const QByteArray& bytes) {
      std::fwrite(bytes.constData(), 1, size_t(bytes.size()), list ? stdout : stderr);
    });
}

CliJob::~CliJob() {
  if (signalPipe[0] < 0) return;
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  ::close(signalPipe[0]);
  ::close(signalPipe[1]);
  signalPipe[0] = signalPipe[1] = -1;
}

bool CliJob::prepare(JobSpec& spec) {
  const CliArguments::Request& r = request_;
  const QByteArray programDir = InstallLayout::ProgramFolder();
  Settings::SettingsRows rows;
  if (!r.settings.isEmpty()) {
    if (!Settings::LoadSettingsFile(r.settings, rows)) {
      say("packhelm-cli: cannot read the settings file " + EchoedNames::Shown(r.settings) + "\n");
      status_ = CliArguments::UsageError;
      return false;
    }
  } else {
    // The window's own settings, where the window finds them; none yet: the defaults.
    const QByteArray path = SettingsLocation::ChoosePath(programDir);
    Settings::LoadSettingsFile(SettingsLocation::ReadPath(programDir, path), rows);
  }

  PackOptions o = Settings::OptionsOf(rows);
  if (r.method) {
    o.CheckBoxTryMulti = true;
    bool* buttons[] = {&o.RadioButton_nrv2b, &o.RadioButton_nrv2d, &o.RadioButton_nrv2e,
                       &o.RadioButton_lzma, &o.RadioButton_all};
    static_assert(std::size(buttons) == Methods::Table.size());
    for (std::size_t i = 0; i < std::size(buttons); ++i)
      *buttons[i] = Methods::Method(i) == *r.method;
  }
  // The level's slider runs from --best (1) to -9 (2) ... -1 (10).
  if (r.level) o.CompressValueBar = *r.level == 10 ? 1 : 11 - *r.level;
  if (r.backup) o.BackupBox = true;
  o.OutFileBox = !r.output.isEmpty();
  o.EditOutFile = r.output;

  const ExecutableScan::Result found = ExecutableScan::Expand(r.paths);
  for (const QByteArray& folder : found.emptyFolders)
    say("packhelm-cli: no executable in " + EchoedNames::Shown(folder) + "\n");
  if (found.files.isEmpty() && found.unreadable.isEmpty()) {
    say("packhelm-cli: no file to work on\n");
    return false;
  }
  if (!r.output.isEmpty() && found.files.size() != 1) {
    say("packhelm-cli: --output takes one input file, not " +
        QByteArray::number(found.files.size()) + "\nTry 'packhelm-cli --help'.\n");
    status_ = CliArguments::UsageError;
    return false;
  }
  if (found.files.size() == 1) o.EditFileName = found.files.first();

  const QByteArray packer = PackerLocator::Locate(programDir, rows.GlobalOpt_UPX2.value_or(""));
  if (packer.isEmpty()) {
    say("packhelm-cli: no UPX found (looked beside the program, on the PATH and in the "
        "package's own folder)\n");
    return false;
  }
  PackerVersion::Asking asking;
  asking.start(packer);

  spec.kind = r.kind;
  spec.info = r.info;
  spec.files = found.files;
  spec.unreadable = found.unreadable;
  spec.options = o;
  spec.packer = PackerLocator::ShortLocation(packer);
  spec.capabilities = asking.result();
  spec.cores = qBound(1, QThread::idealThreadCount(), 64);
  const int stored = int(qMin<quint32>(rows.GlobalOpt_PackerRuns.value_or(1), 64));
  spec.runs = !r.runs ? qMax(stored, 1) : *r.runs == 0 ? spec.cores : *r.runs;
  spec.niceValue = PtyRunner::NiceForPriorityClass(rows.GlobalOpt_PriorityClass.value_or(32));
  files_ = found.files.size() + found.unreadable.size();
  return true;
}

bool CliJob::start() {
  JobSpec spec;
  if (!prepare(spec)) return false;
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
    signals_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(signals_, &QSocketNotifier::activated, this, &CliJob::signalled);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
  }
  return engine_.start(spec);
}

// Each signal takes the stop a step further: interrupt, terminate, kill.
void CliJob::signalled() {
  char byte = 0;
  while (::read(signalPipe[0], &byte, 1) == 1) {
    if (signal_ == 0) signal_ = byte;
    engine_.stop();
  }
}

void CliJob::progress(const QByteArray& line, bool last) {
  if (!terminal_) return say(line + "\n");
  // One line, written over: the cursor back to its start, the rest of it cleared.
  say("\r" + line + "\033[K" + (last ? "\n" : ""));
  lineOpen_ = !last;
}

void CliJob::fileEnded(const FileResults::Row& row) {
  if (toldNames_.contains(row.file)) return;
  toldNames_.insert(row.file);
  ++told_;
  QByteArray line = "[" + QByteArray::number(told_) + "/" + QByteArray::number(files_) + "] " +
                    FileResults::Word(row.outcome) + " " + EchoedNames::Shown(row.file);
  if (!FileResults::IsSuccess(row.outcome) && !row.message.isEmpty())
    line += ": " + EchoedNames::Shown(row.message);
  progress(line, false);
}

void CliJob::finished(const JobReport& report) {
  for (const FileResults::Row& row : report.rows) fileEnded(row);
  if (lineOpen_) say("\n");
  lineOpen_ = false;
  if (report.startFailed) say("packhelm-cli: the packer could not be started\n");
  // What became of the files, by outcome, in the outcomes' order.
  QList<qsizetype> counts(FileResults::OutcomeCount, 0);
  for (const FileResults::Row& row : report.rows) ++counts[int(row.outcome)];
  QByteArray summary;
  for (int i = 0; i < FileResults::OutcomeCount; ++i)
    if (counts[i] > 0)
      summary += (summary.isEmpty() ? "" : ", ") + QByteArray::number(counts[i]) + " " +
                 FileResults::Word(FileResults::Outcome(i));
  if (!report.outcome.removed.isEmpty())
    summary += (summary.isEmpty() ? "" : "; ") + QByteArray::number(report.outcome.removed.size()) +
               " unfinished files removed";
  if (!summary.isEmpty()) say("packhelm-cli: " + summary + "\n");

  bool written = true;
  if (request_.report) {
    if (*request_.report == "-") {
      const QByteArray csv = FileResults::Csv(report.rows);
      written = std::fwrite(csv.constData(), 1, size_t(csv.size()), stdout) == size_t(csv.size());
      written = std::fflush(stdout) == 0 && written;
    } else {
      QString why;
      written = FileResults::WriteCsv(*request_.report, report.rows, &why);
      if (!written)
        say("packhelm-cli: the report could not be written to " +
            EchoedNames::Shown(*request_.report) + ": " + why.toUtf8() + "\n");
    }
  }
  const bool ok = report.started && !report.startFailed && report.outcome.exitCode == 0 &&
                  report.everyFileCameThrough();
  status_ = signal_ != 0 ? 128 + signal_ : ok && written ? 0 : 1;
  QCoreApplication::exit(status_);
}
