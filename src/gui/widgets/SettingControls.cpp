// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/SettingControls.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QRadioButton>
#include <QSpinBox>

#include "core/packer/PackOptions.h"
#include "core/settings/ProgramState.h"
#include "gui/widgets/RadioGroup.h"

using Settings::Control;
using Settings::Row;

namespace SettingControls {

namespace {

template <typename T>
T* control(const QWidget* window, const Row& row) {
  T* c = window->findChild<T*>(QLatin1String(row.objectName()));
  Q_ASSERT_X(c, row.objectName(), "the settings table names a control the window does not have");
  return c;
}

// The radio buttons of a box, in their order in the form.
QList<QRadioButton*> radioButtons(const QWidget* window, const Row& row) {
  return control<QWidget>(window, row)->findChildren<QRadioButton*>();
}

void setRadioButton(QAbstractButton* b, bool on, RadioMode mode) {
  if (!on && mode == RadioMode::SelectOnly) return;
  // A selected radio button will not untick itself while it is auto-exclusive.
  const bool exclusive = b->autoExclusive();
  if (!on && exclusive) b->setAutoExclusive(false);
  b->setChecked(on);
  b->setAutoExclusive(exclusive);
}

void setSpinBox(QSpinBox* spin, const Row& row, qint64 value) {
  spin->setRange(int(row.minimum), int(row.limited(row.maximum)));
  spin->setValue(int(qBound(qint64(INT_MIN), value, qint64(INT_MAX))));
}

// A text that is not a number counts as the box's minimum.
qint64 spinBoxValue(const QSpinBox* spin) {
  bool ok = false;
  const int n = spin->cleanText().trimmed().toInt(&ok);
  return ok ? qBound(spin->minimum(), n, spin->maximum()) : spin->minimum();
}

}  // namespace

qint64 value(const QWidget* window, const Row& row, qint64 current) {
  switch (row.control) {
    case Control::None:
      return current;
    case Control::CheckBox:
    case Control::RadioButton:
      return control<QAbstractButton>(window, row)->isChecked() ? 1 : 0;
    case Control::Slider:
      return control<QAbstractSlider>(window, row)->value();
    case Control::SpinBox:
      return spinBoxValue(control<QSpinBox>(window, row));
    case Control::RadioGroup:
      return row.valueOf(control<RadioGroup>(window, row)->itemIndex(), current);
    case Control::RadioButtons: {
      const QList<QRadioButton*> buttons = radioButtons(window, row);
      for (int i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked()) return row.valueOf(i, current);
      return current;
    }
  }
  return current;
}

void setValue(QWidget* window, const Row& row, qint64 value, RadioMode mode) {
  const int item = row.itemOf(value);
  switch (row.control) {
    case Control::None:
      break;
    case Control::CheckBox:
      control<QAbstractButton>(window, row)->setChecked(value != 0);
      break;
    case Control::RadioButton:
      setRadioButton(control<QAbstractButton>(window, row), value != 0, mode);
      break;
    case Control::Slider:
      control<QAbstractSlider>(window, row)->setValue(int(value));
      break;
    case Control::SpinBox:
      setSpinBox(control<QSpinBox>(window, row), row, value);
      break;
    case Control::RadioGroup:
      if (item >= 0 || row.choiceCount == 0) control<RadioGroup>(window, row)->setItemIndex(item);
      break;
    case Control::RadioButtons: {
      const QList<QRadioButton*> buttons = radioButtons(window, row);
      if (item >= 0 && item < buttons.size()) buttons[item]->setChecked(true);
      break;
    }
  }
}

namespace {

template <typename O, typename Each>
void showAll(QWidget* window, const O& values, Each forEach, RadioMode mode) {
  forEach(values, [&](const Row& row, const auto& field) {
    if (row.control != Control::None) setValue(window, row, Settings::NumberOf(field), mode);
  });
}

template <typename O, typename Each>
void takeAll(const QWidget* window, O& values, Each forEach) {
  forEach(values, [&](const Row& row, auto& field) {
    if (row.control != Control::None)
      Settings::SetNumber(field, value(window, row, Settings::NumberOf(field)));
  });
}

}  // namespace

void show(QWidget* window, const PackOptions& values, RadioMode mode) {
  showAll(
      window, values, [](auto& v, auto&& f) { ForEachOption(v, f); }, mode);
}
void show(QWidget* window, const GlobalOptions& values) {
  showAll(
      window, values, [](auto& v, auto&& f) { ForEachPreference(v, f); }, RadioMode::SelectOnly);
}
void take(const QWidget* window, PackOptions& values) {
  takeAll(window, values, [](auto& v, auto&& f) { ForEachOption(v, f); });
}
void take(const QWidget* window, GlobalOptions& values) {
  takeAll(window, values, [](auto& v, auto&& f) { ForEachPreference(v, f); });
}

}  // namespace SettingControls
