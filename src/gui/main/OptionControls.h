// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's packing option controls, reached through the option table: each row's control
// is the child of the window with the row's name.

#include "core/packer/PackOptions.h"

class QWidget;

namespace OptionControls {

// The control's state as the table stores it (flag 0/1, slider position, radio-group item).
int value(const QWidget* window, const OptionRow& row);

// How a value reaches a radio button: Reset and the preset only select (an unselected button is
// left as it is, its partner clears it); the settings file restores the stored state as it was,
// even with neither button selected.
enum class RadioMode { SelectOnly, Restore };

// Through the control's own setter, so its change handlers run as for a change by the user and the
// control keeps the value within its range.
void setValue(QWidget* window, const OptionRow& row, int value, RadioMode mode);

}  // namespace OptionControls
