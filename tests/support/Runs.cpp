// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Runs.h"

#include <QTest>
#include <QTimer>

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
