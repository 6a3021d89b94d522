// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/batch/ScanTask.h"

ScanTask::ScanTask(QObject* parent) : QObject(parent) {
  qRegisterMetaType<ExecutableScan::Result>();
}

ScanTask::~ScanTask() = default;

void ScanTask::start(const QList<QByteArray>& paths) {
  worker_.start([this, paths](const WorkerThread::Cancelled& cancel) {
    const ExecutableScan::Result result = ExecutableScan::Expand(paths, cancel.get());
    if (result.cancelled) return;
    // Queued to the task's own thread; dropped there if the task was cancelled meanwhile.
    QMetaObject::invokeMethod(
        this,
        [this, result, paths, cancel] {
          if (cancel->load()) return;
          worker_.stop();
          emit finished(result, paths);
        },
        Qt::QueuedConnection);
  });
}

void ScanTask::cancel() {
  worker_.stop();
}
