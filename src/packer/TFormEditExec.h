#pragma once

#include <QDialog>

struct AppContext;
namespace Ui {
class TFormEditExec;
}

class TFormEditExec : public QDialog {
  Q_OBJECT
 public:
  explicit TFormEditExec(AppContext& ctx, QWidget* parent = nullptr);
  ~TFormEditExec() override;

 private:
  AppContext& ctx_;
  Ui::TFormEditExec* ui;
};
