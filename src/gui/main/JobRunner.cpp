// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/JobRunner.h"

#include <QThread>

#include "core/console/PtyRunner.h"
#include "core/settings/ProgramState.h"
#include "gui/console/ConsoleSession.h"

JobRunner::JobRunner(ProgramState& state, JobEngine& engine, ConsoleSession& console,
                     QObject* parent)
    : QObject(parent), state_(state), engine_(engine), console_(console) {
  connect(&engine_, &JobEngine::finished, this, &JobRunner::jobEnded);
}

bool JobRunner::busy() const {
  return engine_.busy();
}

JobSpec JobRunner::specOf(JobSpec::Kind kind) const {
  const ProgramState& s = state_;
  JobSpec spec;
  spec.kind = kind;
  spec.files = s.FileList;
  spec.unreadable = s.UnreadableEntries;
  spec.packer = s.packerForCommand();
  spec.capabilities = s.packer();
  // The preference is held within the cores where it enters (settings file, Options dialog).
  spec.runs = int(qMin<quint32>(s.opt.GlobalOpt_PackerRuns, 64));
  spec.cores = qBound(1, QThread::idealThreadCount(), 64);
  spec.niceValue = PtyRunner::NiceForPriorityClass(s.opt.GlobalOpt_PriorityClass);
  spec.texts = s.texts();
  return spec;
}

bool JobRunner::startPack(bool pack, const PackOptions& o) {
  if (busy()) return false;
  JobSpec spec = specOf(pack ? JobSpec::Kind::Pack : JobSpec::Kind::Unpack);
  spec.options = o;
  QByteArray& pending = pack ? state_.PendingPackCommand : state_.PendingUnpackCommand;
  spec.commandLine = std::exchange(pending, {});
  console_.openConsole(false);
  return engine_.start(spec);
}

bool JobRunner::startInfo(CommandLine::InfoCommand which, bool withSizes) {
  if (busy()) return false;
  JobSpec spec = specOf(JobSpec::Kind::Info);
  spec.info = which;
  spec.withSizes = withSizes;
  console_.openConsole(true);
  return engine_.start(spec);
}

void JobRunner::jobEnded(const JobReport& report) {
  if (report.startFailed) console_.reportStartFailure();
  if (report.kind != JobSpec::Kind::Info && report.started) {
    const CloseCon closeCon = state_.opt.closeCon();
    if (closeCon == CloseCon::AfterEveryRun ||
        (report.outcome.exitCode == 0 && closeCon == CloseCon::AfterSuccess))
      console_.closeConsole();
  }
  emit jobFinished(report);
}

void JobRunner::closeConsole() {
  console_.closeConsole();
}

void JobRunner::stop() {
  console_.stopRun();
}

bool JobRunner::consoleClosedByUser() const {
  return console_.closedByUser();
}
