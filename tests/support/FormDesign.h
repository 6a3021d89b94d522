// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a window's form (.ui) states, read from the form itself: tests compare the built window
// with its design instead of writing the designed numbers again.

#include <QSize>
#include <QString>
#include <QStringList>

class FormDesign {
 public:
  // `form`: its path below src/gui ("main/TFormMain.ui"); one that cannot be read ends the test.
  explicit FormDesign(const QString& form);

  // The widgets the form makes, the window first.
  QStringList widgets() const;
  // A widget's own property: a string's text; a size's or a rect's width and height.
  QString text(const QString& widget, const QString& property) const;
  QSize size(const QString& widget, const QString& property = QStringLiteral("minimumSize")) const;

 private:
  QString own(const QString& widget, const QString& property) const;
  QString ui_;
};
