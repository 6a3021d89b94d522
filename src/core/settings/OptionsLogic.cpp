// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/OptionsLogic.h"

#include "core/settings/ProgramState.h"

namespace OptionsLogic {

void ResetPreferences(GlobalOptions& opt) {
  ForEachPreference(opt, [](const Settings::Row& row, auto& value) {
    if (row.reset) Settings::SetNumber(value, row.defaultValue);
  });
}

int LanguageRowToSelect(const QList<QByteArray>& englishNames, const QByteArray& langName) {
  if (englishNames.isEmpty()) return -1;
  const qsizetype last = englishNames.lastIndexOf(langName);
  return last >= 0 ? int(last) : 0;
}

}  // namespace OptionsLogic
