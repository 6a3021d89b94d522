// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Draws a ScreenModel: a window of its rows in a monospace font, a scroll bar over the whole
// buffer, the view following the output unless the user scrolled away, mouse selection with
// copying (Ctrl+Shift+C, context menu), and keys passed on to the model.

#include <QAbstractScrollArea>
#include <QColor>
#include <QPoint>

class ScreenModel;
class QTimer;

class ConsoleView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit ConsoleView(ScreenModel* model, QWidget* parent = nullptr);

  ScreenModel* model() const { return model_; }
  int topRow() const;
  int visibleRows() const;
  bool following() const { return following_; }
  QString selectedText() const;
  void selectAll();
  void copySelection();
  // Repaints now instead of at the next tick (tests, and the end of a run).
  void refresh();
  // The context menu's captions (the owner's language), for "Copy" and "Select all".
  void setMenuTexts(const QString& copy, const QString& selectAll);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // The rows in sight as text, one line each without trailing blanks: what assistive technology
  // reads (the console's screen reader interface follows it as the output comes), and where in
  // it a cell is and which cell holds a place in it (-1, or an empty rectangle, outside).
  QString screenText() const;
  int screenOffset(int row, int column) const;
  QRect cellRect(int offset) const;
  int screenOffsetAt(const QPoint& viewportPos) const;
  // What changed from one screen text to the next: at `position`, `removed` gave way to
  // `inserted`; the text before and after it is the same in both.
  struct Change {
    int position = 0;
    QString removed;
    QString inserted;
  };
  static Change changeBetween(const QString& before, const QString& after);

  // The grid: columns are as wide as the font's real advance, which is rarely a whole number of
  // pixels; columnX is a column's left edge in the viewport (column 80 is the right end).
  int lineHeight() const { return lineHeight_; }
  int columnX(int column) const;
  // The colour of a console colour index (0 to 15).
  static QColor colour(int index);

 signals:
  // The context menu is about to open: the moment to set its texts.
  void menuAboutToShow();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  bool event(QEvent* event) override;

 private:
  void modelChanged();
  // Tells assistive technology what changed in the screen text since it was last told.
  void announceChanges();
  void applyWindowRect();
  void updateScrollRange();
  int followTop() const;
  // (the column boundary nearest to pos, buffer row): where a selection starts or ends.
  QPoint cellAt(const QPoint& pos) const;
  bool isSelected(int row, int column) const;

  ScreenModel* model_;
  QTimer* repaintTimer_;
  qreal cellWidth_ = 8;
  int lineHeight_ = 16;
  int ascent_ = 12;
  int preferredRows_ = 25;
  bool following_ = true;
  bool settingScroll_ = false;
  qint64 seenScrolledOut_ = 0;
  // Selection in buffer coordinates (column, row); empty when anchor == end.
  QPoint selAnchor_{-1, -1};
  QPoint selEnd_{-1, -1};
  QString announced_;  // the screen text as assistive technology last heard it
  int announcedCursor_ = -1;
};
