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

template <typename F>
void walk(QAccessibleInterface* iface, const QString& path, int depth, F&& visit) {
  if (!iface || !iface->isValid() || depth > 40) return;
  if (iface->state().invisible) return;
  if (!visit(iface, path, depth)) return;
  for (int i = 0; i < iface->childCount(); ++i) {
    QAccessibleInterface* child = iface->child(i);
    if (child) walk(child, path + u'/' + step(child), depth + 1, visit);
  }
}

}  // namespace

QList<AccessibleControl> InteractiveControls(QWidget* window) {
  QList<AccessibleControl> out;
  QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window);
  walk(root, step(root), 0, [&](QAccessibleInterface* i, const QString& path, int) {
    const QAccessible::State s = i->state();
    if (i != root && (interactiveRole(i->role()) || s.focusable))
      out.append({path, i->role(), i->text(QAccessible::Name), i->text(QAccessible::Description),
                  i->object()});
    return !holdsItems(i->role());
  });
  return out;
}

QString DescribeTree(QWidget* window) {
  QString out;
  QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window);
  walk(root, step(root), 0, [&](QAccessibleInterface* i, const QString& path, int depth) {
    out += QString(depth * 2, u' ') +
           QStringLiteral("%1 role=0x%2 name=\"%3\" desc=\"%4\" focusable=%5\n")
               .arg(path)
               .arg(int(i->role()), 0, 16)
               .arg(i->text(QAccessible::Name), i->text(QAccessible::Description))
               .arg(i->state().focusable);
    return !holdsItems(i->role());
  });
  return out;
}
