#include "gui/console/TFormFTSC.h"


#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Placement.h"
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
  // Centred on the screen the main window is on.
  Placement::CentreOn(this, ctx_.FormMain);
  QDialog::showEvent(event);
}
