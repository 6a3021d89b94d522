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

// Splits items of the given sizes into min(runs, items) groups of about equal total size:
// largest first, each into the group with the least total so far (the lower group on a tie).
// Every item lands in exactly one group, each group keeps the items' order and none is empty.
// The same sizes always give the same groups. Fewer than two groups: one group of all items.
QList<QList<qsizetype>> SplitBySize(const QList<quint64>& sizes, int runs);
// The same for files, by their sizes on disk (a file that cannot be measured counts as 0). Files
// of one folder whose names differ only after their last dot ("prog.exe", "prog.dll") stay in one
// run: the packer names its temporary and backup files after that stem, so two packers at once
// would race for the same names.
QList<QList<QByteArray>> SplitFiles(const QList<QByteArray>& files, int runs);
// The key that keeps files together: the folder (links resolved where it exists) and the name
// up to its last dot.
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

// The run whose end stands for all (index into codes; -1 for none): a code outside 0..2 (a
// signal, a failure of its own) before all others, then 1 (an error), then 2 (a warning), then 0.
// Among runs of equal weight, the first.
qsizetype WorstRun(const QList<int>& codes);

}  // namespace RunGroups
