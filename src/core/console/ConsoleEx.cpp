// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/console/ConsoleEx.h"

#include <QPointer>

#include "core/console/ScreenModel.h"

namespace ConsoleEx {

namespace {
QPointer<ScreenModel>& current() {
  static QPointer<ScreenModel> screen;
  return screen;
}
}  // namespace

void SetCurrent(ScreenModel* screen) {
  current() = screen;
}

ScreenModel* Current() {
  return current().data();
}

bool ConsoleSetTitle(const QByteArray& text) {
  ScreenModel* s = Current();
  if (!s) return false;
  s->setTitle(QString::fromUtf8(text));
  return true;
}

void ConsoleWrite(const QByteArray& text) {
  ScreenModel* s = Current();
  if (!s) return;
  // One byte per call, except that the bytes of one UTF-8 character go together (a console
  // call per byte would split the character).
  for (qsizetype i = 0; i < text.size();) {
    qsizetype len = 1;
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0xC0)
      while (i + len < text.size() && len < 4 &&
             (static_cast<unsigned char>(text[i + len]) & 0xC0) == 0x80)
        ++len;
    s->writeConsoleText(text.mid(i, len));
    i += len;
  }
}

void ConsoleWriteLn(const QByteArray& text) {
  ConsoleWrite(text);
  ConsoleWrite("\n");
}

bool ConsoleGotoXY(quint16 column, quint16 row) {
  ScreenModel* s = Current();
  return s && s->gotoXY(column, row);
}

bool ConsoleGotoX(quint16 column) {
  return ConsoleGotoXY(column, ConsoleWhereY());
}

quint16 ConsoleWhereY() {
  ScreenModel* s = Current();
  if (!s) return 0;
  s->writeConsoleText(QByteArray());  // settles a pending wrap: the console has moved on already
  return quint16(s->cursorRow());
}

bool ConsoleSetTextAttr(int foreground, int background) {
  ScreenModel* s = Current();
  return s && s->setTextAttr(foreground, background);
}

bool ConsoleGetCursorInfo(int& size, bool& visible) {
  ScreenModel* s = Current();
  if (!s) return false;
  size = s->cursorSize();
  visible = s->cursorVisible();
  return true;
}

bool ConsoleHideCursor() {
  int size = 0;
  bool visible = false;
  if (!ConsoleGetCursorInfo(size, visible)) return false;
  if (visible) Current()->setCursorVisible(false);
  return true;
}

bool ConsoleGetScreenSize(int& columns, int& rows) {
  ScreenModel* s = Current();
  if (!s) return false;
  columns = s->columns();
  rows = s->rows();
  return true;
}

bool ConsoleSetBufferSize(int columns, int rows) {
  ScreenModel* s = Current();
  return s && s->setBufferSize(columns, rows);
}

bool ConsoleSetWindowRect(bool absolute, int left, int top, int right, int bottom) {
  ScreenModel* s = Current();
  if (!s) return false;
  if (!absolute) {
    top += s->windowTop();
    bottom += s->windowTop() + s->windowRows() - 1;
    right += s->columns() - 1;
  }
  return s->setWindowRect(left, top, right, bottom);
}

}  // namespace ConsoleEx
