// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Application-wide hint shaping: while Active, every Separator in a hint is shown as a line
// break, and a hint never starts within 10 pixels of the screen's bottom. It also decides which
// windows show hints at all (the main window's hints can be switched off, with exceptions).
// Hints are always shown as plain text; the controls' stored hints are never changed.

#include <QObject>
#include <QSet>
#include <QString>

class QWidget;
class QHelpEvent;

class TMultiHint : public QObject {
  Q_OBJECT
 public:
  // Installs itself as the one application-wide hint hook (an event filter on the application).
  explicit TMultiHint(QObject* owner);
  ~TMultiHint() override;

  bool Active = true;
  char Separator = '@';

  // Hints of the controls of `window` are shown or not (ButtonIntegration-like exceptions below).
  void setHintsShown(QWidget* window, bool shown);
  // This control shows its hint even while its window's hints are off.
  void setAlwaysShowHint(QWidget* control);

  // The text a hint is shown with (rich text that shows the hint literally).
  QString shownText(const QString& hint) const;

  // Distance from the pointer to the top of a tool tip, as the tool tip places itself.
  static constexpr int TipOffsetY = 16;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool showHint(QWidget* w, QHelpEvent* e);

  QSet<QWidget*> hintsOff_;
  QSet<QWidget*> alwaysShown_;
};
