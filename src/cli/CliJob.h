// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// packhelm-cli's face of the job engine: progress on standard error, the report, the exit status,
// and Ctrl+C or SIGTERM stopping every packer.

#include <QObject>
#include <QSet>

#include "cli/CliArguments.h"
#include "core/jobs/JobEngine.h"

class QSocketNotifier;

class CliJob : public QObject {
  Q_OBJECT
 public:
  explicit CliJob(CliArguments::Request request, QObject* parent = nullptr);
  ~CliJob() override;

  // Sets the job up and starts it; false (with the reason on standard error and the exit status
  // set) when it cannot start. The job's end quits the event loop.
  bool start();
  int exitStatus() const { return status_; }

 private:
  bool prepare(JobSpec& spec);
  void signalled();
  void fileEnded(const FileResults::Row& row);
  void finished(const JobReport& report);
  void progress(const QByteArray& line, bool last);

  CliArguments::Request request_;
  JobEngine engine_;
  QSocketNotifier* signals_ = nullptr;
  int signal_ = 0;
  int status_ = 1;
  qsizetype files_ = 0;
  qsizetype told_ = 0;
  QSet<QByteArray> toldNames_;
  bool terminal_ = false;
  bool lineOpen_ = false;
};
