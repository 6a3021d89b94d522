#include "core/util/InstallLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

Q_LOGGING_CATEGORY(lcLanguages, "packhelm.languages", QtWarningMsg)

namespace InstallLayout {

namespace {

QByteArray sharedFolder(const QByteArray& programDir) {
  // Cleaned so that messages and the language lists show /usr/share/..., not /usr/bin/../share.
  const QString clean = QDir::cleanPath(QFile::decodeName(programDir + SharedLanguageFolder));
  return QFile::encodeName(clean) + '/';
}

}  // namespace

bool IsInstalledCopy(const QByteArray& programDir) {
  // Deciding by the shared folder alone, not by language files in the program folder: telling
  // the latter would mean opening every file of /usr/bin.
  return !programDir.isEmpty() && QFileInfo(QFile::decodeName(sharedFolder(programDir))).isDir();
}

QByteArray LanguageFolder(const QByteArray& programDir) {
  return IsInstalledCopy(programDir) ? sharedFolder(programDir) : programDir;
}

}  // namespace InstallLayout
