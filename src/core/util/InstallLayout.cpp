// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/util/InstallLayout.h"

#include <QDir>

#include "core/batch/ExecutableScan.h"

Q_LOGGING_CATEGORY(lcLanguages, "packhelm.languages", QtWarningMsg)

namespace InstallLayout {

namespace {

QByteArray sharedFolder(const QByteArray& programDir) {
  // Cleaned so that messages and the language lists show /usr/share/..., not /usr/bin/../share.
  // Through Latin-1, which keeps every byte: the folder's name need not be UTF-8, and cleaning
  // looks at nothing but "/" and ".".
  const QString clean = QDir::cleanPath(QString::fromLatin1(programDir + SharedLanguageFolder));
  return clean.toLatin1() + '/';
}

}  // namespace

bool IsInstalledCopy(const QByteArray& programDir) {
  // Deciding by the shared folder alone, not by language files in the program folder: telling
  // the latter would mean opening every file of /usr/bin.
  return !programDir.isEmpty() && ExecutableScan::IsFolder(sharedFolder(programDir));
}

QByteArray LanguageFolder(const QByteArray& programDir) {
  return IsInstalledCopy(programDir) ? sharedFolder(programDir) : programDir;
}

}  // namespace InstallLayout
