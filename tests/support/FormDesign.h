// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a window's form (.ui) states, read from the form itself: tests compare the built window
// with its design instead of writing the designed numbers again.

#include <QHash>
#include <QSize>
#include <QString>
#include <QVariant>

class FormDesign {
 public:
  // `form`: the path below src/gui ("main/TFormMain.ui"). A form that cannot be read ends the
  // test at once.
  explicit FormDesign(const QString& form);

  // A property of a widget as the form gives it: a rect as QRect, a size as QSize, a number as
  // int, a bool, a string (an enum or a set as its text); invalid when the form does not set it.
  QVariant property(const QString& widget, const QString& name) const;
  QSize size(const QString& widget, const QString& name = QStringLiteral("minimumSize")) const {
    return property(widget, name).toSize();
  }
  // The names of every widget the form makes, in the form's order.
  QStringList widgets() const { return widgets_; }

 private:
  QHash<QString, QVariant> properties_;  // by "widget/property"
  QStringList widgets_;
};
