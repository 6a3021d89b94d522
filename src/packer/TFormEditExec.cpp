#include "packer/TFormEditExec.h"

#include "app/AppContext.h"
#include "ui_TFormEditExec.h"

TFormEditExec::TFormEditExec(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx), ui(new Ui::TFormEditExec) {
  ui->setupUi(this);
}

TFormEditExec::~TFormEditExec() {
  delete ui;
}

void TFormEditExec::Run(int) {}
