#include "gui/widgets/TWrapButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

TWrapButton::TWrapButton(QWidget* parent) : QPushButton(parent) {}

void TWrapButton::paintEvent(QPaintEvent*) {
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
  p.drawItemText(r, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, opt.palette,
                 isEnabled(), caption, QPalette::ButtonText);
}
