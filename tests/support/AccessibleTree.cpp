// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AccessibleTree.h"

#include <QWidget>

namespace {

bool interactiveRole(QAccessible::Role role) {
  switch (role) {
    case QAccessible::PushButton:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::Dial:
    case QAccessible::Table:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::PageTab:
    case QAccessible::Link:
    case QAccessible::Terminal:
    case QAccessible::ColumnHeader:
      return true;
    default:
      return false;
  }
}

bool holdsItems(QAccessible::Role role) {
  return role == QAccessible::Table || role == QAccessible::List || role == QAccessible::Tree;
}

QString step(QAccessibleInterface* iface) {
  QObject* o = iface->object();
  if (o && !o->objectName().isEmpty()) return o->objectName();
  if (o) return QString::fromLatin1(o->metaObject()->className());
  return QStringLiteral("(role 0x%1)").arg(int(iface->role()), 0, 16);
}

// Visits the shown interfaces from `iface` down, into the children of those `visit` says yes to.
template <typename F>
void walk(QAccessibleInterface* iface, const QString& path, F&& visit) {
  if (!iface || !iface->isValid() || iface->state().invisible || !visit(iface, path)) return;
  for (int i = 0; i < iface->childCount(); ++i)
    if (QAccessibleInterface* child = iface->child(i))
      walk(child, path + u'/' + step(child), visit);
}

}  // namespace

QList<AccessibleControl> InteractiveControls(QWidget* window) {
  QList<AccessibleControl> out;
  QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window);
  walk(root, step(root), [&](QAccessibleInterface* i, const QString& path) {
    const QAccessible::State s = i->state();
    if (i != root && (interactiveRole(i->role()) || s.focusable))
      out.append({path, i->role(), i->text(QAccessible::Name), i->text(QAccessible::Description),
                  i->object()});
    return !holdsItems(i->role());
  });
  return out;
}
