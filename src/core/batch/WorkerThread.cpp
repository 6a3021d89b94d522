// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/batch/WorkerThread.h"

void WorkerThread::start(const std::function<void(const Cancelled&)>& work,
                         QThread::Priority priority) {
  stop();
  auto cancel = std::make_shared<std::atomic_bool>(false);
  cancel_ = cancel;
  thread_ = QThread::create([work, cancel] { work(cancel); });
  thread_->start(priority);
}

void WorkerThread::stop() {
  if (cancel_) cancel_->store(true);
  if (thread_) {
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
  }
  cancel_.reset();
}
