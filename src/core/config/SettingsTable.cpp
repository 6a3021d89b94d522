// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/config/SettingsTable.h"

namespace Settings {

int Row::itemOf(qint64 value) const {
  if (choiceCount == 0) return int(value);
  for (int i = 0; i < choiceCount; ++i)
    if (choices[i] == value) return i;
  return -1;
}

qint64 Row::valueOf(int item, qint64 current) const {
  if (choiceCount == 0) return item;
  return item >= 0 && item < choiceCount ? choices[item] : current;
}

}  // namespace Settings
