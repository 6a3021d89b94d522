// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/Fitting.h"

#include <QGroupBox>
#include <QLayout>
#include <QStyle>
#include <QStyleOptionGroupBox>

int GroupWidthForTitles(const QGroupBox* box, const QStringList& titles) {
  // As QGroupBox measures its own title for its minimum size.
  QStyleOptionGroupBox opt;
  opt.initFrom(box);
  opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  const QFontMetrics fm = box->fontMetrics();
  int width = box->layout() ? box->layout()->totalMinimumSize().width() : 0;
  for (const QString& title : titles) {
    opt.text = title;
    const QSize text(fm.horizontalAdvance(title) + fm.horizontalAdvance(QLatin1Char(' ')),
                     fm.height());
    width =
        qMax(width, box->style()->sizeFromContents(QStyle::CT_GroupBox, &opt, text, box).width());
  }
  return width;
}
