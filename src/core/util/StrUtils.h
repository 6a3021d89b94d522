// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small helpers on byte strings shared by the configuration file, the language files and the
// settings. Positions count from 1, a line break is CR LF only, and "spaces" are byte 32 only.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace StrUtils {

char SelectChar(bool condition, char a, char b);

// Accepts: spaces, an optional sign, then decimal digits or a hex prefix ($, x, X, 0x, 0X) with
// hex digits, and nothing after. Anything else gives the default.
qint32 ParseInt(const QByteArray& text, qint32 def);
// Same grammar read as a signed 64-bit number; the low 32 bits are returned.
quint32 ParseCardinal(const QByteArray& text, quint32 def);
// Spaces, optional sign, digits with an optional "." and optional exponent; "." always. INF and
// NAN (any case, after the sign) read as infinity and not-a-number.
long double ParseFloat(const QByteArray& text, long double def);

QByteArray NthWord(const QByteArray& text, quint32 n, char separator);
quint32 CountWords(const QByteArray& text, char separator);
QByteArray NthLine(const QByteArray& text, quint32 n);
quint32 CountLines(const QByteArray& text);

QByteArray TrimSpaces(const QByteArray& text);
QByteArray PadLeft(const QByteArray& text, quint32 width, char fill, bool truncate);

// A file name (any bytes) as a message can show it: valid UTF-8 as its characters, every byte
// that is not UTF-8 as "\xHH", control and direction-changing characters as "\xHH" or "\uHHHH",
// and a backslash as "\\", so that no name hides, reorders or restyles the text around it.
QString ReadableName(const QByteArray& name);

}  // namespace StrUtils
