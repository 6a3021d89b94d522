// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File sizes as the jobs and the selection display measure them: a file counts only when it can
// be opened for reading and writing (a missing, read-only or busy file has no size).

#include <QByteArray>
#include <QList>
#include <optional>

namespace FileSizes {

std::optional<quint64> SizeOf(const QByteArray& path);
// The jobs' sum: stops at the first file without a size, the files before it counting.
quint64 SumUntilFailure(const QList<QByteArray>& files);
// The selection display's sum: each file cut to whole kibibytes, a file without a size adds 0.
quint64 SumKiB(const QList<QByteArray>& files);
// Whether two names lead to one existing file (same device and inode), links followed.
bool SameFile(const QByteArray& a, const QByteArray& b);

}  // namespace FileSizes
