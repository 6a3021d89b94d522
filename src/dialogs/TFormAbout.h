#pragma once

#include <QDialog>

struct AppContext;
namespace Ui {
class TFormAbout;
}

class TFormAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TFormAbout(AppContext& ctx, QWidget* parent = nullptr);
  ~TFormAbout() override;

 private:
  AppContext& ctx_;
  Ui::TFormAbout* ui;
};
