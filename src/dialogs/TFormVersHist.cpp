#include "dialogs/TFormVersHist.h"

#include "app/AppContext.h"
#include "ui_TFormVersHist.h"

TFormVersHist::TFormVersHist(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx), ui(new Ui::TFormVersHist) {
  ui->setupUi(this);
}

TFormVersHist::~TFormVersHist() {
  delete ui;
}
