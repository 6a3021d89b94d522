#include "core/startup/PackerLocator.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/packer/CommandLine.h"

namespace PackerLocator {

namespace {
bool isFile(const QByteArray& path) {
  return !path.isEmpty() && QFileInfo(QFile::decodeName(path)).isFile();
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
