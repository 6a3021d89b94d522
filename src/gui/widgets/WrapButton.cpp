// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/WrapButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
constexpr int TextFlags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
}

WrapButton::WrapButton(QWidget* parent) : CaptionButton(parent) {}

QSize WrapButton::sizeHint() const {
  ensurePolished();
  const QFontMetrics fm = fontMetrics();
  const QString caption = text();
  auto width = [&fm](const QString& s) { return fm.size(Qt::TextShowMnemonic, s).width(); };
  // The narrowest of: the caption on one line, or broken into two lines at one of its blanks.
  int best = width(caption);
  for (qsizetype i = caption.indexOf(QLatin1Char(' ')); i >= 0;
       i = caption.indexOf(QLatin1Char(' '), i + 1))
    best = qMin(best, qMax(width(caption.left(i)), width(caption.mid(i + 1))));
  const QRect lines = fm.boundingRect(QRect(0, 0, best, 100000), TextFlags, caption);
  return sizeFor(this, QSize(best, lines.height())).expandedTo(designedSize());
}

void WrapButton::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  const QString caption = opt.text;
  opt.text.clear();
  p.drawControl(QStyle::CE_PushButton, opt);
  QRect r = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
  if (isDown())
    r.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &opt, this),
                style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &opt, this));
  p.drawItemText(r, TextFlags, opt.palette, isEnabled(), caption, QPalette::ButtonText);
}
