// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/startup/PackerLocator.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/packer/CommandLine.h"
#include "core/settings/CFGfile.h"
#include "core/util/InstallLayout.h"

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
  // Last, so that a distribution's packer or one the user has always goes first.
  const QByteArray bundled = InstallLayout::BundledPacker(programDir);
  if (TCFGfile::IsRegularFile(bundled)) return bundled;
  return {};
}

QByteArray ShortLocation(const QByteArray& upxLocation) {
  if (upxLocation.isEmpty()) return {};
  return CommandLine::QuoteIfNeeded(upxLocation);
}

}  // namespace PackerLocator
