// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/PackOptions.h"

PackOptions::PackOptions() {
  for (const OptionRow& row : PackOptionRows) row.set(*this, row.defaultValue);
}

PackOptions BestPackOptions() {
  PackOptions o;
  for (const OptionRow& row : PackOptionRows) row.set(o, row.bestValue);
  return o;
}
