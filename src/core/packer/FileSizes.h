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
// Whether two names are one entry of one folder, however they are spelled ("./a", "/full/a", a
// linked folder): their folders resolved, their last parts equal. Hard links are other entries.
bool SameEntry(const QByteArray& a, const QByteArray& b);
// For each name, the position of the name that its file goes to the packer by. Names that lead
// to one file by their path (spelled another way: "./a", "/full/a", through a linked folder; or a
// symbolic link to it) share one: the first that is no symbolic link (the packer leaves links
// alone), else the first. Hard links are names of their own: the packer writes a new file for
// each. A name that does not resolve stands for itself.
QList<qsizetype> Representatives(const QList<QByteArray>& names);

}  // namespace FileSizes
