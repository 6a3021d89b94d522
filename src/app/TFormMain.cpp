#include "app/TFormMain.h"

#include "app/AppContext.h"
#include "ui_TFormMain.h"

TFormMain::TFormMain(AppContext& ctx, QWidget* parent)
    : QWidget(parent), ui(new Ui::TFormMain), ctx_(ctx) {
  ui->setupUi(this);
}

TFormMain::~TFormMain() {
  delete ui;
}

PackOptions TFormMain::packOptions() const {
  return {};
}
void TFormMain::FillText() {}
void TFormMain::SetLanguage() {}
void TFormMain::CompressValueBarChange() {}
void TFormMain::ButtonPackClick() {}
void TFormMain::ButtonUnPackClick() {}
void TFormMain::ButtonResetClick() {}
void TFormMain::ButtonMaxClick() {}
