// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Thin helpers over the program's console, in the console's own terms: each works on the console
// current at the moment of the call (ConsoleEx::SetCurrent), like a standard output handle.
// Without a console the helpers do nothing and those with a result return false.

#include <QByteArray>

class ScreenModel;

namespace ConsoleEx {

void SetCurrent(ScreenModel* screen);  // nullptr: no console
ScreenModel* Current();

bool ConsoleSetTitle(const QByteArray& text);
// One character at a time, as the console gets it.
void ConsoleWrite(const QByteArray& text);
// ConsoleWrite, then a single line feed (no carriage return; the line feed starts the row anew).
void ConsoleWriteLn(const QByteArray& text);
bool ConsoleGotoXY(quint16 column, quint16 row);
bool ConsoleGotoX(quint16 column);
quint16 ConsoleWhereY();
bool ConsoleSetTextAttr(int foreground, int background);
bool ConsoleGetCursorInfo(int& size, bool& visible);
bool ConsoleHideCursor();
bool ConsoleGetScreenSize(int& columns, int& rows);
bool ConsoleSetBufferSize(int columns, int rows);
// absolute = false: the rectangle is relative to the current window.
bool ConsoleSetWindowRect(bool absolute, int left, int top, int right, int bottom);

}  // namespace ConsoleEx
