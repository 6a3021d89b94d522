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

  // Label11 and Label2 from the language texts 30 and 31 and the version numbers.
  void UpdateVersionLabels();

 private:
  AppContext& ctx_;
  Ui::TFormAbout* ui;
};
