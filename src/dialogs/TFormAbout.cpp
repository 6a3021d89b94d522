#include "dialogs/TFormAbout.h"

#include "app/AppContext.h"
#include "ui_TFormAbout.h"

TFormAbout::TFormAbout(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx), ui(new Ui::TFormAbout) {
  ui->setupUi(this);
}

TFormAbout::~TFormAbout() {
  delete ui;
}

void TFormAbout::UpdateVersionLabels() {}
