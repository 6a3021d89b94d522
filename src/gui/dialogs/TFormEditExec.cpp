// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/TFormEditExec.h"

#include <unistd.h>

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <climits>

#include "core/packer/CommandHistory.h"
#include "core/settings/ProgramState.h"
#include "gui/widgets/Placement.h"
#include "gui/widgets/Prompts.h"
#include "ui_TFormEditExec.h"

namespace {
constexpr int ClientWidth = 641;
constexpr int ClientHeight = 57;
constexpr int ButtonWidth = 105;
constexpr int Margin = 8;
}  // namespace

TFormEditExec::TFormEditExec(ProgramState& state, QWidget* parent)
    : QDialog(parent), ui(new Ui::TFormEditExec), state_(state) {
  ui->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  // The text runs exactly as typed: no completion from the history behind the user's back.
  ui->ComboBox1->setCompleter(nullptr);
  // The edit field keeps at most 32767 characters by default and cuts the rest silently (also
  // from a paste, and slowly, character by character). Here it holds every line whole; a line
  // longer than can run is refused when it is accepted.
  ui->ComboBox1->lineEdit()->setMaxLength(INT_MAX);
  ui->ComboBox1->installEventFilter(this);
  if (ui->ComboBox1->lineEdit()) ui->ComboBox1->lineEdit()->installEventFilter(this);
  // No default button: Enter and Escape elsewhere get the focused control's usual treatment.
  ui->Button1->setDefault(false);
  ui->ButtonCancel->setDefault(false);
  connect(ui->Button1, &QPushButton::clicked, this, &TFormEditExec::Button1Click);
  connect(ui->ButtonCancel, &QPushButton::clicked, this, &TFormEditExec::ButtonCancelClick);
  connect(this, &QDialog::finished, this, &TFormEditExec::closed);
  fitToContents();
}

TFormEditExec::~TFormEditExec() {
  delete ui;
}

// The designed sizes, enlarged where the style's controls or a caption would not fit.
void TFormEditExec::fitToContents() {
  const int buttonHeight =
      qMax(25, qMax(ui->Button1->sizeHint().height(), ui->ButtonCancel->sizeHint().height()));
  const int buttonWidth = qMax(
      ButtonWidth, qMax(ui->Button1->sizeHint().width(), ui->ButtonCancel->sizeHint().width()));
  const int comboTop = qMax(32, 4 + buttonHeight + 3);
  const int comboHeight = qMax(21, ui->ComboBox1->sizeHint().height());
  const int width = qMax(ClientWidth, 2 * buttonWidth + 7 + 2 * Margin);
  const int height = qMax(ClientHeight, comboTop + comboHeight + 4);
  ui->ButtonCancel->setGeometry(width - Margin - buttonWidth, 4, buttonWidth, buttonHeight);
  ui->Button1->setGeometry(width - Margin - 2 * buttonWidth - 7, 4, buttonWidth, buttonHeight);
  ui->ComboBox1->setGeometry(Margin, comboTop, width - 2 * Margin, comboHeight);
  setFixedSize(width, height);
}

qsizetype TFormEditExec::MaxLineLength() {
  const long argMax = ::sysconf(_SC_ARG_MAX);
  return qBound(qsizetype(128 * 1024), qsizetype(argMax > 0 ? argMax : 0), qsizetype(INT_MAX - 1));
}

void TFormEditExec::refuseLongLine(qsizetype length) {
  Prompts::Message(isVisible() ? this : nullptr, Prompts::Icon::Error,
                   state_.langText(LangText::LineTooLong, QString::number(length),
                                   QString::number(MaxLineLength())),
                   state_.langText(LangText::ErrorCaption));
}

void TFormEditExec::Run(int editMode, const QString& acceptCaption,
                        const QByteArray& proposedLine) {
  ProgramState& s = state_;
  const bool pack = editMode == 0;
  // Whatever closes the dialog without accepting must run nothing.
  s.PendingPackCommand.clear();
  s.PendingUnpackCommand.clear();
  const QString proposed = CommandText::ToText(proposedLine);
  if (proposed.size() > MaxLineLength()) return refuseLongLine(proposed.size());

  setWindowTitle(s.langText(LangText::EditorCaption));
  ui->Button1->setText(acceptCaption);
  EditMode = pack ? 0 : 1;
  ui->ComboBox1->clear();
  for (const QByteArray& line : pack ? s.CmdPackLines : s.CmdUnPackLines)
    ui->ComboBox1->addItem(CommandText::ToText(line));
  ui->ComboBox1->setCurrentIndex(-1);
  ui->ComboBox1->setEditText(proposed);
  fitToContents();
  Placement::CentreOn(this, Placement::MainWindow());
  ui->Button1->setFocus();
  // Modal to the whole program, as exec() would make it; the answer comes by finished().
  setWindowModality(Qt::ApplicationModal);
  show();
}

void TFormEditExec::closed() {
  ProgramState& s = state_;
  const bool pack = EditMode == 0;
  const QByteArray pending = pack ? s.PendingPackCommand : s.PendingUnpackCommand;
  if (pending.isEmpty()) return;
  CommandHistory::Add(pack ? s.CmdPackLines : s.CmdUnPackLines, pending, s.opt.CmdLinesMax);
  emit lineAccepted(EditMode, pending);
}

void TFormEditExec::Button1Click() {
  ProgramState& s = state_;
  s.PendingPackCommand.clear();
  s.PendingUnpackCommand.clear();
  const QString shown = ui->ComboBox1->currentText();
  // It could not run whole: neither run nor stored; the user may shorten it.
  if (shown.size() > MaxLineLength()) return refuseLongLine(shown.size());
  const QByteArray text = CommandText::FromText(shown);
  if (EditMode == 0)
    s.PendingPackCommand = text;
  else if (EditMode == 1)
    s.PendingUnpackCommand = text;
  accept();
}

void TFormEditExec::ButtonCancelClick() {
  state_.PendingPackCommand.clear();
  state_.PendingUnpackCommand.clear();
  reject();
}

bool TFormEditExec::ComboBox1KeyPress(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Button1Click();
      return true;
    case Qt::Key_Escape:
      ButtonCancelClick();
      return true;
    default:
      return false;
  }
}

bool TFormEditExec::eventFilter(QObject* watched, QEvent* event) {
  const bool combo = watched == ui->ComboBox1 || watched == ui->ComboBox1->lineEdit();
  if (combo && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // While the drop-down list is open its keys go to the list, not here.
    if (ComboBox1KeyPress(key)) return true;
  }
  return QDialog::eventFilter(watched, event);
}
