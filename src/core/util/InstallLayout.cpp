// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/util/InstallLayout.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <climits>

#include "core/batch/ExecutableScan.h"

Q_LOGGING_CATEGORY(lcLanguages, "packhelm.languages", QtWarningMsg)

namespace InstallLayout {

namespace {

// Cleaned so that messages and the language lists show /usr/share/..., not /usr/bin/../share.
// Through Latin-1, which keeps every byte: the folder's name need not be UTF-8, and cleaning
// looks at nothing but "/" and ".".
QByteArray cleaned(const QByteArray& path) {
  return QDir::cleanPath(QString::fromLatin1(path)).toLatin1();
}

QByteArray sharedFolder(const QByteArray& programDir) {
  return cleaned(programDir + SharedLanguageFolder) + '/';
}

}  // namespace

QByteArray ProgramFolder() {
  QByteArray folder;
  char exe[PATH_MAX + 1];
  const ssize_t n = ::readlink("/proc/self/exe", exe, PATH_MAX);
  if (n > 0) {
    const QByteArray path(exe, n);
    folder = path.left(path.lastIndexOf('/') + 1);
  } else {
    const QString dir = QCoreApplication::applicationDirPath();
    const QString resolved = QDir(dir).canonicalPath();
    folder = QFile::encodeName(resolved.isEmpty() ? dir : resolved);
  }
  if (!folder.endsWith('/')) folder += '/';
  return folder;
}

bool IsInstalledCopy(const QByteArray& programDir) {
  // Deciding by the shared folder alone, not by language files in the program folder: telling
  // the latter would mean opening every file of /usr/bin.
  return !programDir.isEmpty() && ExecutableScan::IsFolder(sharedFolder(programDir));
}

QByteArray BundledPacker(const QByteArray& programDir) {
  return programDir.isEmpty() ? QByteArray() : cleaned(programDir + BundledPackerPath);
}

QByteArray LanguageFolder(const QByteArray& programDir) {
  return IsInstalledCopy(programDir) ? sharedFolder(programDir) : programDir;
}

}  // namespace InstallLayout
