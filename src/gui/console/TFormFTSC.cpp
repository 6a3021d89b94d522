#include "gui/console/TFormFTSC.h"

#include <QGuiApplication>
#include <QScreen>

#include "gui/main/AppContext.h"
#include "ui_TFormFTSC.h"

TFormFTSC::TFormFTSC(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ui(new Ui::TFormFTSC), ctx_(ctx) {
  ui->setupUi(this);
  // Its layout gives it the designed 305 x 127 at 8 points and more where the texts need it.
  connect(ui->Button1, &QPushButton::clicked, this, &TFormFTSC::Button1Click);
}

TFormFTSC::~TFormFTSC() {
  delete ui;
}

void TFormFTSC::Button1Click() {
  if (ui->CheckBoxDontShow->isChecked()) ctx_.state.opt.GlobalOpt_FirstTimeShowConsol = 1;
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
