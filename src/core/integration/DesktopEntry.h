// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing the few parts of freedesktop.org desktop entries that the shell integration needs:
// value escapes and the quoting of an Exec argument.

#include <QByteArray>

namespace DesktopEntry {

// A string value as it stands in the file: backslash, newline, tab and carriage return escaped,
// a leading blank written as "\s" (readers drop leading blanks of values).
QByteArray EscapeString(const QByteArray& value);

// False when the path cannot be carried by an Exec key without ambiguity: not UTF-8, a control
// character, "%" (field codes) or "=".
bool ExecPathWritable(const QByteArray& path);

// One argument of an Exec key quoted by the Desktop Entry rules ("..." with \" \` \$ \\ inside),
// before the string escapes are applied.
QByteArray QuoteExecArg(const QByteArray& arg);

// The Exec value as written in the file: the quoted program, a blank, then the field code.
QByteArray ExecValue(const QByteArray& program, const QByteArray& fieldCode);

}  // namespace DesktopEntry
