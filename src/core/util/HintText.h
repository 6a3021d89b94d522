// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a hint is shaped before it is shown: every separator becomes a line break, the text is
// shown as plain text (never read as markup), and a hint never starts right at the bottom of the
// screen. Pure functions, so they can be checked without showing a tool tip.

#include <QChar>
#include <QString>

namespace HintText {

// What separates the lines of a hint in language files.
inline constexpr char16_t Separator = u'@';

// Every `separator` in `hint` replaced by a line break ("\n"), wherever it stands.
QString Shape(const QString& hint, QChar separator = Separator);

// Rich text that shows `text` literally, line by line (tool tips take rich text; this keeps a
// "<b>" in a hint from being read as markup; empty lines, the last one included, stay).
QString ToRichText(const QString& text);

// A hint whose top would start within 10 pixels of the screen's bottom starts 11 pixels above it.
int ClampTop(int top, int screenHeight);

}  // namespace HintText
