#include "dialogs/TFormOpt.h"

#include "app/AppContext.h"
#include "ui_TFormOpt.h"

TFormOpt::TFormOpt(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx), ui(new Ui::TFormOpt) {
  ui->setupUi(this);
}

TFormOpt::~TFormOpt() {
  delete ui;
}
