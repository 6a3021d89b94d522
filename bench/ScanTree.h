// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tree both folder benchmarks search: folders of 99 files, one in ten an ELF file, the rest
// text, `entries` directory entries in all (folders counted).
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

// Returns how many executables the tree holds, or -1 when a file could not be written.
inline int MakeScanTree(const QString& root, int entries) {
  const QByteArray elf = QByteArray(
                             "\x7f"
                             "ELF",
                             4) +
                         QByteArray(1020, 'e');
  const QByteArray text(1024, 't');
  int made = 0, executables = 0;
  for (int f = 0; made < entries; ++f) {
    const QString folder = root + QStringLiteral("/d%1").arg(f);
    QDir().mkpath(folder);
    ++made;
    for (int i = 0; i < 99 && made < entries; ++i, ++made) {
      QFile file(folder + QStringLiteral("/f%1").arg(i));
      if (!file.open(QIODevice::WriteOnly)) return -1;
      file.write(i % 10 == 0 ? elf : text);
      executables += i % 10 == 0;
    }
  }
  return executables;
}
