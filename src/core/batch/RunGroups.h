// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Several packer runs at once: how the selected files are split among the runs, how many runs a
// preference may ask for, and which run's end stands for the whole job.

#include <QByteArray>
#include <QList>

namespace RunGroups {

// The most runs at once this machine takes: its number of cores (at least 1).
int MaxRuns();
// A stored or entered number of runs within 1..MaxRuns().
quint32 Clamp(quint32 runs);

// The key that keeps files together: the folder (links resolved where it exists) and the name
// up to its last dot. Files of one folder whose names differ only after their last dot
// ("prog.exe", "prog.dll") share it: the packer names its temporary and backup files after that
// stem, so two packers at once would race for the same names.
QByteArray StemKey(const QByteArray& path);

// Splits files, in order, into batches whose arguments fit the system's limit for a program's
// arguments: `room` bytes, less `fixed` for the rest of the command line. Each file costs its
// bytes, its end and its pointer. One batch of all when they fit; a file too long for any batch
// still gets one of its own (the packer then says why it cannot start).
QList<QList<QByteArray>> SplitForArgumentLimit(const QList<QByteArray>& files, qsizetype fixed,
                                               qsizetype room);
// The room for a packer's arguments here: the system's limit less this program's environment
// (which the packer inherits) and a margin.
qsizetype ArgumentRoom();

// The work of several runs at once as a queue: a run that is free takes the next portion, so
// that runs which meet quick files (already packed, refused) take more of them. Files that share
// a stem (StemKey) form one unit and never run at once. Units go largest first; small ones go
// together, up to a share of the whole that keeps the runs' ends close, and every portion's
// arguments fit the room; within a portion the files keep their order. A unit whose names alone
// pass the room goes in pieces, one at a time.
class Queue {
 public:
  // `fixed`: the bytes of the rest of the command line; `room`: as SplitForArgumentLimit.
  Queue(const QList<QByteArray>& files, int runs, qsizetype fixed, qsizetype room);

  // The next portion for the run `run` (0..runs-1), whose earlier portion has ended; empty when
  // nothing is left that may start now.
  QList<QByteArray> take(int run);
  bool isEmpty() const { return left_ == 0; }
  // Every file not handed out yet.
  QList<QByteArray> rest() const;

 private:
  struct Unit {
    QList<QByteArray> files;
    QList<qsizetype> indexes;  // the files' places in the selection
    quint64 size = 0;
    qsizetype sent = 0;  // files handed out so far
    int busy = -1;       // the run that holds a piece of it now
  };
  qsizetype cost(const QByteArray& file) const;

  QList<Unit> units_;  // largest first
  qsizetype first_ = 0;
  qsizetype left_ = 0;  // units not handed out whole
  quint64 bundle_ = 0;
  qsizetype fixed_ = 0;
  qsizetype room_ = 0;
};

// The run whose end stands for all (index into codes; -1 for none): a code outside 0..2 (a
// signal, a failure of its own) before all others, then 1 (an error), then 2 (a warning), then 0.
// Among runs of equal weight, the first.
qsizetype WorstRun(const QList<int>& codes);

}  // namespace RunGroups
