// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editable form of a language file: UTF-8 text, one "NAME=VALUE" entry per line, turned into
// the configuration file the program reads. Lines starting with "#" and empty lines are skipped;
// the name is everything before the first "=", the value everything after it, as it stands. In
// values "\n" stands for a line break (CR LF) and "\\" for one backslash.

#include <QByteArray>

class TCFGfile;

namespace LanguageSource {

// Fills `out` (cleared first) with one string entry per source line, in order. False with a
// message naming the line when a line has no "=", an empty name, an unknown escape or a name
// that was already given, or holds what a language file cannot keep: a carriage return other
// than the line's end, byte 26, or bytes that are not UTF-8.
bool Convert(const QByteArray& source, TCFGfile& out, QByteArray& error);

}  // namespace LanguageSource
