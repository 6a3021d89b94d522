// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Options dialog: program-wide preferences and the interface language. It fills its controls
// from the settings in memory on every showing, writes them back only on Apply, and writes the
// defaults at once on Reset. The option groups sit in a pane taller than the window that the two
// arrow strips scroll.

#include <QByteArray>
#include <QDialog>
#include <QList>

#include "core/settings/ProgramState.h"

class QRadioButton;
class QTimer;
namespace Ui {
class TFormOpt;
}

class TFormOpt : public QDialog {
  Q_OBJECT
 public:
  explicit TFormOpt(ProgramState& state, QWidget* parent = nullptr);
  ~TFormOpt() override;

  // Pixels the pane moves per timer tick; negative scrolls up. Kept between showings.
  int ScrollSpeed = 0;
  QTimer* Timer1;

  // The languages found on the last showing, row by row of ComboBox1.
  const QList<QByteArray>& languageNames() const { return names_; }
  const QList<QByteArray>& languageEnglishNames() const { return englishNames_; }
  const QList<QByteArray>& languageFileNames() const { return fileNames_; }

  void FormShow();
  void ButtonApplyClick();
  void ButtonResetClick();
  void ButtonCloseClick();
  void ButtonCCClick();
  void Timer1Timer();
  void ScrollBox1Click();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void SpeedButton1MouseMove();
  void SpeedButton2MouseMove();

 signals:
  // Apply: a language was chosen (every window should show it), or only the preferences changed.
  // Either way the main window re-applies what depends on them.
  void languageChosen(const QByteArray& fileName);
  void preferencesChanged();
  void closeConsoleRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Ui::TFormOpt* ui;  // the controls; others reach them by their object names
  // The console-release buttons and the choice each stands for.
  QList<std::pair<QRadioButton*, CloseCon>> closeConButtons() const;
  void setScrollSpeed(int speed);
  void makePictures();
  void arrangePane();

  ProgramState& state_;
  QList<QByteArray> names_;
  QList<QByteArray> englishNames_;
  QList<QByteArray> fileNames_;
};
