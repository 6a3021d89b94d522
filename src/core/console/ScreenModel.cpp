// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/console/ScreenModel.h"

#include <vterm.h>

#include <algorithm>
#include <cstring>

static_assert(sizeof(VTermColor) <= 8, "pen colour storage too small");

namespace {

// The xterm 256-colour cube and grey ramp, for packers that use more than 16 colours.
void rgbOfIndex(int idx, int& r, int& g, int& b) {
  if (idx >= 232) {
    r = g = b = 8 + (idx - 232) * 10;
    return;
  }
  idx -= 16;
  static const int level[6] = {0, 95, 135, 175, 215, 255};
  r = level[(idx / 36) % 6];
  g = level[(idx / 6) % 6];
  b = level[idx % 6];
}

// The console palette, in console order.
const int kPalette[16][3] = {{0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
                             {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
                             {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
                             {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};

int nearestConsole(int r, int g, int b) {
  int best = 0;
  long bestDist = -1;
  for (int i = 0; i < 16; ++i) {
    const long dr = r - kPalette[i][0], dg = g - kPalette[i][1], db = b - kPalette[i][2];
    const long d = dr * dr + dg * dg + db * db;
    if (bestDist < 0 || d < bestDist) {
      bestDist = d;
      best = i;
    }
  }
  return best;
}

QByteArray sgrOf(const VTermColor& c, bool foreground) {
  if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&c) : VTERM_COLOR_IS_DEFAULT_BG(&c))
    return foreground ? "39" : "49";
  if (VTERM_COLOR_IS_INDEXED(&c)) {
    const int i = c.indexed.idx;
    if (i < 8) return QByteArray::number((foreground ? 30 : 40) + i);
    if (i < 16) return QByteArray::number((foreground ? 90 : 100) + i - 8);
    return (foreground ? "38;5;" : "48;5;") + QByteArray::number(i);
  }
  return (foreground ? "38;2;" : "48;2;") + QByteArray::number(c.rgb.red) + ';' +
         QByteArray::number(c.rgb.green) + ';' + QByteArray::number(c.rgb.blue);
}

}  // namespace

// The state layer's callbacks; the screen layer of libvterm is not used (see the header).
struct ScreenModelCallbacks {
  static ScreenModel* m(void* user) { return static_cast<ScreenModel*>(user); }

  static int putglyph(VTermGlyphInfo* info, VTermPos pos, void* user) {
    // Called for every character of the packer's output: kept to a few loads and stores.
    ScreenModel* s = m(user);
    if (unsigned(pos.row) >= unsigned(s->rows_) || unsigned(pos.col) >= unsigned(s->columns_))
      return 1;
    ScreenModel::Cell* at = s->rowPtr(pos.row) + pos.col;
    ScreenModel::Cell c = s->penCell_;
    if (info->chars[0]) c.ch = char32_t(info->chars[0]);
    at[0] = c;
    c.ch = 0;
    for (int i = 1; i < info->width && pos.col + i < s->columns_; ++i) at[i] = c;
    s->phantom_ = pos.col + info->width >= s->columns_;
    s->phantomRow_ = pos.row;
    s->phantomColumn_ = pos.col;
    return 1;
  }
  static int movecursor(VTermPos pos, VTermPos, int, void* user) {
    // libvterm reports the cursor once per run of text; a cursor still on the last glyph put
    // into the last column is waiting to wrap.
    ScreenModel* s = m(user);
    s->phantom_ = s->phantom_ && pos.row == s->phantomRow_ && pos.col == s->phantomColumn_;
    return 1;
  }
  static int scrollrect(VTermRect rect, int downward, int rightward, void* user) {
    ScreenModel* s = m(user);
    // Only the common case is ours: the whole buffer moving up. The rest goes through
    // moverect and erase.
    if (rightward != 0 || downward <= 0 || rect.start_row != 0 || rect.end_row != s->rows_ ||
        rect.start_col != 0 || rect.end_col != s->columns_)
      return 0;
    const int n = std::min(downward, s->rows_);
    // Rows that scroll in are blank in the default colours, so a coloured bar never bleeds
    // into the rows below it.
    for (int i = 0; i < n; ++i) {
      s->top_ = (s->top_ + 1) % s->rows_;
      std::copy(s->blankRow_.begin(), s->blankRow_.end(), s->rowPtr(s->rows_ - 1));
    }
    s->scrolledOut_ += n;
    return 1;
  }
  static int moverect(VTermRect dest, VTermRect src, void* user) {
    ScreenModel* s = m(user);
    const int height = src.end_row - src.start_row;
    const int width = src.end_col - src.start_col;
    auto copyRow = [&](int i) {
      const ScreenModel::Cell* from = s->rowPtr(src.start_row + i) + src.start_col;
      ScreenModel::Cell* to = s->rowPtr(dest.start_row + i) + dest.start_col;
      std::memmove(static_cast<void*>(to), from, size_t(width) * sizeof(ScreenModel::Cell));
    };
    if (dest.start_row < src.start_row)
      for (int i = 0; i < height; ++i) copyRow(i);
    else
      for (int i = height - 1; i >= 0; --i) copyRow(i);
    return 1;
  }
  static int erase(VTermRect rect, int, void* user) {
    ScreenModel* s = m(user);
    const ScreenModel::Cell blank = s->penCell_;
    for (int r = std::max(0, rect.start_row); r < std::min(rect.end_row, s->rows_); ++r) {
      ScreenModel::Cell* row = s->rowPtr(r);
      for (int c = std::max(0, rect.start_col); c < std::min(rect.end_col, s->columns_); ++c)
        row[c] = blank;
    }
    return 1;
  }
  static int initpen(void* user) {
    ScreenModel* s = m(user);
    VTermColor fg, bg;
    vterm_state_get_default_colors(s->state_, &fg, &bg);
    std::memcpy(s->rawFg_, &fg, sizeof fg);
    std::memcpy(s->rawBg_, &bg, sizeof bg);
    s->penReverse_ = false;
    s->recomputePen();
    return 1;
  }
  static int setpenattr(VTermAttr attr, VTermValue* val, void* user) {
    ScreenModel* s = m(user);
    switch (attr) {
      case VTERM_ATTR_FOREGROUND:
        std::memcpy(s->rawFg_, &val->color, sizeof val->color);
        break;
      case VTERM_ATTR_BACKGROUND:
        std::memcpy(s->rawBg_, &val->color, sizeof val->color);
        break;
      case VTERM_ATTR_REVERSE:
        s->penReverse_ = val->boolean;
        break;
      default:
        return 1;
    }
    s->recomputePen();
    return 1;
  }
  static int settermprop(VTermProp prop, VTermValue* val, void* user) {
    ScreenModel* s = m(user);
    if (prop == VTERM_PROP_CURSORVISIBLE) s->cursorVisible_ = val->boolean;
    if (prop == VTERM_PROP_TITLE && val->string) s->setTitle(QString::fromUtf8(val->string));
    return 1;
  }
  static int bell(void*) { return 1; }
  static int resize(int rows, int cols, VTermPos*, void* user) {
    m(user)->resizeStore(rows, cols);
    return 1;
  }
  static int setlineinfo(int, const VTermLineInfo*, const VTermLineInfo*, void*) { return 1; }

  static void output(const char* s, size_t len, void* user) {
    emit m(user)->input(QByteArray(s, qsizetype(len)));
  }
};

namespace {
const VTermStateCallbacks kStateCallbacks = {
    ScreenModelCallbacks::putglyph,    ScreenModelCallbacks::movecursor,
    ScreenModelCallbacks::scrollrect,  ScreenModelCallbacks::moverect,
    ScreenModelCallbacks::erase,       ScreenModelCallbacks::initpen,
    ScreenModelCallbacks::setpenattr,  ScreenModelCallbacks::settermprop,
    ScreenModelCallbacks::bell,        ScreenModelCallbacks::resize,
    ScreenModelCallbacks::setlineinfo,
};
}  // namespace

ScreenModel::ScreenModel(int columns, int rows, QObject* parent)
    : QObject(parent), columns_(std::max(1, columns)), rows_(std::max(1, rows)) {
  store_.assign(size_t(rows_) * size_t(columns_), Cell{});
  blankRow_.assign(size_t(columns_), Cell{});
  vt_ = vterm_new(rows_, columns_);
  vterm_set_utf8(vt_, 1);
  state_ = vterm_obtain_state(vt_);
  vterm_state_set_callbacks(state_, &kStateCallbacks, this);
  vterm_state_set_bold_highbright(state_, 1);
  vterm_output_set_callback(vt_, &ScreenModelCallbacks::output, this);
  vterm_state_reset(state_, 1);
}

ScreenModel::~ScreenModel() {
  vterm_free(vt_);
}

int ScreenModel::swapRedBlue(int index) {
  return (index & 0xA) | ((index & 1) << 2) | ((index & 4) >> 2);
}

const ScreenModel::Cell& ScreenModel::cell(int row, int column) const {
  static const Cell outside;
  if (row < 0 || row >= rows_ || column < 0 || column >= columns_) return outside;
  return store_[size_t(physical(row)) * size_t(columns_) + size_t(column)];
}

QString ScreenModel::rowText(int row) const {
  QString text;
  for (int c = 0; c < columns_; ++c) {
    const char32_t ch = cell(row, c).ch;
    if (ch != 0) text += QString::fromUcs4(&ch, 1);
  }
  while (text.endsWith(QLatin1Char(' '))) text.chop(1);
  return text;
}

int ScreenModel::cursorRow() const {
  VTermPos p;
  vterm_state_get_cursorpos(state_, &p);
  return p.row;
}

int ScreenModel::cursorColumn() const {
  VTermPos p;
  vterm_state_get_cursorpos(state_, &p);
  return p.col;
}

void ScreenModel::setTitle(const QString& title) {
  if (title == title_) return;
  title_ = title;
  emit titleChanged(title_);
  emit changed();
}

void ScreenModel::writeRaw(const char* bytes, qsizetype length) {
  vterm_input_write(vt_, bytes, size_t(length));
}

// A character written into the last column leaves libvterm waiting to wrap; the console has
// already moved on to the next row. Settle that before the console side looks or writes.
void ScreenModel::settleWrap() {
  if (phantom_) writeRaw("\r\n", 2);
  phantom_ = false;
}

void ScreenModel::writeConsoleText(const QByteArray& raw) {
  settleWrap();
  // Whole characters only: libvterm's decoder overruns its buffer on a character cut in two.
  const QByteArray text = OutputGuard::SafeUtf8(raw);
  for (qsizetype i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (b == '\n') {
      writeRaw("\r\n", 2);
      ++i;
    } else if (b == '\r' || b == '\b' || b == '\t' || b == '\a') {
      writeRaw(text.constData() + i, 1);
      ++i;
    } else if (b < 0x20 || b == 0x7f) {
      // No control sequences from helper text: other control bytes show as a mark.
      writeRaw("?", 1);
      ++i;
    } else {
      // One whole UTF-8 character at a time, so that the wrap is checked per character.
      qsizetype len = 1;
      while (i + len < text.size() && (static_cast<unsigned char>(text[i + len]) & 0xC0) == 0x80 &&
             b >= 0xC0 && len < 4)
        ++len;
      writeRaw(text.constData() + i, len);
      i += len;
    }
    settleWrap();
  }
  emit changed();
}

bool ScreenModel::gotoXY(int column, int row) {
  settleWrap();
  if (column < 0 || row < 0 || column >= columns_ || row >= rows_) return false;
  const QByteArray seq =
      "\x1b[" + QByteArray::number(row + 1) + ';' + QByteArray::number(column + 1) + 'H';
  writeRaw(seq.constData(), seq.size());
  emit changed();
  return true;
}

bool ScreenModel::setTextAttr(int fg, int bg) {
  if (fg < 0 || fg > 15 || bg < 0 || bg > 15) return false;
  const int f = swapRedBlue(fg), b = swapRedBlue(bg);
  const QByteArray seq = "\x1b[0;" + QByteArray::number(f < 8 ? 30 + f : 90 + f - 8) + ';' +
                         QByteArray::number(b < 8 ? 40 + b : 100 + b - 8) + 'm';
  writeRaw(seq.constData(), seq.size());
  return true;
}

void ScreenModel::setCursorVisible(bool visible) {
  writeRaw(visible ? "\x1b[?25h" : "\x1b[?25l", 6);
  emit changed();
}

bool ScreenModel::setBufferSize(int columns, int rows) {
  if (columns < 1 || rows < 1 || columns > 1000 || rows > 32766) return false;
  settleWrap();
  if (columns == columns_ && rows == rows_) return true;
  vterm_set_size(vt_, rows, columns);
  resizeStore(rows, columns);
  // libvterm keeps scrolling margins and a saved cursor position through a resize unchecked: a
  // margin below the new last row makes it scroll a negative number of rows, a saved position
  // outside the new size comes back off the screen. Both are reset (save the clamped cursor,
  // reset the margins, which homes it, and restore it).
  static const char kReset[] =
      "\x1b"
      "7\x1b[r\x1b"
      "8";
  writeRaw(kReset, sizeof kReset - 1);
  emit changed();
  return true;
}

void ScreenModel::resizeStore(int rows, int columns) {
  if (rows == rows_ && columns == columns_) return;
  // The buffer keeps its top-left corner, as the console does.
  std::vector<Cell> next(size_t(rows) * size_t(columns), Cell{});
  for (int r = 0; r < std::min(rows, rows_); ++r) {
    const Cell* from = rowPtr(r);
    std::copy(from, from + std::min(columns, columns_), next.begin() + qsizetype(r) * columns);
  }
  store_ = std::move(next);
  blankRow_.assign(size_t(columns), Cell{});
  rows_ = rows;
  columns_ = columns;
  top_ = 0;
  windowTop_ = std::min(windowTop_, rows_ - 1);
  windowRows_ = std::min(windowRows_, rows_);
}

bool ScreenModel::setWindowRect(int left, int top, int right, int bottom) {
  if (left < 0 || top < 0 || right < left || bottom < top || right >= columns_ || bottom >= rows_)
    return false;
  windowTop_ = top;
  windowRows_ = bottom - top + 1;
  emit windowRectChanged();
  return true;
}

void ScreenModel::writeNote(const QByteArray& text, int fg, int bg) {
  quint8 savedFg[8], savedBg[8];
  std::memcpy(savedFg, rawFg_, sizeof savedFg);
  std::memcpy(savedBg, rawBg_, sizeof savedBg);
  const bool savedReverse = penReverse_;
  setTextAttr(fg, bg);
  writeConsoleText(text + '\n');
  VTermColor f, b;
  std::memcpy(&f, savedFg, sizeof f);
  std::memcpy(&b, savedBg, sizeof b);
  const QByteArray seq =
      "\x1b[" + sgrOf(f, true) + ';' + sgrOf(b, false) + (savedReverse ? ";7" : "") + 'm';
  writeRaw(seq.constData(), seq.size());
}

void ScreenModel::feed(const char* bytes, qsizetype length) {
  if (length <= 0) return;
  // In slices: libvterm decodes each write into an array on the stack, four bytes per byte.
  constexpr qsizetype kSlice = 16384;
  QByteArray safe;
  for (qsizetype at = 0; at < length; at += kSlice) {
    safe.clear();
    guard_.filter(bytes + at, std::min(kSlice, length - at), safe);
    if (!safe.isEmpty()) writeRaw(safe.constData(), safe.size());
  }
  emit changed();
}

void ScreenModel::finishOutput() {
  QByteArray rest;
  guard_.finish(rest);
  if (!rest.isEmpty()) {
    writeRaw(rest.constData(), rest.size());
    emit changed();
  }
}

void ScreenModel::sendText(const QString& text, int modifiers) {
  for (const char32_t c : text.toUcs4())
    vterm_keyboard_unichar(vt_, uint32_t(c), VTermModifier(modifiers));
}

void ScreenModel::sendKey(Key key, int modifiers) {
  static const VTermKey map[] = {
      VTERM_KEY_ENTER, VTERM_KEY_TAB,  VTERM_KEY_BACKSPACE, VTERM_KEY_ESCAPE,  VTERM_KEY_UP,
      VTERM_KEY_DOWN,  VTERM_KEY_LEFT, VTERM_KEY_RIGHT,     VTERM_KEY_INS,     VTERM_KEY_DEL,
      VTERM_KEY_HOME,  VTERM_KEY_END,  VTERM_KEY_PAGEUP,    VTERM_KEY_PAGEDOWN};
  vterm_keyboard_key(vt_, map[int(key)], VTermModifier(modifiers));
}

int ScreenModel::toConsoleColour(const void* raw, bool foreground) const {
  VTermColor c;
  std::memcpy(&c, raw, sizeof c);
  if (foreground && VTERM_COLOR_IS_DEFAULT_FG(&c)) return 7;
  if (!foreground && VTERM_COLOR_IS_DEFAULT_BG(&c)) return 0;
  if (VTERM_COLOR_IS_INDEXED(&c)) {
    if (c.indexed.idx < 16) return swapRedBlue(c.indexed.idx);
    int r, g, b;
    rgbOfIndex(c.indexed.idx, r, g, b);
    return nearestConsole(r, g, b);
  }
  return nearestConsole(c.rgb.red, c.rgb.green, c.rgb.blue);
}

void ScreenModel::recomputePen() {
  penFg_ = toConsoleColour(rawFg_, true);
  penBg_ = toConsoleColour(rawBg_, false);
  penCell_ = {U' ', quint8(penReverse_ ? penBg_ : penFg_), quint8(penReverse_ ? penFg_ : penBg_)};
}
