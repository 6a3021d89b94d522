#pragma once
// The shell-integration dialog: the user lists file extensions and adds to, or removes from, the
// file manager's context menu of their file types an entry that opens the file in Packhelm. It
// edits the setting ShellExt and, through a ShellIntegration, the desktop's menu entries.

#include <QDialog>
#include <memory>

struct AppContext;
class ShellIntegration;
namespace Ui {
class TFormIntegration;
}

class TFormIntegration : public QDialog {
  Q_OBJECT
 public:
  explicit TFormIntegration(AppContext& ctx, QWidget* parent = nullptr);
  ~TFormIntegration() override;

  void FormShow();
  void FormClose();
  void ButtonGetClick();
  void ButtonAddClick();
  void ButtonRemoveClick();
  void ButtonCloseClick();

  ShellIntegration& backend() { return *backend_; }
  void setBackend(std::unique_ptr<ShellIntegration> backend);

  // Closing in any way reads the text box back.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void fitTextBox();

  AppContext& ctx_;
  Ui::TFormIntegration* ui;
  std::unique_ptr<ShellIntegration> backend_;
  bool placed_ = false;
};
