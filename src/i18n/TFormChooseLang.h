#pragma once

#include <QDialog>

struct AppContext;
namespace Ui {
class TFormChooseLang;
}

class TFormChooseLang : public QDialog {
  Q_OBJECT
 public:
  explicit TFormChooseLang(AppContext& ctx, QWidget* parent = nullptr);
  ~TFormChooseLang() override;

 private:
  AppContext& ctx_;
  Ui::TFormChooseLang* ui;
};
