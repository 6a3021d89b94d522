#pragma once

#include <QDialog>

struct AppContext;
namespace Ui {
class TFormFTSC;
}

class TFormFTSC : public QDialog {
  Q_OBJECT
 public:
  explicit TFormFTSC(AppContext& ctx, QWidget* parent = nullptr);
  ~TFormFTSC() override;

 private:
  AppContext& ctx_;
  Ui::TFormFTSC* ui;
};
