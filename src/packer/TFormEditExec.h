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

  // Opens the editor for packing (0) or unpacking (1); an accepted text is put into the
  // history and run by the matching job.
  void Run(int editMode);

 private:
  AppContext& ctx_;
  Ui::TFormEditExec* ui;
};
