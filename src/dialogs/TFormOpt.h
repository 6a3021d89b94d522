#pragma once

#include <QDialog>

struct AppContext;
namespace Ui {
class TFormOpt;
}

class TFormOpt : public QDialog {
  Q_OBJECT
 public:
  explicit TFormOpt(AppContext& ctx, QWidget* parent = nullptr);
  ~TFormOpt() override;

 private:
  AppContext& ctx_;
  Ui::TFormOpt* ui;
};
