// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/OptionControls.h"

#include <QAbstractButton>
#include <QAbstractSlider>

#include "gui/widgets/RadioGroup.h"

namespace OptionControls {

namespace {

template <typename T>
T* control(const QWidget* window, const OptionRow& row) {
  T* c = window->findChild<T*>(QLatin1String(row.name));
  Q_ASSERT_X(c, row.name, "the option table names a control the window does not have");
  return c;
}

}  // namespace

int value(const QWidget* window, const OptionRow& row) {
  switch (row.kind) {
    case OptionKind::CheckBox:
    case OptionKind::RadioButton:
      return control<QAbstractButton>(window, row)->isChecked() ? 1 : 0;
    case OptionKind::Slider:
      return control<QAbstractSlider>(window, row)->value();
    case OptionKind::RadioGroup:
      return control<RadioGroup>(window, row)->itemIndex();
  }
  return 0;
}

void setValue(QWidget* window, const OptionRow& row, int value, RadioMode mode) {
  switch (row.kind) {
    case OptionKind::CheckBox:
      control<QAbstractButton>(window, row)->setChecked(value != 0);
      break;
    case OptionKind::RadioButton: {
      QAbstractButton* b = control<QAbstractButton>(window, row);
      if (value == 0 && mode == RadioMode::SelectOnly) break;
      // A selected radio button will not untick itself while it is auto-exclusive.
      const bool exclusive = b->autoExclusive();
      if (value == 0 && exclusive) b->setAutoExclusive(false);
      b->setChecked(value != 0);
      b->setAutoExclusive(exclusive);
      break;
    }
    case OptionKind::Slider:
      control<QAbstractSlider>(window, row)->setValue(value);
      break;
    case OptionKind::RadioGroup:
      control<RadioGroup>(window, row)->setItemIndex(value);
      break;
  }
}

}  // namespace OptionControls
