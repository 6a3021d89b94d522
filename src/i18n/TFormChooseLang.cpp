#include "i18n/TFormChooseLang.h"

#include "app/AppContext.h"
#include "ui_TFormChooseLang.h"

TFormChooseLang::TFormChooseLang(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx), ui(new Ui::TFormChooseLang) {
  ui->setupUi(this);
}

TFormChooseLang::~TFormChooseLang() {
  delete ui;
}
