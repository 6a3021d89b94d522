// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rules of the Options dialog that need no window: the defaults that Reset writes, and which
// language row is preselected.

#include <QByteArray>
#include <QList>

struct GlobalOptions;

namespace OptionsLogic {

// Writes the defaults of the preferences the Options dialog's Reset covers (the rows marked so in
// the settings table). The language and every other setting stay as they are.
void ResetPreferences(GlobalOptions& opt);

// The row to select in a language list: the last one whose English name equals langName exactly,
// else row 0; -1 when the list is empty.
int LanguageRowToSelect(const QList<QByteArray>& englishNames, const QByteArray& langName);

}  // namespace OptionsLogic
