// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's screen: a grid of character cells with 16-colour attributes, a cursor and a title,
// kept by libvterm's terminal state machine. The packer's raw pty output is fed in as a terminal
// would get it; the console helpers write through writeConsoleText(), which follows the console's
// own rules (a line feed starts a new row at column 0, writing into the last column moves the
// cursor to the next row at once).
//
// Colours are indexes of the 16-colour console palette (bit 0 blue, bit 1 green, bit 2 red,
// bit 3 bright), not the ANSI order: console 1 is blue and 4 red, ANSI the other way round.
//
// The cells live in a ring of rows of our own, so that scrolling a full buffer costs one row,
// not a copy of the whole buffer: megabytes of output must not slow the packer down.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <vector>

#include "core/console/OutputGuard.h"

struct VTerm;
struct VTermState;

class ScreenModel : public QObject {
  Q_OBJECT
 public:
  struct Cell {
    char32_t ch = U' ';  // 0: right half of a double-width character
    quint8 fg = 7;
    quint8 bg = 0;
  };

  enum class Key {
    Enter,
    Tab,
    Backspace,
    Escape,
    Up,
    Down,
    Left,
    Right,
    Insert,
    Delete,
    Home,
    End,
    PageUp,
    PageDown
  };
  enum Modifier { NoModifier = 0, Shift = 1, Alt = 2, Ctrl = 4 };

  explicit ScreenModel(int columns = 80, int rows = 300, QObject* parent = nullptr);
  ~ScreenModel() override;

  int columns() const { return columns_; }
  int rows() const { return rows_; }
  const Cell& cell(int row, int column) const;
  // The text of a row (trailing blanks removed) and a rectangle's text.
  QString rowText(int row) const;

  int cursorRow() const;
  int cursorColumn() const;
  bool cursorVisible() const { return cursorVisible_; }
  int cursorSize() const { return cursorSize_; }

  QString title() const { return title_; }
  void setTitle(const QString& title);

  // Console side (the helpers). Each returns false when the console would refuse the call.
  void writeConsoleText(const QByteArray& text);
  bool gotoXY(int column, int row);
  bool setTextAttr(int fg, int bg);
  void setCursorVisible(bool visible);
  bool setBufferSize(int columns, int rows);
  // The part of the buffer the window shows; the view follows it when it changes.
  bool setWindowRect(int left, int top, int right, int bottom);
  int windowTop() const { return windowTop_; }
  int windowRows() const { return windowRows_; }

  // A line in the given colours that leaves the current colours as they were.
  void writeNote(const QByteArray& text, int fg, int bg);

  // Terminal side: raw bytes from the pty, and keys that become bytes for the pty (input()).
  // The bytes pass through an OutputGuard before libvterm sees them.
  void feed(const char* bytes, qsizetype length);
  void feed(const QByteArray& bytes) { feed(bytes.constData(), bytes.size()); }
  // The program's output has ended: a character or sequence it left unfinished is given up, so
  // that it does not swallow the start of the next program's output.
  void finishOutput();
  void sendText(const QString& text, int modifiers = NoModifier);
  void sendKey(Key key, int modifiers = NoModifier);

  // Rows that left the top of the buffer since the model was made (for views and selections).
  qint64 scrolledOut() const { return scrolledOut_; }

  // The current pen, in console colours.
  int penForeground() const { return penFg_; }
  int penBackground() const { return penBg_; }

  // Console <-> ANSI palette order (the mapping is its own inverse).
  static int swapRedBlue(int index);

 signals:
  void changed();  // cells, cursor or title changed (views repaint on a timer)
  void titleChanged(const QString& title);
  void windowRectChanged();
  void input(const QByteArray& bytes);  // bytes the terminal sends to the program

 private:
  friend struct ScreenModelCallbacks;
  void writeRaw(const char* bytes, qsizetype length);
  void settleWrap();
  void resizeStore(int rows, int columns);
  Cell* rowPtr(int row) { return store_.data() + size_t(physical(row)) * size_t(columns_); }
  int physical(int row) const {
    const int p = row + top_;
    return p >= rows_ ? p - rows_ : p;
  }
  void recomputePen();
  int toConsoleColour(const void* vtermColour, bool foreground) const;

  OutputGuard guard_;
  VTerm* vt_ = nullptr;
  VTermState* state_ = nullptr;
  int columns_;
  int rows_;
  std::vector<Cell> store_;     // rows_ * columns_ cells, row after row, as a ring
  std::vector<Cell> blankRow_;  // a row in the default colours, for rows that scroll in
  int top_ = 0;                 // physical index of row 0
  qint64 scrolledOut_ = 0;

  int penFg_ = 7;
  int penBg_ = 0;
  bool penReverse_ = false;
  Cell penCell_;          // a blank in the pen's colours, reverse video applied
  quint8 rawFg_[8] = {};  // the pen's colours as libvterm holds them
  quint8 rawBg_[8] = {};
  bool phantom_ = false;  // a character went into the last column; the wrap is still pending
  int phantomRow_ = 0;
  int phantomColumn_ = 0;
  bool cursorVisible_ = true;
  int cursorSize_ = 25;
  QString title_;
  int windowTop_ = 0;
  int windowRows_ = 25;
};
