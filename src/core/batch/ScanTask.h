// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a folder scan on a thread of its own, so that a very large tree does not freeze the window:
// the result comes back as a signal on the thread that started it. A new start or the task's end
// cancels a scan still running.

#include <QObject>

#include "core/batch/ExecutableScan.h"
#include "core/batch/WorkerThread.h"

class ScanTask : public QObject {
  Q_OBJECT
 public:
  explicit ScanTask(QObject* parent = nullptr);
  ~ScanTask() override;

  void start(const QList<QByteArray>& paths);
  void cancel();
  bool isRunning() const { return worker_.isStarted(); }

 signals:
  // Not sent for a cancelled scan.
  void finished(const ExecutableScan::Result& result, const QList<QByteArray>& paths);

 private:
  WorkerThread worker_;
};

Q_DECLARE_METATYPE(ExecutableScan::Result)
