// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/FileSizes.h"

#include <sys/stat.h>

#include <QHash>
#include <cstdlib>

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

namespace {

// The folder part resolved (it must exist), the last part as it is.
QByteArray resolvedEntry(const QByteArray& name) {
  const qsizetype slash = name.lastIndexOf('/');
  const QByteArray folder = slash < 0    ? QByteArray(".")
                            : slash == 0 ? QByteArray("/")
                                         : name.left(slash);
  QByteArray last = name.mid(slash + 1);
  if (last.isEmpty() || last == "." || last == "..") return {};
  char* real = ::realpath(folder.constData(), nullptr);
  if (!real) return {};
  QByteArray out(real);
  ::free(real);
  return (out.endsWith('/') ? out : out + '/') + last;
}

}  // namespace

bool SameEntry(const QByteArray& a, const QByteArray& b) {
  if (a == b) return true;
  const QByteArray ra = resolvedEntry(a);
  return !ra.isEmpty() && ra == resolvedEntry(b);
}

QList<qsizetype> Representatives(const QList<QByteArray>& names) {
  QList<qsizetype> chosen(names.size());
  QHash<QByteArray, qsizetype> byPath;  // each file's chosen name so far
  byPath.reserve(names.size());
  const auto isLink = [](const QByteArray& name) {
    struct stat st {};
    return ::lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode);
  };
  QList<QByteArray> keys(names.size());
  for (qsizetype i = 0; i < names.size(); ++i) {
    char* real = names[i].contains('\0') ? nullptr : ::realpath(names[i].constData(), nullptr);
    // Unresolved names are kept apart from every path by the NUL no path holds.
    keys[i] = real ? QByteArray(real) : QByteArray(1, '\0') + names[i];
    ::free(real);
    const auto at = byPath.constFind(keys[i]);
    if (at == byPath.cend() || (isLink(names[*at]) && !isLink(names[i]))) byPath.insert(keys[i], i);
  }
  for (qsizetype i = 0; i < names.size(); ++i) chosen[i] = byPath.value(keys[i]);
  return chosen;
}

}  // namespace FileSizes
