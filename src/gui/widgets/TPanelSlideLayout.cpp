#include "gui/widgets/TPanelSlideLayout.h"

#include <QWidget>

namespace {

// The room an item needs: its preferred size, at least its widget's own minimum (the designed
// size), and for text that wraps the height at that width.
QSize neededSize(QLayoutItem* item) {
  QSize s = item->sizeHint();
  if (const QWidget* w = item->widget()) s = s.expandedTo(w->minimumSize());
  if (item->hasHeightForWidth()) s.setHeight(qMax(s.height(), item->heightForWidth(s.width())));
  return s;
}

}  // namespace

TPanelSlideLayout::TPanelSlideLayout(QWidget* window, QWidget* column, QWidget* panel, int overlap)
    : QLayout(window),
      column_(new QWidgetItem(column)),
      panel_(new QWidgetItem(panel)),
      overlap_(overlap) {
  setContentsMargins(0, 0, 0, 0);
  // The window takes the layout's size and nothing else: the panel's slide sets it.
  setSizeConstraint(QLayout::SetFixedSize);
  addChildWidget(column);
  addChildWidget(panel);
}

TPanelSlideLayout::~TPanelSlideLayout() {
  delete column_;
  delete panel_;
}

void TPanelSlideLayout::setShownWidth(int extra) {
  const int whole = (panel_->widget() ? panel_->widget()->width() : 0) + overlap_;
  whole_ = extra >= whole;
  extra_ = qMax(0, extra);
  invalidate();
}

int TPanelSlideLayout::shownWidth() const {
  const int whole = panelSize().width() + overlap_;
  return whole_ ? whole : qMin(extra_, whole);
}

QSize TPanelSlideLayout::columnSize() const {
  return neededSize(column_);
}

QSize TPanelSlideLayout::panelSize() const {
  return neededSize(panel_);
}

int TPanelSlideLayout::height() const {
  return qMax(columnSize().height(), panelSize().height());
}

QSize TPanelSlideLayout::sizeHint() const {
  return {columnSize().width() + shownWidth(), height()};
}

QSize TPanelSlideLayout::minimumSize() const {
  return sizeHint();
}

QSize TPanelSlideLayout::maximumSize() const {
  return sizeHint();
}

void TPanelSlideLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  const int columnWidth = columnSize().width();
  const int h = height();
  column_->setGeometry(QRect(rect.x(), rect.y(), columnWidth, h));
  // The panel keeps its whole size; the window's edge cuts off what is not shown yet.
  panel_->setGeometry(QRect(rect.x() + columnWidth - overlap_, rect.y(), panelSize().width(), h));
}

void TPanelSlideLayout::addItem(QLayoutItem* item) {
  // The two parts are fixed at construction.
  delete item;
}

QLayoutItem* TPanelSlideLayout::itemAt(int index) const {
  return index == 0 ? column_ : index == 1 ? panel_ : nullptr;
}

QLayoutItem* TPanelSlideLayout::takeAt(int) {
  return nullptr;
}

int TPanelSlideLayout::count() const {
  return 2;
}
