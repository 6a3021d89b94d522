// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command-line histories of the editor: newest entry first, one list for packing and one for
// unpacking, both limited by CmdLinesMax. Only an accepted text changes a history.

#include <QByteArray>
#include <QList>
#include <QString>

namespace CommandHistory {

// Puts an accepted text at the top: its first earlier copy (exact, case-sensitive) is removed, the
// text is inserted at position 0, and the list is cut from its end to at most maxEntries. An empty
// text changes nothing (the editor runs nothing then).
void Add(QList<QByteArray>& history, const QByteArray& text, quint32 maxEntries);

}  // namespace CommandHistory

namespace CommandText {

// Command lines are bytes (UTF-8 as a rule, but a file name may hold any byte); the editor shows
// them as QString. Bytes that are not valid UTF-8 are shown as the lone surrogates U+DC80..U+DCFF
// and turned back into the same bytes, so a line accepted unchanged runs byte for byte.
QString ToText(const QByteArray& line);
QByteArray FromText(const QString& text);

}  // namespace CommandText
