// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/Prompts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <memory>

FileDialogSpec::FileDialogSpec(const QString& name, Kind k, QObject* parent)
    : QObject(parent), kind(k) {
  setObjectName(name);
}

namespace Prompts {

TestScript& Test() {
  static TestScript script;
  return script;
}

namespace {

QMessageBox* messageBox(QWidget* owner, Icon icon, const QString& text, const QString& caption) {
  auto* box = new QMessageBox(icon == Icon::Error     ? QMessageBox::Critical
                              : icon == Icon::Warning ? QMessageBox::Warning
                                                      : QMessageBox::Information,
                              caption, text, QMessageBox::Ok, owner);
  box->setTextFormat(Qt::PlainText);
  return box;
}

}  // namespace

void Message(QWidget* owner, Icon icon, const QString& text, const QString& caption) {
  if (Test().active) {
    Test().messages.append({icon, text, caption});
    return;
  }
  const std::unique_ptr<QMessageBox> box(messageBox(owner, icon, text, caption));
  box->exec();
}

void Notify(QWidget* owner, Icon icon, const QString& text, const QString& caption) {
  if (Test().active) {
    Test().messages.append({icon, text, caption});
    return;
  }
  QMessageBox* box = messageBox(owner, icon, text, caption);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::ApplicationModal);
  box->show();
}

void Ask(QWidget* owner, const QString& text, const QString& caption,
         const std::function<void(bool)>& answered) {
  if (Test().active) {
    Test().questions.append({Icon::Warning, text, caption});
    answered(!Test().questionAnswers.isEmpty() && Test().questionAnswers.takeFirst());
    return;
  }
  auto* box = new QMessageBox(QMessageBox::Question, caption, text,
                              QMessageBox::Yes | QMessageBox::No, owner);
  box->setDefaultButton(QMessageBox::No);
  box->setEscapeButton(QMessageBox::No);
  box->setTextFormat(Qt::PlainText);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::ApplicationModal);
  QObject::connect(box, &QMessageBox::finished, box,
                   [answered](int result) { answered(result == QMessageBox::Yes); });
  box->show();
}

QString ToQtFilter(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    // "*.*" means every file; on Linux most executables have no extension at all.
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    }
    // Qt reads the patterns from the last parentheses of the entry.
    out << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns.join(' '));
  }
  return out.join(QStringLiteral(";;"));
}

QString StartFolder(const FileDialogSpec& spec) {
  for (const QString& place :
       {spec.fileName.isEmpty() ? QString() : QFileInfo(spec.fileName).absolutePath(),
        spec.directory}) {
    if (!place.isEmpty() && QFileInfo(place).isDir()) return QFileInfo(place).absoluteFilePath();
  }
  return QDir::homePath();
}

namespace {

QFileDialog::Options dialogOptions(const FileDialogSpec& spec) {
  QFileDialog::Options o;
  if (spec.kind == FileDialogSpec::Kind::Save) o |= QFileDialog::DontConfirmOverwrite;
  return o;
}

void prepare(QFileDialog& d, const FileDialogSpec& spec) {
  d.setWindowTitle(spec.title);
  d.setNameFilter(ToQtFilter(spec.filter));
  d.setOptions(dialogOptions(spec));
  if (spec.showHidden) d.setFilter(d.filter() | QDir::Hidden);
  // Without a folder of its own the dialog would open in the current one, the program's folder.
  d.setDirectory(StartFolder(spec));
  if (!spec.fileName.isEmpty()) d.selectFile(spec.fileName);
}

}  // namespace

QStringList OpenFiles(QWidget* owner, const FileDialogSpec& spec) {
  if (Test().active) {
    Test().dialogTitles.append(spec.title);
    return Test().openAnswers.isEmpty() ? QStringList() : Test().openAnswers.takeFirst();
  }
  QFileDialog d(owner);
  prepare(d, spec);
  d.setAcceptMode(QFileDialog::AcceptOpen);
  d.setFileMode(spec.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  if (d.exec() != QDialog::Accepted) return {};
  return d.selectedFiles();
}

QString SaveFile(QWidget* owner, const FileDialogSpec& spec) {
  if (Test().active) {
    Test().dialogTitles.append(spec.title);
    return Test().saveAnswers.isEmpty() ? QString() : Test().saveAnswers.takeFirst();
  }
  QFileDialog d(owner);
  prepare(d, spec);
  d.setAcceptMode(QFileDialog::AcceptSave);
  d.setFileMode(QFileDialog::AnyFile);
  if (d.exec() != QDialog::Accepted) return {};
  const QStringList files = d.selectedFiles();
  return files.isEmpty() ? QString() : files.first();
}

}  // namespace Prompts
