// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/ConsoleView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QtMath>

#include "core/console/ScreenModel.h"

namespace {

const QColor kPalette[16] = {
    QColor(0, 0, 0),       QColor(0, 0, 128),   QColor(0, 128, 0),   QColor(0, 128, 128),
    QColor(128, 0, 0),     QColor(128, 0, 128), QColor(128, 128, 0), QColor(192, 192, 192),
    QColor(128, 128, 128), QColor(0, 0, 255),   QColor(0, 255, 0),   QColor(0, 255, 255),
    QColor(255, 0, 0),     QColor(255, 0, 255), QColor(255, 255, 0), QColor(255, 255, 255)};

// Frequent enough to look live, rare enough that a flood of output is not slowed by painting.
constexpr int kRepaintMs = 40;

// The console as assistive technology sees it: a terminal whose text is the screen in sight.
class ConsoleAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit ConsoleAccessible(ConsoleView* view) : QAccessibleWidget(view, QAccessible::Terminal) {}
  ConsoleView* view() const { return static_cast<ConsoleView*>(widget()); }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.multiLine = true;
    s.selectableText = true;
    return s;
  }

  // No selection of its own is offered to assistive technology; the mouse's stays the view's.
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override {
    const ScreenModel* m = view()->model();
    return qMax(0, view()->screenOffset(m->cursorRow(), m->cursorColumn()));
  }
  void setCursorPosition(int) override {}
  // Both texts: the widget's name and description, and the screen's characters.
  using QAccessibleWidget::text;
  QString text(int start, int end) const override {
    return view()->screenText().mid(start, end - start);
  }
  int characterCount() const override { return int(view()->screenText().size()); }
  QRect characterRect(int offset) const override {
    const QRect r = view()->cellRect(offset);
    return r.isEmpty() ? r : QRect(view()->viewport()->mapToGlobal(r.topLeft()), r.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return view()->screenOffsetAt(view()->viewport()->mapFromGlobal(point));
  }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* startOffset, int* endOffset) const override {
    *startOffset = offset;
    *endOffset = offset + 1;
    return {};
  }
};

QAccessibleInterface* consoleAccessible(const QString& className, QObject* object) {
  if (className == QLatin1String("ConsoleView") && object && object->isWidgetType())
    return new ConsoleAccessible(static_cast<ConsoleView*>(object));
  return nullptr;
}

}  // namespace

ConsoleView::ConsoleView(ScreenModel* model, QWidget* parent)
    : QAbstractScrollArea(parent), model_(model), repaintTimer_(new QTimer(this)) {
  setObjectName(QStringLiteral("ConsoleView"));
  static const bool accessible = (QAccessible::installFactory(consoleAccessible), true);
  Q_UNUSED(accessible);
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::Monospace);
  setFont(font);
  // Measured as the text engine lays a line out: a width rounded to whole pixels would let the
  // glyphs drift away from the grid (80 columns of 7.22 pixels are 578 pixels, not 560).
  const QFontMetricsF fm(font);
  cellWidth_ = qMax<qreal>(1, fm.horizontalAdvance(QString(80, QLatin1Char('M'))) / 80);
  lineHeight_ = qMax(1, qCeil(fm.height()));
  ascent_ = qCeil(fm.ascent());
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  viewport()->setCursor(Qt::IBeamCursor);
  // A scroll area's viewport fills with Base; both roles are the console's colour 0, so nothing
  // shows white before or around the cells.
  QPalette pal = viewport()->palette();
  pal.setColor(QPalette::Window, kPalette[0]);
  pal.setColor(QPalette::Base, kPalette[0]);
  viewport()->setPalette(pal);
  viewport()->setAutoFillBackground(true);

  repaintTimer_->setSingleShot(true);
  repaintTimer_->setInterval(kRepaintMs);
  connect(repaintTimer_, &QTimer::timeout, this, &ConsoleView::refresh);
  connect(model_, &ScreenModel::changed, this, &ConsoleView::modelChanged);
  connect(model_, &ScreenModel::windowRectChanged, this, &ConsoleView::applyWindowRect);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (!settingScroll_) following_ = value >= followTop();
    viewport()->update();
  });

  auto* copy = new QAction(tr("Copy"), this);
  copy->setObjectName(QStringLiteral("ActionCopy"));
  copy->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  copy->setShortcutContext(Qt::WidgetShortcut);
  connect(copy, &QAction::triggered, this, &ConsoleView::copySelection);
  addAction(copy);
  auto* all = new QAction(tr("Select all"), this);
  all->setObjectName(QStringLiteral("ActionSelectAll"));
  connect(all, &QAction::triggered, this, &ConsoleView::selectAll);
  addAction(all);

  seenScrolledOut_ = model_->scrolledOut();
  preferredRows_ = model_->windowRows();
  updateScrollRange();
}

QSize ConsoleView::sizeHint() const {
  const int w =
      columnX(model_->columns()) + 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
  return {w, preferredRows_ * lineHeight_ + 2 * frameWidth()};
}

QColor ConsoleView::colour(int index) {
  return kPalette[index & 15];
}

int ConsoleView::columnX(int column) const {
  return qCeil(column * cellWidth_ - 0.001);
}

QSize ConsoleView::minimumSizeHint() const {
  const QSize hint = sizeHint();
  return {hint.width(), 4 * lineHeight_ + 2 * frameWidth()};
}

int ConsoleView::visibleRows() const {
  return qBound(1, viewport()->height() / lineHeight_, model_->rows());
}

int ConsoleView::topRow() const {
  return verticalScrollBar()->value();
}

// The console keeps the cursor in view: the window ends at the cursor's row once the output
// has gone below the first screenful.
int ConsoleView::followTop() const {
  return qBound(0, model_->cursorRow() - visibleRows() + 1, model_->rows() - visibleRows());
}

void ConsoleView::updateScrollRange() {
  settingScroll_ = true;
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, qMax(0, model_->rows() - visibleRows()));
  bar->setPageStep(visibleRows());
  bar->setSingleStep(1);
  settingScroll_ = false;
}

void ConsoleView::modelChanged() {
  if (!repaintTimer_->isActive()) repaintTimer_->start();
}

void ConsoleView::refresh() {
  repaintTimer_->stop();
  // Rows that left the top took the selection and the user's place along with them.
  const qint64 gone = model_->scrolledOut() - seenScrolledOut_;
  seenScrolledOut_ = model_->scrolledOut();
  updateScrollRange();
  settingScroll_ = true;
  if (gone > 0) {
    auto shift = [gone](QPoint& p) {
      if (p.y() >= 0) p.setY(int(qMax<qint64>(0, p.y() - gone)));
    };
    shift(selAnchor_);
    shift(selEnd_);
    if (!following_) verticalScrollBar()->setValue(int(qMax<qint64>(0, topRow() - gone)));
  }
  if (following_) verticalScrollBar()->setValue(qMax(followTop(), 0));
  settingScroll_ = false;
  viewport()->update();
  announceChanges();
}

QString ConsoleView::screenText() const {
  QStringList lines;
  const int top = topRow();
  for (int r = top; r < qMin(top + visibleRows(), model_->rows()); ++r) lines << model_->rowText(r);
  return lines.join(QLatin1Char('\n'));
}

int ConsoleView::screenOffset(int row, int column) const {
  const int top = topRow();
  if (row < top || row >= top + visibleRows() || row >= model_->rows()) return -1;
  int offset = 0;
  for (int r = top; r < row; ++r) offset += int(model_->rowText(r).size()) + 1;
  // Within the row's text; past its end (blanks), at its end.
  const QString line = model_->rowText(row);
  int inLine = 0;
  for (int c = 0; c < column && inLine < line.size(); ++c)
    if (model_->cell(row, c).ch != 0)
      inLine += QChar::requiresSurrogates(model_->cell(row, c).ch) ? 2 : 1;
  return offset + qMin(inLine, int(line.size()));
}

QRect ConsoleView::cellRect(int offset) const {
  const int top = topRow();
  for (int r = top; r < qMin(top + visibleRows(), model_->rows()); ++r) {
    const QString line = model_->rowText(r);
    if (offset <= line.size()) {
      int column = 0;
      for (int at = 0; column < model_->columns() && at < offset; ++column)
        if (model_->cell(r, column).ch != 0)
          at += QChar::requiresSurrogates(model_->cell(r, column).ch) ? 2 : 1;
      return QRect(columnX(column), (r - top) * lineHeight_, columnX(column + 1) - columnX(column),
                   lineHeight_);
    }
    offset -= int(line.size()) + 1;
  }
  return {};
}

int ConsoleView::screenOffsetAt(const QPoint& viewportPos) const {
  const QPoint cell = cellAt(viewportPos);
  return screenOffset(cell.y(), cell.x());
}

ConsoleView::Change ConsoleView::changeBetween(const QString& before, const QString& after) {
  const qsizetype most = qMin(before.size(), after.size());
  qsizetype from = 0;
  while (from < most && before[from] == after[from]) ++from;
  qsizetype same = 0;  // at the end
  while (same < most - from && before[before.size() - 1 - same] == after[after.size() - 1 - same])
    ++same;
  return {int(from), before.mid(from, before.size() - from - same),
          after.mid(from, after.size() - from - same)};
}

void ConsoleView::announceChanges() {
  if (!QAccessible::isActive()) return;
  const QString now = screenText();
  if (now != announced_) {
    // Only the part that changed: a screen reader does not read the lines above it again.
    const Change c = changeBetween(announced_, now);
    QAccessibleTextUpdateEvent update(this, c.position, c.removed, c.inserted);
    announced_ = now;
    QAccessible::updateAccessibility(&update);
  }
  const int cursor = screenOffset(model_->cursorRow(), model_->cursorColumn());
  if (cursor >= 0 && cursor != announcedCursor_) {
    announcedCursor_ = cursor;
    QAccessibleTextCursorEvent moved(this, cursor);
    QAccessible::updateAccessibility(&moved);
  }
}

void ConsoleView::applyWindowRect() {
  preferredRows_ = model_->windowRows();
  updateGeometry();
  updateScrollRange();
  settingScroll_ = true;
  verticalScrollBar()->setValue(model_->windowTop());
  settingScroll_ = false;
  following_ = true;
  viewport()->update();
}

void ConsoleView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollRange();
  if (following_) refresh();
}

bool ConsoleView::isSelected(int row, int column) const {
  if (selAnchor_ == selEnd_ || selAnchor_.y() < 0) return false;
  QPoint a = selAnchor_, b = selEnd_;
  if (b.y() < a.y() || (b.y() == a.y() && b.x() < a.x())) std::swap(a, b);
  if (row < a.y() || row > b.y()) return false;
  if (row == a.y() && column < a.x()) return false;
  if (row == b.y() && column >= b.x()) return false;
  return true;
}

void ConsoleView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.setFont(font());
  // Colour 0 also right of the last column and below the last row.
  p.fillRect(viewport()->rect(), kPalette[0]);
  const int top = topRow();
  const int rows = qMin(visibleRows() + 1, model_->rows() - top);
  const int cols = model_->columns();
  QString run;
  // Backgrounds first, then the characters: a glyph may reach below its row (the underscore of
  // some fonts at some sizes does), and the next row's background must not paint it over.
  for (const bool text : {false, true}) {
    for (int r = 0; r < rows; ++r) {
      const int row = top + r;
      const int y = r * lineHeight_;
      // Runs of cells with the same colours are drawn together.
      int c = 0;
      while (c < cols) {
        const ScreenModel::Cell& first = model_->cell(row, c);
        const bool sel = isSelected(row, c);
        int end = c;
        while (end < cols) {
          const ScreenModel::Cell& cell = model_->cell(row, end);
          if (cell.fg != first.fg || cell.bg != first.bg || isSelected(row, end) != sel) break;
          ++end;
        }
        QColor fg = kPalette[first.fg & 15], bg = kPalette[first.bg & 15];
        if (sel) std::swap(fg, bg);
        if (!text) {
          p.fillRect(QRect(columnX(c), y, columnX(end) - columnX(c), lineHeight_), bg);
          c = end;
          continue;
        }
        p.setPen(fg);
        // Plain ASCII is drawn a run at a time, starting on its cell; any other character on its
        // own cell, since a fallback font may advance it by another width.
        const qreal baseline = y + ascent_;
        int from = c;
        run.clear();
        auto flush = [&](int upTo) {
          if (!run.trimmed().isEmpty()) p.drawText(QPointF(from * cellWidth_, baseline), run);
          run.clear();
          from = upTo;
        };
        for (int k = c; k < end; ++k) {
          const char32_t ch = model_->cell(row, k).ch;
          if (ch == 0) continue;  // the second half of a double-width character
          if (ch < 0x80) {
            if (run.isEmpty()) from = k;
            run += QChar(char16_t(ch));
            continue;
          }
          flush(k);
          p.drawText(QPointF(k * cellWidth_, baseline), QString::fromUcs4(&ch, 1));
        }
        flush(end);
        c = end;
      }
    }
  }
  if (model_->cursorVisible() && hasFocus()) {
    const int cr = model_->cursorRow() - top;
    if (cr >= 0 && cr < rows) {
      const int h = qMax(2, lineHeight_ * qBound(1, model_->cursorSize(), 100) / 100);
      const int cc = model_->cursorColumn();
      p.fillRect(columnX(cc), cr * lineHeight_ + lineHeight_ - h, columnX(cc + 1) - columnX(cc), h,
                 kPalette[7]);
    }
  }
}

QPoint ConsoleView::cellAt(const QPoint& pos) const {
  const int col = qBound(0, qRound(pos.x() / cellWidth_), model_->columns());
  const int row = qBound(0, topRow() + pos.y() / lineHeight_, model_->rows() - 1);
  return {col, row};
}

void ConsoleView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() == Qt::LeftButton) {
    selAnchor_ = selEnd_ = cellAt(event->position().toPoint());
    viewport()->update();
  }
}

void ConsoleView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || selAnchor_.y() < 0) return;
  const QPoint pos = event->position().toPoint();
  if (pos.y() < 0)
    verticalScrollBar()->setValue(topRow() - 1);
  else if (pos.y() > viewport()->height())
    verticalScrollBar()->setValue(topRow() + 1);
  selEnd_ = cellAt(pos);
  viewport()->update();
}

void ConsoleView::mouseDoubleClickEvent(QMouseEvent* event) {
  // A double click selects the word under the pointer.
  const QPoint at = cellAt(event->position().toPoint());
  const int row = at.y();
  int l = qMin(at.x(), model_->columns() - 1), r = l;
  auto isWord = [&](int c) {
    return c >= 0 && c < model_->columns() && model_->cell(row, c).ch > U' ';
  };
  if (!isWord(l)) return;
  while (isWord(l - 1)) --l;
  while (isWord(r)) ++r;
  selAnchor_ = {l, row};
  selEnd_ = {r, row};
  viewport()->update();
}

QString ConsoleView::selectedText() const {
  if (selAnchor_ == selEnd_ || selAnchor_.y() < 0) return {};
  QPoint a = selAnchor_, b = selEnd_;
  if (b.y() < a.y() || (b.y() == a.y() && b.x() < a.x())) std::swap(a, b);
  QStringList lines;
  for (int row = a.y(); row <= b.y(); ++row) {
    const int from = row == a.y() ? a.x() : 0;
    const int to = row == b.y() ? b.x() : model_->columns();
    QString line;
    for (int c = from; c < to; ++c) {
      const char32_t ch = model_->cell(row, c).ch;
      if (ch != 0) line += QString::fromUcs4(&ch, 1);
    }
    while (line.endsWith(QLatin1Char(' '))) line.chop(1);
    lines << line;
  }
  return lines.join(QLatin1Char('\n'));
}

void ConsoleView::selectAll() {
  selAnchor_ = {0, 0};
  selEnd_ = {model_->columns(), model_->rows() - 1};
  viewport()->update();
}

void ConsoleView::copySelection() {
  const QString text = selectedText();
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void ConsoleView::setMenuTexts(const QString& copy, const QString& selectAll) {
  for (QAction* a : actions()) {
    if (a->objectName() == QLatin1String("ActionCopy")) a->setText(copy);
    if (a->objectName() == QLatin1String("ActionSelectAll")) a->setText(selectAll);
  }
}

void ConsoleView::contextMenuEvent(QContextMenuEvent* event) {
  emit menuAboutToShow();
  // Popped up, not exec()'d: the packer's output keeps arriving while the menu is open.
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  for (QAction* a : actions()) {
    if (a->objectName() == QLatin1String("ActionCopy")) a->setEnabled(!selectedText().isEmpty());
    menu->addAction(a);
  }
  menu->popup(event->globalPos());
}

bool ConsoleView::focusNextPrevChild(bool next) {
  // Tab leaves the console for its window's Stop button, as in any window: the packer reads no
  // keys that matter (Ctrl+I still gives it a Tab).
  return QAbstractScrollArea::focusNextPrevChild(next);
}

bool ConsoleView::event(QEvent* event) {
  // The console takes every key, also those the window would use as shortcuts.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* ke = static_cast<QKeyEvent*>(event);
    if (ke->modifiers() != (Qt::ControlModifier | Qt::ShiftModifier)) {
      event->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void ConsoleView::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers();
  if (mods == (Qt::ControlModifier | Qt::ShiftModifier) && event->key() == Qt::Key_C) {
    copySelection();
    return;
  }
  if (mods == Qt::ShiftModifier && event->key() == Qt::Key_PageUp) {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    return;
  }
  if (mods == Qt::ShiftModifier && event->key() == Qt::Key_PageDown) {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    return;
  }
  int m = ScreenModel::NoModifier;
  if (mods & Qt::ShiftModifier) m |= ScreenModel::Shift;
  if (mods & Qt::AltModifier) m |= ScreenModel::Alt;
  if (mods & Qt::ControlModifier) m |= ScreenModel::Ctrl;

  using K = ScreenModel::Key;
  static const QHash<int, K> keys = {{Qt::Key_Return, K::Enter},
                                     {Qt::Key_Enter, K::Enter},
                                     {Qt::Key_Tab, K::Tab},
                                     {Qt::Key_Backtab, K::Tab},
                                     {Qt::Key_Backspace, K::Backspace},
                                     {Qt::Key_Escape, K::Escape},
                                     {Qt::Key_Up, K::Up},
                                     {Qt::Key_Down, K::Down},
                                     {Qt::Key_Left, K::Left},
                                     {Qt::Key_Right, K::Right},
                                     {Qt::Key_Insert, K::Insert},
                                     {Qt::Key_Delete, K::Delete},
                                     {Qt::Key_Home, K::Home},
                                     {Qt::Key_End, K::End},
                                     {Qt::Key_PageUp, K::PageUp},
                                     {Qt::Key_PageDown, K::PageDown}};
  const auto it = keys.constFind(event->key());
  if (it != keys.constEnd()) {
    model_->sendKey(*it, m);
  } else if ((mods & Qt::ControlModifier) && event->key() >= Qt::Key_A &&
             event->key() <= Qt::Key_Z) {
    // Ctrl+letter: the control byte (Ctrl+C is 3, which the terminal turns into SIGINT).
    model_->sendText(QString(QChar(u'a' + (event->key() - Qt::Key_A))), m & ~ScreenModel::Shift);
  } else if (!event->text().isEmpty() && event->text().at(0).isPrint()) {
    model_->sendText(event->text(), m & ~(ScreenModel::Shift | ScreenModel::Ctrl));
  } else {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  // Typing brings the view back to the cursor.
  following_ = true;
  modelChanged();
}
