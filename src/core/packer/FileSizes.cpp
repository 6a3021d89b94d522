// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/FileSizes.h"

#include <sys/stat.h>

namespace FileSizes {

std::optional<quint64> SizeOf(const QByteArray& path) {
  // Byte paths straight to the system: names need not be valid UTF-8. Only looked at: opening a
  // pipe could block, and a file the user cannot write still has its size.
  struct stat st {};
  if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return quint64(st.st_size);
}

quint64 Sum(const QList<QByteArray>& files) {
  quint64 total = 0;
  for (const QByteArray& f : files) total += SizeOf(f).value_or(0);
  return total;
}

bool SameFile(const QByteArray& a, const QByteArray& b) {
  struct stat sa {};
  struct stat sb {};
  if (::stat(a.constData(), &sa) != 0 || ::stat(b.constData(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace FileSizes
