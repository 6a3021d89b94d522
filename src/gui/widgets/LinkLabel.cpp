// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/LinkLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
  QPalette p = palette();
  p.setColor(QPalette::WindowText, p.color(QPalette::Link));
  setPalette(p);
}

void LinkLabel::mousePressEvent(QMouseEvent* e) {
  pressed_ = e->button() == Qt::LeftButton;
  e->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* e) {
  const bool click =
      pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
  pressed_ = false;
  e->accept();
  if (click) emit clicked();
}

void LinkLabel::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      e->accept();
      emit clicked();
      return;
    default:
      QLabel::keyPressEvent(e);
  }
}

void LinkLabel::paintEvent(QPaintEvent* e) {
  QLabel::paintEvent(e);
  if (!hasFocus()) return;
  QStylePainter p(this);
  QStyleOptionFocusRect opt;
  opt.initFrom(this);
  opt.rect = contentsRect();
  p.drawPrimitive(QStyle::PE_FrameFocusRect, opt);
}
