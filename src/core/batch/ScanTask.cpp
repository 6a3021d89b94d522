// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/batch/ScanTask.h"

ScanTask::ScanTask(QObject* parent) : QObject(parent) {
  qRegisterMetaType<ExecutableScan::Result>();
}

ScanTask::~ScanTask() {
  stop();
}

void ScanTask::start(const QList<QByteArray>& paths) {
  stop();
  auto cancel = std::make_shared<std::atomic_bool>(false);
  cancel_ = cancel;
  QThread* thread = QThread::create([this, paths, cancel] {
    const ExecutableScan::Result result = ExecutableScan::Expand(paths, cancel.get());
    if (result.cancelled) return;
    // Queued to the task's own thread; dropped there if the task was cancelled meanwhile.
    QMetaObject::invokeMethod(
        this,
        [this, result, paths, cancel] {
          if (cancel->load()) return;
          stop();
          emit finished(result, paths);
        },
        Qt::QueuedConnection);
  });
  thread_ = thread;
  thread->start();
}

void ScanTask::cancel() {
  stop();
}

void ScanTask::stop() {
  if (cancel_) cancel_->store(true);
  if (thread_) {
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
  }
  cancel_.reset();
}
