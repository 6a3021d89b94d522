#pragma once
// The command-line editor: shows the command line that the pack (or unpack) button would run,
// lets the user change it or pick one from that direction's history, and hands the accepted text
// to the job.

#include <QDialog>

struct AppContext;
class QKeyEvent;
namespace Ui {
class TFormEditExec;
}

class TFormEditExec : public QDialog {
  Q_OBJECT
 public:
  explicit TFormEditExec(AppContext& ctx, QWidget* parent = nullptr);
  ~TFormEditExec() override;

  Ui::TFormEditExec* ui;  // the controls, by their names

  // 0 while a pack command line is edited, 1 while an unpack command line is.
  qint32 EditMode = 0;

  // Opens the editor for packing (0) or unpacking (1); an accepted text is put into the
  // history and run by the matching job.
  void Run(int editMode);

  void Button1Click();
  void ButtonCancelClick();
  // Enter accepts and Escape cancels while the combo box has the focus; true when handled.
  bool ComboBox1KeyPress(QKeyEvent* event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fitToContents();
  AppContext& ctx_;
};
