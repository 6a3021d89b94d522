// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Runs.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>

#include "core/console/PtyRunner.h"
#include "core/console/ScreenModel.h"
#include "core/jobs/JobEngine.h"
#include "core/settings/ProgramState.h"
#include "gui/console/ConsoleSession.h"
#include "gui/main/AppContext.h"

std::optional<JobReport> AwaitJob(JobRunner* jobs, const std::function<void()>& act,
                                  int timeoutMs) {
  std::optional<JobReport> result;
  const QMetaObject::Connection c = QObject::connect(jobs, &JobRunner::jobFinished, jobs,
                                                     [&result](const JobReport& r) { result = r; });
  if (act) act();
  const bool ended =
      !jobs->busy() || QTest::qWaitFor([&result] { return result.has_value(); }, timeoutMs);
  QObject::disconnect(c);
  return ended ? result : std::nullopt;
}

std::optional<int> AwaitRun(AppContext& ctx, const QByteArray& commandLine,
                            const std::function<void()>& during, JobReport* report, int timeoutMs) {
  JobEngine* engine = ctx.engine;
  std::optional<JobReport> ended;
  QList<QMetaObject::Connection> connections;
  if (during)
    connections << QObject::connect(engine, &JobEngine::batchStarted, engine,
                                    [during] { QTimer::singleShot(0, during); });
  connections << QObject::connect(engine, &JobEngine::finished, engine,
                                  [&ended](const JobReport& r) { ended = r; });
  JobSpec spec;
  spec.kind = JobSpec::Kind::Info;
  spec.commandLine = commandLine;
  spec.niceValue = PtyRunner::NiceForPriorityClass(ctx.state.opt.GlobalOpt_PriorityClass);
  spec.texts = ctx.state.texts();
  spec.capabilities = ctx.state.Packer;
  const bool done =
      engine->start(spec) && QTest::qWaitFor([&ended] { return ended.has_value(); }, timeoutMs);
  for (const QMetaObject::Connection& c : std::as_const(connections)) QObject::disconnect(c);
  if (!done || !ended->started) return std::nullopt;
  if (report) *report = *ended;
  return ended->outcome.exitCode;
}

QList<qint64> ChildProcesses() {
  QList<qint64> pids;
  const QDir tasks(QStringLiteral("/proc/self/task"));
  for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile f(tasks.filePath(task + QStringLiteral("/children")));
    if (!f.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& pid : f.readAll().split(' '))
      if (!pid.trimmed().isEmpty()) pids.append(pid.trimmed().toLongLong());
  }
  std::sort(pids.begin(), pids.end());
  return pids;
}

QString ScreenText(const ScreenModel* s, bool asWrapped) {
  QString all;
  for (int r = 0; s && r < s->rows(); ++r)
    all += asWrapped ? s->rowText(r).leftJustified(s->columns(), u' ') : s->rowText(r) + u'\n';
  return all;
}

namespace {

// The fields of /proc/PID/stat after the program's name, which may hold blanks itself.
QList<QByteArray> StatFields(qint64 pid) {
  QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
  if (pid <= 0 || !f.open(QIODevice::ReadOnly)) return {};
  const QByteArray stat = f.readAll();
  return stat.mid(stat.lastIndexOf(')') + 2).split(' ');
}

}  // namespace

char ProcessState(qint64 pid) {
  const QList<QByteArray> fields = StatFields(pid);
  return fields.isEmpty() || fields[0].isEmpty() ? '?' : fields[0][0];
}

int ProcessNice(qint64 pid) {
  const QList<QByteArray> fields = StatFields(pid);
  return fields.size() > 16 ? fields[16].toInt() : 1000;
}

bool ProcessGone(qint64 pid) {
  const char state = ProcessState(pid);
  return state == '?' || state == 'Z' || state == 'X';
}
