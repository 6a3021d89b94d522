#include "core/settings/SettingsLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "core/settings/SettingsFile.h"
#include "core/util/InstallLayout.h"

namespace SettingsLocation {

bool IsFolderWritable(const QByteArray& folder) {
  const QString dir = QFile::decodeName(folder);
  if (dir.isEmpty() || !QFileInfo(dir).isDir()) return false;
  QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".packhelm-probe-XXXXXX")));
  return probe.open();  // removed again when probe goes out of scope
}

QByteArray UserConfigFolder() {
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  if (dir.isEmpty()) return {};
  QDir().mkpath(dir);
  return QFile::encodeName(dir) + '/';
}

QByteArray ChoosePath(const QByteArray& programDir,
                      const std::function<bool(const QByteArray&)>& writable) {
  // An installed copy never writes into its bin folder, not even when run by root.
  if (!InstallLayout::IsInstalledCopy(programDir) && writable(programDir))
    return programDir + Settings::FileName;
  const QByteArray user = UserConfigFolder();
  // With no configuration folder at all there is nowhere better; saving there will fail silently.
  return (user.isEmpty() ? programDir : user) + Settings::FileName;
}

}  // namespace SettingsLocation
