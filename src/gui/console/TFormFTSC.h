// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The first-time console warning: closing the console window with its close button ends the
// whole program. Shown before a new console while GlobalOpt_FirstTimeShowConsol is 0.

#include <QDialog>

struct ProgramState;
namespace Ui {
class TFormFTSC;
}

class TFormFTSC : public QDialog {
  Q_OBJECT
 public:
  explicit TFormFTSC(ProgramState& state, QWidget* parent = nullptr);
  ~TFormFTSC() override;

  // OK: a ticked box stops the warning (the flag is saved with the settings); then close.
  void Button1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  Ui::TFormFTSC* ui;
  ProgramState& state_;
};
