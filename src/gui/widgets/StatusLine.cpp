// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/StatusLine.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>

namespace {

// Room the line edit keeps beside its text.
constexpr int kTextMargin = 2;
// The text's width in the designed line of 296 pixels.
constexpr int kDesignedTextWidth = 288;

}  // namespace

StatusLine::StatusLine(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
    setCursorPosition(0);
    setToolTip(text);
    setAccessibleDescription(text);
    // As many lines as the message needs now.
    if (linesNeeded() != lines_) updateGeometry();
    update();
  });
}

void StatusLine::setKind(Kind kind) {
  kind_ = kind;
  update();
}

QRect StatusLine::textRect() const {
  QStyleOptionFrame opt;
  initStyleOption(&opt);
  QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &opt, this);
  return r.marginsRemoved(textMargins()).adjusted(kTextMargin, 1, -kTextMargin, -1);
}

QStringList StatusLine::wrapped(int width) const {
  QStringList lines;
  const QString message = text();
  QTextLayout layout(message, font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(qMax(width, 1));
    lines << message.mid(line.textStart(), line.textLength());
  }
  layout.endLayout();
  return lines;
}

int StatusLine::linesNeeded() const {
  // Before a layout has given it a width, the line is taken as wide as the designed one.
  const int width = testAttribute(Qt::WA_Resized) ? textRect().width() : kDesignedTextWidth;
  return qBound(1, int(wrapped(width).size()), MaxLines);
}

bool StatusLine::wholeShown() const {
  return wrapped(textRect().width()).size() <= MaxLines;
}

QStringList StatusLine::shownLines() const {
  const int width = textRect().width();
  QStringList lines = wrapped(width);
  if (lines.size() <= MaxLines) return lines;
  // The rest goes into the last line, cut at its end.
  const QString rest = QStringList(lines.mid(MaxLines - 1)).join(QString());
  lines = lines.mid(0, MaxLines - 1);
  lines << fontMetrics().elidedText(rest.simplified(), Qt::ElideRight, width);
  return lines;
}

QColor StatusLine::textColour() const {
  const QColor text = palette().color(QPalette::Text);
  if (kind_ == Kind::Normal) return text;
  // Dark shades on a light field, light ones on a dark field: readable either way.
  const bool darkField = palette().color(QPalette::Base).lightness() < 128;
  if (kind_ == Kind::Error) return darkField ? QColor(0xff, 0x70, 0x70) : QColor(0xc0, 0x00, 0x00);
  return darkField ? QColor(0xff, 0xb8, 0x4d) : QColor(0x8a, 0x4b, 0x00);
}

void StatusLine::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QStyleOptionFrame frame;
  initStyleOption(&frame);
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &p, this);
  p.setPen(isEnabled() ? textColour() : palette().color(QPalette::Disabled, QPalette::Text));
  const QRect r = textRect();
  const int step = fontMetrics().height();
  const QStringList lines = shownLines();
  int y = r.top() + (r.height() - step * int(lines.size())) / 2;
  for (const QString& line : lines) {
    p.drawText(QRect(r.left(), y, r.width(), step), Qt::AlignLeft | Qt::AlignVCenter, line);
    y += step;
  }
}

void StatusLine::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  // A new width may take more lines or fewer.
  if (linesNeeded() != lines_) updateGeometry();
}

QSize StatusLine::sizeHint() const {
  ensurePolished();
  // The frame as the style draws it around the text, one pixel above and below the text as the
  // line edit keeps it, and the text's own lines.
  QStyleOptionFrame opt;
  initStyleOption(&opt);
  opt.rect = QRect(0, 0, 100, 100);
  const int frame = 100 - style()->subElementRect(QStyle::SE_LineEditContents, &opt, this).height();
  const QMargins m = textMargins();
  lines_ = linesNeeded();
  return {QLineEdit::sizeHint().width(),
          lines_ * fontMetrics().height() + frame + 2 + m.top() + m.bottom()};
}

QSize StatusLine::minimumSizeHint() const {
  return {QLineEdit::minimumSizeHint().width(), sizeHint().height()};
}
