// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/PanelSlideLayout.h"

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

PanelSlideLayout::PanelSlideLayout(QWidget* window, QWidget* column, QWidget* panel, int overlap)
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

PanelSlideLayout::~PanelSlideLayout() {
  delete column_;
  delete panel_;
}

void PanelSlideLayout::setShownWidth(int extra) {
  const int whole = (panel_->widget() ? panel_->widget()->width() : 0) + overlap_;
  whole_ = extra >= whole;
  extra_ = qMax(0, extra);
  invalidate();
}

int PanelSlideLayout::shownWidth() const {
  const int whole = panelSize().width() + overlap_;
  return whole_ ? whole : qMin(extra_, whole);
}

QSize PanelSlideLayout::columnSize() const {
  return neededSize(column_);
}

QSize PanelSlideLayout::panelSize() const {
  return neededSize(panel_);
}

int PanelSlideLayout::height() const {
  return qMax(columnSize().height(), panelSize().height());
}

QSize PanelSlideLayout::sizeHint() const {
  return {columnSize().width() + shownWidth(), height()};
}

QSize PanelSlideLayout::minimumSize() const {
  return sizeHint();
}

QSize PanelSlideLayout::maximumSize() const {
  return sizeHint();
}

void PanelSlideLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  const int columnWidth = columnSize().width();
  const int h = height();
  column_->setGeometry(QRect(rect.x(), rect.y(), columnWidth, h));
  // The panel keeps its whole size; the window's edge cuts off what is not shown yet.
  panel_->setGeometry(QRect(rect.x() + columnWidth - overlap_, rect.y(), panelSize().width(), h));
}

void PanelSlideLayout::addItem(QLayoutItem* item) {
  // The two parts are fixed at construction.
  delete item;
}

QLayoutItem* PanelSlideLayout::itemAt(int index) const {
  return index == 0 ? column_ : index == 1 ? panel_ : nullptr;
}

QLayoutItem* PanelSlideLayout::takeAt(int) {
  return nullptr;
}

int PanelSlideLayout::count() const {
  return 2;
}
