// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/OptionsLogic.h"

#include "core/settings/ProgramState.h"

namespace OptionsLogic {

namespace {
const Settings::Row& priorityRow() {
  return Settings::RowOf(Settings::Key::GlobalOpt_PriorityClass);
}
}  // namespace

int PriorityItemForClass(quint32 priorityClass) {
  return priorityRow().itemOf(priorityClass);
}

quint32 PriorityClassForItem(int item, quint32 current) {
  return quint32(priorityRow().valueOf(item, current));
}

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
