// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Runs.h"

#include <QFile>
#include <QTest>
#include <QTimer>

#include "core/console/ScreenModel.h"
#include "gui/console/ConsoleSession.h"

std::optional<JobResult> AwaitJob(JobRunner* jobs, const std::function<void()>& act,
                                  int timeoutMs) {
  std::optional<JobResult> result;
  const QMetaObject::Connection c = QObject::connect(jobs, &JobRunner::jobFinished, jobs,
                                                     [&result](const JobResult& r) { result = r; });
  if (act) act();
  const bool ended =
      !jobs->busy() || QTest::qWaitFor([&result] { return result.has_value(); }, timeoutMs);
  QObject::disconnect(c);
  return ended ? result : std::nullopt;
}

std::optional<int> AwaitRun(ConsoleSession* session, const QList<QByteArray>& commandLines,
                            const std::function<void()>& during, const QList<int>& fileCounts,
                            int timeoutMs) {
  std::optional<int> exitCode;
  QList<QMetaObject::Connection> connections;
  if (during)
    connections << QObject::connect(session, &ConsoleSession::runStarted, session,
                                    [during] { QTimer::singleShot(0, during); });
  connections << QObject::connect(
      session, &ConsoleSession::runFinished, session,
      [&exitCode](const RunOutcome& outcome) { exitCode = outcome.exitCode; });
  const bool ended = session->Start(commandLines, fileCounts) &&
                     QTest::qWaitFor([&exitCode] { return exitCode.has_value(); }, timeoutMs);
  for (const QMetaObject::Connection& c : std::as_const(connections)) QObject::disconnect(c);
  return ended ? exitCode : std::nullopt;
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
