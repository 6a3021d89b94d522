#pragma once
// Application-wide hint shaping: while Active, every Separator in a hint is shown as a line
// break, and a hint never starts within 10 pixels of the screen's bottom. It also decides which
// windows show hints at all (the main window's hints can be switched off, with exceptions).

#include <QObject>
#include <QSet>
#include <QString>

class QWidget;

class TMultiHint : public QObject {
  Q_OBJECT
 public:
  explicit TMultiHint(QObject* owner);
  ~TMultiHint() override;

  bool Active = true;
  char Separator = '@';

  // Hints of the controls of `window` are shown or not (ButtonIntegration-like exceptions below).
  void setHintsShown(QWidget* window, bool shown);
  // This control shows its hint even while its window's hints are off.
  void setAlwaysShowHint(QWidget* control);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QSet<QWidget*> hintsOff_;
  QSet<QWidget*> alwaysShown_;
};
