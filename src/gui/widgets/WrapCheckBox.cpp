// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/WrapCheckBox.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace {
constexpr int TextFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
}

WrapCheckBox::WrapCheckBox(QWidget* parent) : QCheckBox(parent) {
  QSizePolicy p = sizePolicy();
  p.setHeightForWidth(true);
  setSizePolicy(p);
}

int WrapCheckBox::indicatorWidth() const {
  return style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
         style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
}

QRect WrapCheckBox::textRect(int width, int height) const {
  const int left = indicatorWidth();
  return QRect(left, 0, qMax(1, width - left - 2), height);
}

int WrapCheckBox::heightForWidth(int width) const {
  const QRect r = fontMetrics().boundingRect(textRect(width, 10000), TextFlags, text());
  const int indicator = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
  return qMax(indicator, r.height()) + 2;
}

QSize WrapCheckBox::sizeHint() const {
  const int w = qMax(width(), indicatorWidth() + 20);
  return QSize(w, heightForWidth(w));
}

QSize WrapCheckBox::minimumSizeHint() const {
  return QSize(indicatorWidth() + 20, heightForWidth(indicatorWidth() + 20));
}

void WrapCheckBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  // The indicator as the style draws it, vertically centred; the text wrapped beside it.
  QStyleOptionButton indicator = opt;
  const int ih = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
  const int iw = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
  indicator.rect = QRect(0, (height() - ih) / 2, iw, ih);
  style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &indicator, &painter, this);
  const QRect tr = textRect(width(), height());
  style()->drawItemText(&painter, tr, TextFlags, opt.palette, isEnabled(), text(),
                        QPalette::WindowText);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = fontMetrics().boundingRect(tr, TextFlags, text()).adjusted(-1, 0, 1, 0);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

bool WrapCheckBox::hitButton(const QPoint& pos) const {
  return rect().contains(pos);
}
