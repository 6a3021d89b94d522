// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window as assistive technology reads it: the controls a user can operate, found by walking
// the window's accessibility tree (QAccessible::queryAccessibleInterface and its children), with
// the name and description a screen reader speaks for each.

#include <QAccessible>
#include <QList>
#include <QString>

class QWidget;

struct AccessibleControl {
  QString path;  // the object names from the window down, for messages
  QAccessible::Role role = QAccessible::NoRole;
  QString name;
  QString description;
  QObject* object = nullptr;
};

// The interactive controls of `window` that are not hidden: buttons, boxes, sliders, edits,
// tables and anything else that can take the focus. The items inside tables and lists are their
// content, not controls, and are left out.
QList<AccessibleControl> InteractiveControls(QWidget* window);
