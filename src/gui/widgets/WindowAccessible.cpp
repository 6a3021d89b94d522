// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/WindowAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace WindowAccessible {

namespace {

QAccessibleInterface* plainWindow(const QString& className, QObject* object) {
  // Asked for each class of the object from its own upwards: a plain widget's windows reach
  // "QWidget" with no interface of their own.
  if (className != QLatin1String("QWidget") || !object || !object->isWidgetType()) return nullptr;
  auto* w = static_cast<QWidget*>(object);
  return w->isWindow() ? new QAccessibleWidget(w, QAccessible::Window) : nullptr;
}

}  // namespace

void Install() {
  static const bool installed = (QAccessible::installFactory(plainWindow), true);
  Q_UNUSED(installed);
}

}  // namespace WindowAccessible
