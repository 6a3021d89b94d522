// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One piece of work on a thread of its own, which a newer start, stop() or the owner's end drops:
// the work is told by its flag, and the thread is waited for, so that nothing it does outlives its
// owner. The work reports back by queuing to its owner and checks the flag there first.

#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

class WorkerThread {
 public:
  using Cancelled = std::shared_ptr<const std::atomic_bool>;

  WorkerThread() = default;
  ~WorkerThread() { stop(); }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Stops the work going on, then runs `work` on a new thread.
  void start(const std::function<void(const Cancelled&)>& work,
             QThread::Priority priority = QThread::InheritPriority);
  void stop();
  bool isStarted() const { return thread_ != nullptr; }

 private:
  QThread* thread_ = nullptr;
  std::shared_ptr<std::atomic_bool> cancel_;
};
