// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/CaptionButton.h"

#include <QStyle>
#include <QStyleOptionButton>

CaptionButton::CaptionButton(QWidget* parent) : QPushButton(parent) {}

QSize CaptionButton::sizeFor(const QPushButton* button, const QSize& textSize) {
  QStyleOptionButton opt;
  opt.initFrom(button);
  opt.text = button->text();
  opt.icon = button->icon();
  opt.iconSize = button->iconSize();
  QStyle* style = button->style();
  // The text is drawn inside the frame (the narrow designed buttons leave no more room than that).
  const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, button);
  int indicator = 0;
  if (button->isDefault() || button->autoDefault())
    indicator = style->pixelMetric(QStyle::PM_ButtonDefaultIndicator, &opt, button);
  int width = textSize.width() + 2 * (frame + indicator);
  if (!button->icon().isNull()) width += button->iconSize().width() + 4;
  // The height as the style makes it for one line; more lines add their own height.
  const int oneLine = button->fontMetrics().height();
  const int styleHeight =
      style->sizeFromContents(QStyle::CT_PushButton, &opt, QSize(textSize.width(), oneLine), button)
          .height();
  const int height = qMax(styleHeight + textSize.height() - oneLine,
                          textSize.height() + 2 * (frame + indicator + 1));
  return {width, height};
}

void CaptionButton::setDesignedSize(const QSize& size) {
  designed_ = size;
  updateGeometry();
}

QSize CaptionButton::sizeHint() const {
  ensurePolished();
  return sizeFor(this, fontMetrics().size(Qt::TextShowMnemonic, text())).expandedTo(designed_);
}

QSize CaptionButton::minimumSizeHint() const {
  return sizeHint();
}
