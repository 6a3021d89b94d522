// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The version history: a read-only view of the change log, in Russian when the chosen language
// is Russian, else in English. The two documents are resources of the program.

#include <QDialog>

struct ProgramState;
namespace Ui {
class TFormVersHist;
}

class TFormVersHist : public QDialog {
  Q_OBJECT
 public:
  explicit TFormVersHist(ProgramState& state, QWidget* parent = nullptr);
  ~TFormVersHist() override;

  void FormShow();
  void FormClose();

  // The resource that holds the history for a language (its English name, exactly as stored).
  static QString documentFor(const QByteArray& langName);

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  ProgramState& state_;
  Ui::TFormVersHist* ui;
  bool placed_ = false;
};
