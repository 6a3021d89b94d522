// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/PackOptions.h"

PackOptions BestPackOptions() {
  PackOptions o;
  ForEachOption(o, [](const Settings::Row& row, auto& value) {
    Settings::SetNumber(value, row.presetValue);
  });
  return o;
}
