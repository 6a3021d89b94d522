#include "core/startup/PackerLocator.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/packer/CommandLine.h"

namespace PackerLocator {

namespace {
// By the path's bytes: the program's folder may have a name that is not UTF-8, which a QString
// would not keep.
bool isFile(const QByteArray& path) {
  struct stat st {};
  return !path.isEmpty() && !path.contains('\0') && ::stat(path.constData(), &st) == 0 &&
         S_ISREG(st.st_mode);
}
}  // namespace

QByteArray DefaultPath(const QByteArray& programDir) {
  return programDir + "upx/upx";
}

QByteArray Locate(const QByteArray& programDir, const QByteArray& chosenBefore) {
  const QByteArray own = DefaultPath(programDir);
  if (isFile(own)) return own;
  if (isFile(chosenBefore)) return chosenBefore;
  const QString onPath = QStandardPaths::findExecutable(QStringLiteral("upx"));
  if (!onPath.isEmpty()) return QFile::encodeName(QFileInfo(onPath).absoluteFilePath());
  return {};
}

QByteArray ShortLocation(const QByteArray& upxLocation) {
  if (upxLocation.isEmpty()) return {};
  return CommandLine::QuoteIfNeeded(upxLocation);
}

}  // namespace PackerLocator
