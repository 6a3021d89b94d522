// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File sizes as the jobs and the selection display measure them: a regular file (links followed)
// has its size, whether or not it can be written; anything else has none.

#include <QByteArray>
#include <QList>
#include <optional>

namespace FileSizes {

std::optional<quint64> SizeOf(const QByteArray& path);
// The total of every file's size in bytes; a file without a size adds 0 and ends nothing.
quint64 Sum(const QList<QByteArray>& files);
// Whether two names lead to one existing file (same device and inode), links followed.
bool SameFile(const QByteArray& a, const QByteArray& b);

}  // namespace FileSizes
