// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The total size of a selection, for the file box. A small selection is summed at once; a large
// one (a folder of thousands of programs, maybe on a slow or network file system) on a thread of
// its own, so that neither the start nor the window waits for thousands of file lookups. A new
// start, cancel() or the task's end drops a sum still running.

#include <QByteArray>
#include <QList>
#include <QObject>

#include "core/batch/WorkerThread.h"

class SizeTask : public QObject {
  Q_OBJECT
 public:
  // Up to this many files are summed before start() returns.
  static constexpr qsizetype SummedAtOnce = 500;

  explicit SizeTask(QObject* parent = nullptr);

  // A start with the selection still being summed lets that sum go on (the start-up fills the file
  // box more than once).
  void start(const QList<QByteArray>& files);
  void cancel();

 signals:
  // The total in bytes of the `files` files of the last start; a file without a size adds 0.
  void summed(quint64 bytes, qsizetype files);

 private:
  WorkerThread worker_;
  QList<QByteArray> summing_;  // the selection whose sum has not come yet
};
