// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/FileSizes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileSizes {

std::optional<quint64> SizeOf(const QByteArray& path) {
  // Byte paths straight to the system: names need not be valid UTF-8.
  const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ::close(fd);
  if (!ok) return std::nullopt;
  return quint64(st.st_size);
}

quint64 SumUntilFailure(const QList<QByteArray>& files) {
  quint64 total = 0;
  for (const QByteArray& f : files) {
    const auto s = SizeOf(f);
    if (!s) break;
    total += *s;
  }
  return total;
}

quint64 SumKiB(const QList<QByteArray>& files) {
  quint64 total = 0;
  for (const QByteArray& f : files) total += SizeOf(f).value_or(0) / 1024;
  return total;
}

bool SameFile(const QByteArray& a, const QByteArray& b) {
  struct stat sa {};
  struct stat sb {};
  if (::stat(a.constData(), &sa) != 0 || ::stat(b.constData(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace FileSizes
