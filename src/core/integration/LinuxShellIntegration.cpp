// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/integration/LinuxShellIntegration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include "PackhelmBuildConfig.h"
#include "core/integration/DesktopEntry.h"
#include "core/util/InstallLayout.h"

namespace {

const char kProgramName[] = "packhelm";
// A portable copy has no icon in the desktop's theme; an installed one has its own.
const char kGenericIcon[] = "package-x-generic";

QByteArray iconFor(const QByteArray& programPath) {
  const QByteArray dir = programPath.left(programPath.lastIndexOf('/') + 1);
  return InstallLayout::IsInstalledCopy(dir) ? QByteArray(PACKHELM_APP_ID) : kGenericIcon;
}

QString entryStem(const QByteArray& type) {
  QString t = QString::fromUtf8(type);
  t.replace(QLatin1Char('/'), QLatin1Char('-'));
  return QLatin1String(kProgramName) + QLatin1Char('-') + t;
}

bool writeFile(const QString& path, const QByteArray& text, bool executable) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  if (f.write(text) != text.size()) {
    f.cancelWriting();
    return false;
  }
  if (!f.commit()) return false;
  if (executable) {
    return QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser |
                                           QFile::ExeGroup | QFile::ExeOther);
  }
  return true;
}

}  // namespace

LinuxShellIntegration::LinuxShellIntegration(const QByteArray& programPath)
    : programPath_(programPath.isEmpty()
                       ? QFile::encodeName(QCoreApplication::applicationFilePath())
                       : programPath) {}

QString LinuxShellIntegration::dataHome() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QStringList LinuxShellIntegration::entryFiles(const QByteArray& type) {
  const QString home = dataHome();
  const QString stem = entryStem(type);
  QStringList files{home + QLatin1String("/kio/servicemenus/") + stem + QLatin1String(".desktop"),
                    home + QLatin1String("/nemo/actions/") + stem + QLatin1String(".nemo_action")};
  // A desktop that has no program chosen for opening folders takes any that lists them.
  if (type != FolderType())
    files << home + QLatin1String("/applications/") + stem + QLatin1String(".desktop");
  return files;
}

QList<QByteArray> LinuxShellIntegration::entryTexts(const QByteArray& type,
                                                    const QByteArray& menuText,
                                                    const QByteArray& programPath) {
  // A desktop entry must have a name; an empty language text would make it invalid.
  const QByteArray name = DesktopEntry::EscapeString(menuText.isEmpty() ? "Packhelm" : menuText);
  const QByteArray exec = DesktopEntry::ExecValue(programPath, "%F");
  const QByteArray mimeList = type + ';';
  const QByteArray icon = iconFor(programPath);

  QByteArray serviceMenu;
  serviceMenu += "[Desktop Entry]\n";
  serviceMenu += "Type=Service\n";
  serviceMenu += "MimeType=" + mimeList + '\n';
  serviceMenu += "Actions=packhelm;\n";
  serviceMenu += "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n";
  serviceMenu += "\n[Desktop Action packhelm]\n";
  serviceMenu += "Name=" + name + '\n';
  serviceMenu += "Icon=" + icon + '\n';
  serviceMenu += "Exec=" + exec + '\n';

  QByteArray nemoAction;
  nemoAction += "[Nemo Action]\n";
  nemoAction += "Active=true\n";
  nemoAction += "Name=" + name + '\n';
  nemoAction += "Comment=" + name + '\n';
  nemoAction += "Exec=" + exec + '\n';
  nemoAction += "Icon-Name=" + icon + '\n';
  nemoAction += "Selection=notnone\n";
  nemoAction += "Mimetypes=" + mimeList + '\n';
  // Nemo pastes the selected paths into Exec and splits the result like a shell command line;
  // without escaped blanks a file name with a blank would reach Packhelm as several arguments.
  // (Quote=double is no help: Nemo escapes an apostrophe with a backslash that double quotes keep.)
  nemoAction += "EscapeSpaces=true\n";

  QByteArray application;
  application += "[Desktop Entry]\n";
  application += "Type=Application\n";
  application += "Version=1.0\n";
  application += "Name=" + name + '\n';
  application += "Exec=" + exec + '\n';
  application += "Icon=" + icon + '\n';
  application += "MimeType=" + mimeList + '\n';
  // Only in "Open With", not in the application menu.
  application += "NoDisplay=true\n";
  application += "Terminal=false\n";

  return {serviceMenu, nemoAction, application};
}

QByteArray LinuxShellIntegration::fileType(const QByteArray& ext) {
  if (ext.isEmpty() || ext == "." || ext.contains('/')) return {};
  const QString probe = QLatin1String("x") + QString::fromUtf8(ext);
  const QMimeDatabase db;
  // No pattern of the database matches: the extension is unknown, whatever fallback the
  // database would name for it.
  if (db.mimeTypesForFileName(probe).isEmpty()) return {};
  const QMimeType t = db.mimeTypeForFile(probe, QMimeDatabase::MatchExtension);
  if (!t.isValid() || t.isDefault()) return {};
  // name() is the canonical name even when a pattern belongs to an alias.
  return t.name().toUtf8();
}

ShellResult LinuxShellIntegration::add(const QByteArray& type, const QByteArray& menuText) {
  if (!DesktopEntry::ExecPathWritable(programPath_))
    return {ShellResult::Kind::PathRefused, QFile::decodeName(programPath_)};
  const QStringList files = entryFiles(type);
  const QList<QByteArray> texts = entryTexts(type, menuText, programPath_);
  for (int i = 0; i < files.size(); ++i) {
    const QString folder = QFileInfo(files[i]).absolutePath();
    if (!QDir().mkpath(folder)) return {ShellResult::Kind::CreateKeyFailed, folder};
    // Dolphin runs service menus from the user's folder only when they are executable.
    if (!writeFile(files[i], texts[i], i == 0)) return {ShellResult::Kind::SetDataFailed, files[i]};
  }
  return {};
}

ShellResult LinuxShellIntegration::remove(const QByteArray& type) {
  for (const QString& f : entryFiles(type)) {
    // A file that is not there is no failure; one that stays after the attempt is.
    if (!QFile::remove(f) && QFileInfo::exists(f)) return {ShellResult::Kind::RemoveFailed, f};
  }
  return {};
}

bool LinuxShellIntegration::has(const QByteArray& type) {
  for (const QString& f : entryFiles(type))
    if (QFileInfo::exists(f)) return true;
  return false;
}

void LinuxShellIntegration::finish() {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
  const QString folder = dataHome() + QLatin1String("/applications");
  if (tool.isEmpty() || !QFileInfo(folder).isDir()) return;
  QProcess p;
  p.setStandardOutputFile(QProcess::nullDevice());
  p.setStandardErrorFile(QProcess::nullDevice());
  p.start(tool, {folder});
  if (!p.waitForStarted(cacheToolTimeoutMs)) return;
  if (!p.waitForFinished(cacheToolTimeoutMs)) {
    p.kill();
    p.waitForFinished(1000);
  }
}
