// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/InstallContents.h"

#include <QDir>
#include <QProcess>

#include "PackhelmBuildConfig.h"
#include "core/util/InstallLayout.h"

QStringList InstalledFiles() {
  const QString id = QStringLiteral(PACKHELM_APP_ID);
  QStringList files{
      QStringLiteral("bin/packhelm"),
      QStringLiteral("bin/packhelm-cli"),
      QStringLiteral("share/applications/%1.desktop").arg(id),
      QStringLiteral("share/metainfo/%1.metainfo.xml").arg(id),
      QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(id),
      QStringLiteral("share/man/man1/packhelm.1.gz"),
      QStringLiteral("share/man/man1/packhelm-cli.1.gz"),
      QStringLiteral("share/doc/packhelm/copyright"),
      QStringLiteral("share/doc/packhelm/changelog.gz"),
  };
#ifdef PACKHELM_BUNDLES_PACKER
  // Where the program looks for a packer of its own (relative to bin/).
  files << QDir::cleanPath(QStringLiteral("bin/") + QLatin1String(InstallLayout::BundledPackerPath))
        << QStringLiteral("share/lintian/overrides/packhelm");
#endif
  for (int size : {PACKHELM_ICON_SIZES})
    files << QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(id);
  const QDir lang(QStringLiteral(PACKHELM_LANG_SOURCE_DIR));
  for (const QString& f : lang.entryList({QStringLiteral("*.lng")}, QDir::Files))
    files << QStringLiteral("share/packhelm/lang/") + f;
  files.sort();
  return files;
}

QStringList ExecutableMimeTypes() {
  return {QStringLiteral("application/x-executable"),
          QStringLiteral("application/x-pie-executable"), QStringLiteral("application/x-sharedlib"),
          QStringLiteral("application/x-ms-dos-executable"),
          QStringLiteral("application/x-msdownload")};
}

ToolRun RunTool(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
  ToolRun r;
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, args);
  r.started = p.waitForStarted(30000);
  if (!r.started) return r;
  p.waitForFinished(120000);
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = p.readAllStandardOutput();
  r.err = p.readAllStandardError();
  return r;
}
