// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The packing options: the states of the main window's option controls as a plain value. The
// fields and their defaults come from the settings table's option rows.

#include "core/config/SettingsTable.h"

// The values of the main window's packing options. Every field starts at its table default; the
// two names are what the window shows, not stored here.
#define PACKHELM_OPTION_FIELD(key, control, def, ...) \
  Settings::OptionType<Settings::Control::control> key = def;
struct PackOptions {
  PACKHELM_SETTINGS(PACKHELM_SETTING_NONE, PACKHELM_OPTION_FIELD, PACKHELM_SETTING_NONE)
  QByteArray EditFileName;
  QByteArray EditOutFile;

  bool operator==(const PackOptions&) const = default;
};
#undef PACKHELM_OPTION_FIELD

// Visits every option of `o` (a PackOptions, const or not) with its row, in table order.
template <typename O, typename F>
void ForEachOption(O& o, F&& f) {
#define PACKHELM_VISIT(key, ...) f(Settings::RowOf(Settings::Key::key), o.key);
  PACKHELM_SETTINGS(PACKHELM_SETTING_NONE, PACKHELM_VISIT, PACKHELM_SETTING_NONE)
#undef PACKHELM_VISIT
}

// The maximum-compression preset (a default-constructed value holds the defaults).
PackOptions BestPackOptions();
