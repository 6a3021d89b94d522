// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rules of the Options dialog that need no window: priority classes and their items, the
// defaults that Reset writes, and which language row is preselected.

#include <QByteArray>
#include <QList>

struct GlobalOptions;

namespace OptionsLogic {

// Items of the priority group, in their order: realtime, high, normal, low.
constexpr quint32 PriorityClasses[4] = {256, 128, 32, 64};

// The item showing a priority class, or -1 for a value that none shows.
int PriorityItemForClass(quint32 priorityClass);
// The class of an item; -1 or an unknown item keeps the current value.
quint32 PriorityClassForItem(int item, quint32 current);

// Writes the defaults of the preferences the Options dialog shows (its Reset): fast open, drag
// action, console release, priority, stay on top, hints and history length. The language and
// every other setting stay as they are.
void ResetPreferences(GlobalOptions& opt);

// The row to select in a language list: the last one whose English name equals langName exactly,
// else row 0; -1 when the list is empty.
int LanguageRowToSelect(const QList<QByteArray>& englishNames, const QByteArray& langName);

}  // namespace OptionsLogic
