#include "gui/console/TFormFTSC.h"

#include <QGuiApplication>
#include <QScreen>

#include "core/settings/ProgramState.h"
#include "ui_TFormFTSC.h"

TFormFTSC::TFormFTSC(ProgramState& state, QWidget* parent)
    : QDialog(parent), ui(new Ui::TFormFTSC), state_(state) {
  ui->setupUi(this);
  setFixedSize(305, 127);
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
  // Centred on the screen, not on a window.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r = frameGeometry();
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }
  QDialog::showEvent(event);
}
