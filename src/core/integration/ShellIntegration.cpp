// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/integration/ShellIntegration.h"

#include "core/util/StrUtils.h"

QList<QByteArray> LinuxExecutableTypes() {
  return {"application/x-executable", "application/x-pie-executable", "application/x-sharedlib"};
}

QList<QByteArray> WindowsExecutableTypes() {
  return {"application/x-ms-dos-executable", "application/x-msdownload"};
}

QByteArray FolderType() {
  return "inode/directory";
}

QList<QByteArray> TextLines(const QString& text) {
  QList<QByteArray> lines;
  if (text.isEmpty()) return lines;
  QStringList parts = text.split(QLatin1Char('\n'));
  if (parts.last().isEmpty()) parts.removeLast();
  for (const QString& p : parts) lines.append(p.toUtf8());
  return lines;
}

void ReadBackShellExt(const QList<QByteArray>& lines, QList<QByteArray>& shellExt) {
  if (lines.isEmpty()) return;
  shellExt.clear();
  for (const QByteArray& line : lines) {
    QByteArray entry = StrUtils::TrimSpaces(line);
    if (!entry.isEmpty() && !entry.startsWith('.')) entry.prepend('.');
    shellExt.append(entry);
  }
}
