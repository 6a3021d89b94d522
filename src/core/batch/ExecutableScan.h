// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Folders as input: the packable executables inside a folder, found recursively. A file counts
// when it is a regular file whose first bytes show an executable format the packer handles (ELF,
// PE behind an MZ header, Mach-O); nothing else is looked at. Names are kept as bytes from the
// file system (POSIX calls, no decoding), so any name survives.

#include <QByteArray>
#include <QList>
#include <atomic>

namespace ExecutableScan {

enum class Format { None, Elf, Mz, MachO };

// The format shown by a file's first bytes.
Format DetectFormat(const QByteArray& head);

// An entry the search could not open or read, with the system's reason in its own English
// words ("File name too long"), as the packer gives its reasons.
struct Unreadable {
  QByteArray path;
  QByteArray why;
};

struct Result {
  QList<QByteArray> files;  // files given directly, then each folder's executables, in order
  int folders = 0;          // folders that were given (and scanned)
  int filesFromFolders = 0;
  qint64 entries = 0;  // directory entries looked at
  // Entries that could not be opened or read (a folder too deep for a path, say), skipped.
  QList<Unreadable> unreadable;
  // The folders given that hold no packable executable at all (as given). A folder inside one
  // given before, whose files were all taken already, is not among them.
  QList<QByteArray> emptyFolders;
  bool cancelled = false;
};

// The files in `paths` as given, followed by the executables inside each folder in `paths` (depth
// first, names sorted byte by byte within a folder). A symbolic link inside a folder is followed
// only when its target lies inside that folder, and no file or folder is taken twice. `cancel`,
// when set, stops the scan early (the result says so).
Result Expand(const QList<QByteArray>& paths, const std::atomic_bool* cancel = nullptr);

// True when the path names a folder (following links, as a dropped or given name is meant).
bool IsFolder(const QByteArray& path);

}  // namespace ExecutableScan
