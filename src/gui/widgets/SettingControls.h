// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The controls of the settings table's rows: each row's control is the child of its window with
// the row's control name, and shows the row's value the way the row's control kind says.

#include "core/config/SettingsTable.h"

class QWidget;
struct PackOptions;
struct GlobalOptions;

namespace SettingControls {

// The control's state as the table stores it (flag 0/1, slider or spin box position, the value of
// the selected item). `current` stands when the control shows none of the row's choices.
qint64 value(const QWidget* window, const Settings::Row& row, qint64 current = 0);

// How a value reaches a radio button: Reset and the preset only select (an unselected button is
// left as it is, its partner clears it); the settings file restores the stored state as it was,
// even with neither button selected.
enum class RadioMode { SelectOnly, Restore };

// Through the control's own setter, so its change handlers run as for a change by the user and the
// control keeps the value within its range. A value that none of a choice control's items shows
// leaves the control as it is.
void setValue(QWidget* window, const Settings::Row& row, qint64 value,
              RadioMode mode = RadioMode::SelectOnly);

// Every option or preference that has a control: shown in it, or taken from it.
void show(QWidget* window, const PackOptions& values, RadioMode mode = RadioMode::SelectOnly);
void show(QWidget* window, const GlobalOptions& values);
void take(const QWidget* window, PackOptions& values);
void take(const QWidget* window, GlobalOptions& values);

}  // namespace SettingControls
