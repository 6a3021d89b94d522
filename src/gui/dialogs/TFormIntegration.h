// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The shell-integration dialog: the user lists file extensions and ticks executable file types
// (for programs without an extension), and adds to, or removes from, the file manager's context
// menu of those types an entry that opens the file in Packhelm. It edits the setting ShellExt and,
// through a ShellIntegration, the desktop's menu entries. Add and Remove report what they did.

#include <QDialog>
#include <memory>

struct ProgramState;
class QPushButton;
class ShellIntegration;
namespace Ui {
class TFormIntegration;
}

class TFormIntegration : public QDialog {
  Q_OBJECT
 public:
  explicit TFormIntegration(ProgramState& state, QWidget* parent = nullptr);
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

  // The file types Add and Remove act on, in order and each once: those of the listed extensions
  // (with the extensions that gave them), then the ticked executable types.
  struct TypeToActOn {
    QByteArray type;
    QList<QByteArray> extensions;
  };
  QList<TypeToActOn> typesToActOn();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void fitTextBox();

  ProgramState& state_;
  Ui::TFormIntegration* ui;
  std::unique_ptr<ShellIntegration> backend_;
  bool placed_ = false;

  // A box is ticked on showing when its types have entries on the desktop, or when no executable
  // type has one yet (the first time, the choice a user most often wants).
  void tickPresentTypes();
  void report(const QPushButton* button, const QList<TypeToActOn>& types);
};
