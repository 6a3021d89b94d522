// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The language chooser shown on the first start: a list of the language files in the program's
// folder; every selection re-localizes all windows at once, and "Continue" closes it. It cannot be
// cancelled. With no language file at all it reports that and the program must end.

#include <QDialog>
#include <QList>

#include "core/settings/ProgramState.h"

struct ProgramState;
class QTimer;
namespace Ui {
class TFormChooseLang;
}

class TFormChooseLang : public QDialog {
  Q_OBJECT
 public:
  explicit TFormChooseLang(ProgramState& state, QWidget* parent = nullptr);
  ~TFormChooseLang() override;

  QTimer* Timer1;

  bool TerminateIfNoLanguages = false;
  QByteArray LangFile;  // bare file name of the selected language
  QByteArray LangName;  // its English name
  LangTextTable Texts;  // the chooser's own copy of the text table

  // The last showing found no language file while TerminateIfNoLanguages was set: the message
  // has been shown and the program must end.
  bool terminated() const { return terminated_; }

  // The languages listed on the last showing, row by row.
  const QList<QByteArray>& languageNames() const { return names_; }
  const QList<QByteArray>& englishNames() const { return englishNames_; }
  const QList<QByteArray>& fileNames() const { return fileNames_; }

  void FormShow();
  void ComboBox1Change();
  void Button1Click();

 signals:
  // A language was selected in the list: every window should show it, its numbered texts going
  // into Texts.
  void languageSelected(const QByteArray& fileName);

 public slots:
  // There is no way to cancel: Escape and the window's close request do nothing.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  Ui::TFormChooseLang* ui;  // the controls; others reach them by their object names
  ProgramState& state_;
  bool terminated_ = false;
  QList<QByteArray> names_;
  QList<QByteArray> englishNames_;
  QList<QByteArray> fileNames_;
};
