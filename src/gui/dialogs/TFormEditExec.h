// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command-line editor: shows the command line that the pack (or unpack) button would run,
// lets the user change it or pick one from that direction's history, and hands the accepted text
// to the job.

#include <QDialog>

struct ProgramState;
class QKeyEvent;
namespace Ui {
class TFormEditExec;
}

class TFormEditExec : public QDialog {
  Q_OBJECT
 public:
  explicit TFormEditExec(ProgramState& state, QWidget* parent = nullptr);
  ~TFormEditExec() override;

  // The longest line the editor runs and stores, in characters: the system's limit for a
  // program's arguments (a longer line could not be started whole anyway). A longer line is
  // refused with a message, never cut.
  static qsizetype MaxLineLength();

  // 0 while a pack command line is edited, 1 while an unpack command line is.
  qint32 EditMode = 0;

  // Opens the editor for packing (0) or unpacking (1) with the line the job would run and the
  // job button's caption on the accept button. An accepted text becomes the pending command of
  // that direction, goes into its history and is announced by lineAccepted.
  void Run(int editMode, const QString& acceptCaption, const QByteArray& proposedLine);

  void Button1Click();
  void ButtonCancelClick();
  // Enter accepts and Escape cancels while the combo box has the focus; true when handled.
  bool ComboBox1KeyPress(QKeyEvent* event);

 signals:
  // The line the matching job is to run (it is pending in the program state).
  void lineAccepted(int editMode, const QByteArray& line);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Ui::TFormEditExec* ui;  // the controls; others reach them by their object names
  void fitToContents();
  void refuseLongLine(qsizetype length);
  void closed();  // the history and lineAccepted, once the dialog is closed with a line
  ProgramState& state_;
};
