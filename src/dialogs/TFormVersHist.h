#pragma once

#include <QDialog>

struct AppContext;
namespace Ui {
class TFormVersHist;
}

class TFormVersHist : public QDialog {
  Q_OBJECT
 public:
  explicit TFormVersHist(AppContext& ctx, QWidget* parent = nullptr);
  ~TFormVersHist() override;

 private:
  AppContext& ctx_;
  Ui::TFormVersHist* ui;
};
