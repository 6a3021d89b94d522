#include "dialogs/TFormIntegration.h"

#include "app/AppContext.h"
#include "ui_TFormIntegration.h"

TFormIntegration::TFormIntegration(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx), ui(new Ui::TFormIntegration) {
  ui->setupUi(this);
}

TFormIntegration::~TFormIntegration() {
  delete ui;
}
