// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/Prompts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

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

// Every prompt is modal to the window it belongs to (never to the whole program, so that a
// console's Stop always answers) and waits in no loop of its own: the answer comes by `answered`
// once the user has given it, and the dialog goes with its closing. A prompt of no window blocks
// nothing.
template <typename Answered>
void showModal(QDialog* d, Answered answered) {
  d->setAttribute(Qt::WA_DeleteOnClose);
  d->setWindowModality(d->parentWidget() ? Qt::WindowModal : Qt::NonModal);
  QObject::connect(d, &QDialog::finished, d, answered);
  d->show();
}

}  // namespace

void Message(QWidget* owner, Icon icon, const QString& text, const QString& caption,
             const std::function<void()>& closed) {
  if (Test().active) {
    Test().messages.append({icon, text, caption});
    if (closed) closed();
    return;
  }
  auto* box = new QMessageBox(icon == Icon::Error     ? QMessageBox::Critical
                              : icon == Icon::Warning ? QMessageBox::Warning
                                                      : QMessageBox::Information,
                              caption, text, QMessageBox::Ok, owner);
  box->setTextFormat(Qt::PlainText);
  showModal(box, [closed] {
    if (closed) closed();
  });
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
  showModal(box, [answered](int result) { answered(result == QMessageBox::Yes); });
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

void OpenFiles(QWidget* owner, const FileDialogSpec& spec,
               const std::function<void(const QStringList&)>& chosen) {
  if (Test().active) {
    Test().dialogTitles.append(spec.title);
    chosen(Test().openAnswers.isEmpty() ? QStringList() : Test().openAnswers.takeFirst());
    return;
  }
  auto* d = new QFileDialog(owner);
  prepare(*d, spec);
  d->setAcceptMode(QFileDialog::AcceptOpen);
  d->setFileMode(spec.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  showModal(d, [d, chosen](int result) {
    chosen(result == QDialog::Accepted ? d->selectedFiles() : QStringList());
  });
}

void SaveFile(QWidget* owner, const FileDialogSpec& spec,
              const std::function<void(const QString&)>& chosen) {
  if (Test().active) {
    Test().dialogTitles.append(spec.title);
    chosen(Test().saveAnswers.isEmpty() ? QString() : Test().saveAnswers.takeFirst());
    return;
  }
  auto* d = new QFileDialog(owner);
  prepare(*d, spec);
  d->setAcceptMode(QFileDialog::AcceptSave);
  d->setFileMode(QFileDialog::AnyFile);
  showModal(d, [d, chosen](int result) {
    const QStringList files = d->selectedFiles();
    chosen(result != QDialog::Accepted || files.isEmpty() ? QString() : files.first());
  });
}

}  // namespace Prompts
