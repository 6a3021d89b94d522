// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/SizeTask.h"

#include "core/packer/FileSizes.h"

SizeTask::SizeTask(QObject* parent) : QObject(parent) {}

void SizeTask::start(const QList<QByteArray>& files) {
  // The same list (shared, not compared name by name) whose sum has not come yet.
  if (!summing_.isEmpty() && files.constData() == summing_.constData() &&
      files.size() == summing_.size())
    return;
  cancel();
  if (files.size() <= SummedAtOnce) return emit summed(FileSizes::Sum(files), files.size());
  summing_ = files;
  worker_.start(
      [this, files](const WorkerThread::Cancelled& cancelled) {
        quint64 total = 0;
        for (const QByteArray& f : files) {
          if (cancelled->load()) return;
          total += FileSizes::SizeOf(f).value_or(0);
        }
        // Queued to the task's own thread; dropped there if a newer start came meanwhile.
        QMetaObject::invokeMethod(
            this,
            [this, total, count = files.size(), cancelled] {
              if (cancelled->load()) return;
              summing_.clear();
              emit summed(total, count);
            },
            Qt::QueuedConnection);
      },
      QThread::IdlePriority);  // behind the start-up and the window's own work
}

void SizeTask::cancel() {
  summing_.clear();
  worker_.stop();
}
