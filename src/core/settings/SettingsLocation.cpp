// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/SettingsLocation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include "core/settings/SettingsFile.h"
#include "core/util/InstallLayout.h"

namespace SettingsLocation {

bool IsFolderWritable(const QByteArray& folder) {
  // The folder's bytes as they are (a name that is not UTF-8 would be lost through QString).
  struct stat st;
  if (folder.isEmpty() || ::stat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
    return false;
  QByteArray probe = (folder.endsWith('/') ? folder : folder + '/') + ".packhelm-probe-XXXXXX";
  const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.constData());
  return true;
}

bool CanWrite(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  if (path.isEmpty() || !IsFolderWritable(slash < 0 ? QByteArray(".") : path.left(slash + 1)))
    return false;
  struct stat st;
  if (::lstat(path.constData(), &st) != 0) return true;  // a new file in a writable folder
  // Through a link only a regular file is written (the link's folder need not hold it).
  if (S_ISLNK(st.st_mode)) {
    if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    char* real = ::realpath(path.constData(), nullptr);
    if (!real) return false;
    const QByteArray target(real);
    ::free(real);
    const qsizetype s2 = target.lastIndexOf('/');
    if (!IsFolderWritable(target.left(s2 + 1))) return false;
    return ::access(target.constData(), W_OK) == 0;
  }
  return S_ISREG(st.st_mode) && ::access(path.constData(), W_OK) == 0;
}

QByteArray ReadPath(const QByteArray& programDir, const QByteArray& settingsPath) {
  struct stat st;
  if (::lstat(settingsPath.constData(), &st) == 0) return settingsPath;
  const QByteArray inProgramDir = programDir + Settings::FileName;
  return ::stat(inProgramDir.constData(), &st) == 0 ? inProgramDir : settingsPath;
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
