#include "packer/TFormFTSC.h"

#include "app/AppContext.h"
#include "ui_TFormFTSC.h"

TFormFTSC::TFormFTSC(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx), ui(new Ui::TFormFTSC) {
  ui->setupUi(this);
}

TFormFTSC::~TFormFTSC() {
  delete ui;
}
