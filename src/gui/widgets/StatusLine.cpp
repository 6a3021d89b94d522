// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/StatusLine.h"

#include <QStyle>
#include <QStyleOptionFrame>

StatusLine::StatusLine(QWidget* parent) : QLineEdit(parent) {
  // A line edit keeps its cursor at the end of a new text and scrolls the start out of sight.
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
    setCursorPosition(0);
    setToolTip(text);
  });
}

QSize StatusLine::sizeHint() const {
  ensurePolished();
  // The frame as the style draws it around the text, one pixel above and below the text as the
  // line edit keeps it, and the text's own height.
  QStyleOptionFrame opt;
  initStyleOption(&opt);
  opt.rect = QRect(0, 0, 100, 100);
  const int frame = 100 - style()->subElementRect(QStyle::SE_LineEditContents, &opt, this).height();
  const QMargins m = textMargins();
  return {QLineEdit::sizeHint().width(), fontMetrics().height() + frame + 2 + m.top() + m.bottom()};
}

QSize StatusLine::minimumSizeHint() const {
  return {QLineEdit::minimumSizeHint().width(), sizeHint().height()};
}
