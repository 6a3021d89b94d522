// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/TFormIntegration.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QShowEvent>

#include "core/integration/LinuxShellIntegration.h"
#include "core/settings/ProgramState.h"
#include "gui/widgets/Placement.h"
#include "gui/widgets/Prompts.h"
#include "ui_TFormIntegration.h"

TFormIntegration::TFormIntegration(ProgramState& state, QWidget* parent)
    : QDialog(parent),
      state_(state),
      ui(new Ui::TFormIntegration),
      backend_(std::make_unique<LinuxShellIntegration>()) {
  ui->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  // Only its click operation is used (reading the text box back); it is never shown.
  ui->ButtonGet->hide();
  connect(ui->ButtonAdd, &QPushButton::clicked, this, &TFormIntegration::ButtonAddClick);
  connect(ui->ButtonRemove, &QPushButton::clicked, this, &TFormIntegration::ButtonRemoveClick);
  connect(ui->ButtonClose, &QPushButton::clicked, this, &TFormIntegration::ButtonCloseClick);
  connect(ui->ButtonGet, &QPushButton::clicked, this, &TFormIntegration::ButtonGetClick);
}

TFormIntegration::~TFormIntegration() {
  delete ui;
}

void TFormIntegration::setBackend(std::unique_ptr<ShellIntegration> backend) {
  if (backend) backend_ = std::move(backend);
}

void TFormIntegration::FormShow() {
  ui->RichEdit1->clear();
  QStringList lines;
  for (const QByteArray& ext : state_.opt.ShellExt)
    if (!ext.isEmpty()) lines << QString::fromUtf8(ext);
  ui->RichEdit1->setPlainText(lines.join(QLatin1Char('\n')));
  tickPresentTypes();
}

void TFormIntegration::tickPresentTypes() {
  auto present = [this](const QList<QByteArray>& types) {
    for (const QByteArray& t : types)
      if (backend_->has(t)) return true;
    return false;
  };
  const bool elf = present(LinuxExecutableTypes());
  const bool windows = present(WindowsExecutableTypes());
  const bool none = !elf && !windows;
  ui->CheckBoxLinux->setChecked(elf || none);
  ui->CheckBoxWindows->setChecked(windows || none);
}

QList<TFormIntegration::TypeToActOn> TFormIntegration::typesToActOn() {
  QList<TypeToActOn> out;
  auto add = [&out](const QByteArray& type, const QByteArray& ext) {
    for (TypeToActOn& t : out) {
      if (t.type != type) continue;
      if (!ext.isEmpty() && !t.extensions.contains(ext)) t.extensions << ext;
      return;
    }
    out.append({type, ext.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{ext}});
  };
  for (const QByteArray& ext : state_.opt.ShellExt) {
    const QByteArray type = backend_->fileType(ext);
    if (!type.isEmpty()) add(type, ext);
  }
  if (ui->CheckBoxLinux->isChecked())
    for (const QByteArray& t : LinuxExecutableTypes()) add(t, {});
  if (ui->CheckBoxWindows->isChecked())
    for (const QByteArray& t : WindowsExecutableTypes()) add(t, {});
  // Folders come with the programs: a folder stands for the executables inside it.
  if (!out.isEmpty()) add(FolderType(), {});
  return out;
}

namespace {

// A button's caption as a sentence reads it: without the mnemonic's "&" ("&&" is one "&").
QString plainCaption(const QPushButton* button) {
  QString text = button->text();
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

}  // namespace

void TFormIntegration::report(const QPushButton* button, const QList<TypeToActOn>& types) {
  QStringList lines;
  for (const TypeToActOn& t : types) {
    QString line = QString::fromUtf8(t.type);
    if (!t.extensions.isEmpty())
      line += QStringLiteral(" (") + QString::fromUtf8(t.extensions.join(", ")) + ')';
    lines << line;
  }
  // One call: a "%2" inside the caption is not read as the second place-holder.
  Prompts::Message(
      this, Prompts::Icon::Information,
      state_.langText(LangText::ShellDone).arg(plainCaption(button), lines.join(QLatin1Char('\n'))),
      QGuiApplication::applicationDisplayName());
}

void TFormIntegration::FormClose() {
  ButtonGetClick();
}

void TFormIntegration::ButtonGetClick() {
  ReadBackShellExt(TextLines(ui->RichEdit1->toPlainText()), state_.opt.ShellExt);
}

void TFormIntegration::ButtonAddClick() {
  ButtonGetClick();
  const QList<TypeToActOn> types = typesToActOn();
  if (types.isEmpty()) {
    Prompts::Message(this, Prompts::Icon::Information,
                     state_.langText(LangText::ShellNothingToDo).arg(plainCaption(ui->ButtonAdd)),
                     QGuiApplication::applicationDisplayName());
    return;
  }
  const QByteArray menuText = state_.langBytes(LangText::ShellMenuEntry);
  for (const TypeToActOn& t : types) {
    const ShellResult r = backend_->add(t.type, menuText);
    if (r.ok()) continue;
    LangText text = LangText::ShellWriteFailed;
    if (r.kind == ShellResult::Kind::CreateKeyFailed) text = LangText::ShellCreateFailed;
    // "%" would be read as a field code and "=" is not carried safely by every file manager.
    if (r.kind == ShellResult::Kind::PathRefused) text = LangText::ShellPathRefused;
    // What was written before this type stays, and must reach the desktop's cache too.
    backend_->finish();
    Prompts::Message(this, Prompts::Icon::Error, state_.langText(text).arg(r.where),
                     QGuiApplication::applicationDisplayName());
    return;
  }
  backend_->finish();
  report(ui->ButtonAdd, types);
}

void TFormIntegration::ButtonRemoveClick() {
  ButtonGetClick();
  const QList<TypeToActOn> types = typesToActOn();
  if (types.isEmpty()) {
    Prompts::Message(
        this, Prompts::Icon::Information,
        state_.langText(LangText::ShellNothingToDo).arg(plainCaption(ui->ButtonRemove)),
        QGuiApplication::applicationDisplayName());
    return;
  }
  for (const TypeToActOn& t : types) {
    const ShellResult r = backend_->remove(t.type);
    if (r.ok()) continue;
    backend_->finish();
    Prompts::Message(this, Prompts::Icon::Error,
                     state_.langText(LangText::ShellRemoveFailed).arg(r.where),
                     QGuiApplication::applicationDisplayName());
    return;
  }
  backend_->finish();
  report(ui->ButtonRemove, types);
}

void TFormIntegration::ButtonCloseClick() {
  close();
}

void TFormIntegration::done(int result) {
  FormClose();
  QDialog::done(result);
}

// Six lines of extensions in sight, in whatever font the box has, above its scroll bar.
void TFormIntegration::fitTextBox() {
  QPlainTextEdit* box = ui->RichEdit1;
  const int margin = int(box->document()->documentMargin());
  const int lines = 6 * box->fontMetrics().lineSpacing() + 2 * margin + 2 * box->frameWidth() +
                    box->horizontalScrollBar()->sizeHint().height();
  box->setFixedHeight(qMax(73, lines));
  // The dialog takes its new height now, before it is placed.
  layout()->activate();
}

void TFormIntegration::showEvent(QShowEvent* e) {
  if (!e->spontaneous()) {
    fitTextBox();
    FormShow();
  }
  QDialog::showEvent(e);
  Placement::PlaceDialog(this, Placement::MainWindow(), placed_);
}
