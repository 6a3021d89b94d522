// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/TFormFTSC.h"

#include "core/settings/ProgramState.h"
#include "gui/widgets/Placement.h"
#include "ui_TFormFTSC.h"

TFormFTSC::TFormFTSC(ProgramState& state, QWidget* parent)
    : QDialog(parent), ui(new Ui::TFormFTSC), state_(state) {
  ui->setupUi(this);
  // Its layout gives it the designed 305 x 127 at 8 points and more where the texts need it.
  connect(ui->Button1, &QPushButton::clicked, this, &TFormFTSC::Button1Click);
}

TFormFTSC::~TFormFTSC() {
  delete ui;
}

void TFormFTSC::Button1Click() {
  if (ui->CheckBoxDontShow->isChecked()) state_.opt.GlobalOpt_FirstTimeShowConsol = 1;
  accept();
}

void TFormFTSC::showEvent(QShowEvent* event) {
  // Centred on the screen the main window is on.
  Placement::CentreOn(this, Placement::MainWindow());
  QDialog::showEvent(event);
}
