// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/RadioGroup.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QRadioButton>

RadioGroup::RadioGroup(QWidget* parent)
    : QGroupBox(parent), group_(new QButtonGroup(this)), grid_(new QGridLayout(this)) {
  grid_->setContentsMargins(6, 2, 6, 2);
  grid_->setVerticalSpacing(0);
  connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked && id != index_) {
      index_ = id;
      emit itemIndexChanged(index_);
    }
  });
}

QStringList RadioGroup::items() const {
  QStringList r;
  for (auto* b : buttons_) r << b->text();
  return r;
}

void RadioGroup::setItems(const QStringList& items) {
  qDeleteAll(buttons_);
  buttons_.clear();
  const bool hadSelection = index_ != -1;
  index_ = -1;
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    b->setObjectName(objectName() + QStringLiteral("_item%1").arg(i));
    group_->addButton(b, i);
    buttons_.append(b);
  }
  placeInFocusChain();
  relayout();
  if (hadSelection) emit itemIndexChanged(-1);
}

void RadioGroup::placeInFocusChain() {
  // Items made after the window's other controls would come last in the Tab order: they go
  // where the group stands, after the nearest control before it that Tab reaches.
  QWidget* before = previousInFocusChain();
  while (before != this && !(before->focusPolicy() & Qt::TabFocus && !isAncestorOf(before)))
    before = before->previousInFocusChain();
  if (before == this || before->isWindow()) return;
  for (QRadioButton* b : std::as_const(buttons_)) {
    QWidget::setTabOrder(before, b);
    before = b;
  }
}

int RadioGroup::count() const {
  return int(buttons_.size());
}

void RadioGroup::setItemText(int index, const QString& text) {
  if (index >= 0 && index < count()) buttons_[index]->setText(text);
}

QRadioButton* RadioGroup::button(int index) const {
  return index >= 0 && index < count() ? buttons_[index] : nullptr;
}

void RadioGroup::setItemIndex(int index) {
  index = qBound(-1, index, count() - 1);
  if (index == index_) return;
  if (index == -1) {
    // An exclusive group will not let its checked button go; lift that for the moment.
    group_->setExclusive(false);
    for (auto* b : buttons_) b->setChecked(false);
    group_->setExclusive(true);
    index_ = -1;
    emit itemIndexChanged(-1);
    return;
  }
  buttons_[index]->setChecked(true);  // idToggled updates index_ and notifies
}

void RadioGroup::setColumns(int columns) {
  columns_ = qMax(1, columns);
  relayout();
}

bool RadioGroup::bare() const {
  return isFlat() && title().isEmpty();
}

// The group box sets its margins from the style whenever its style, font or title changes.
void RadioGroup::fitMargins() {
  if (bare()) {
    setContentsMargins(0, 0, 0, 0);
    grid_->setContentsMargins(0, 0, 0, 0);
  } else {
    grid_->setContentsMargins(6, 2, 6, 2);
  }
}

bool RadioGroup::event(QEvent* e) {
  const bool done = QGroupBox::event(e);
  switch (e->type()) {
    case QEvent::Polish:
    case QEvent::StyleChange:
    case QEvent::FontChange:
      fitMargins();
      break;
    default:
      break;
  }
  return done;
}

void RadioGroup::paintEvent(QPaintEvent* e) {
  if (!bare()) QGroupBox::paintEvent(e);
}

void RadioGroup::relayout() {
  for (auto* b : buttons_) grid_->removeWidget(b);
  const int rows = (count() + columns_ - 1) / columns_;
  for (int i = 0; i < count(); ++i)
    grid_->addWidget(buttons_[i], rows ? i % rows : 0, rows ? i / rows : 0);
}
