// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/startup/PackerLocator.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/packer/CommandLine.h"
#include "core/settings/CFGfile.h"

namespace PackerLocator {

QByteArray DefaultPath(const QByteArray& programDir) {
  return programDir + "upx/upx";
}

QByteArray Locate(const QByteArray& programDir, const QByteArray& chosenBefore) {
  const QByteArray own = DefaultPath(programDir);
  if (TCFGfile::IsRegularFile(own)) return own;
  if (TCFGfile::IsRegularFile(chosenBefore)) return chosenBefore;
  const QString onPath = QStandardPaths::findExecutable(QStringLiteral("upx"));
  if (!onPath.isEmpty()) return QFile::encodeName(QFileInfo(onPath).absoluteFilePath());
  return {};
}

QByteArray ShortLocation(const QByteArray& upxLocation) {
  if (upxLocation.isEmpty()) return {};
  return CommandLine::QuoteIfNeeded(upxLocation);
}

}  // namespace PackerLocator
