// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The numbered texts the program reads, as its LangText enum names them.

#include <QList>

// Every number of the LangText enum, in the enum's order; read from the enum's own declaration,
// so that a text added to the program is checked in every language file without a list here.
QList<int> UsedTextNumbers();
