#pragma once

#include <QDialog>

struct AppContext;
namespace Ui {
class TFormIntegration;
}

class TFormIntegration : public QDialog {
  Q_OBJECT
 public:
  explicit TFormIntegration(AppContext& ctx, QWidget* parent = nullptr);
  ~TFormIntegration() override;

 private:
  AppContext& ctx_;
  Ui::TFormIntegration* ui;
};
