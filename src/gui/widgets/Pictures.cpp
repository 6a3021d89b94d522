// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/Pictures.h"

#include <QPainter>
#include <QPixmap>

namespace Pictures {

QIcon IntegrationIcon() {
  QPixmap pm(20, 20);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(60, 60, 60));
  p.setBrush(QColor(250, 250, 250));
  p.drawRect(1, 1, 9, 12);  // the file
  p.drawLine(3, 4, 8, 4);
  p.drawLine(3, 7, 8, 7);
  p.setBrush(QColor(255, 255, 230));
  p.drawRect(7, 6, 12, 13);  // the menu
  p.fillRect(8, 11, 11, 4, QColor(60, 110, 200));
  p.setPen(QColor(60, 60, 60));
  p.drawLine(9, 9, 17, 9);
  p.setPen(Qt::white);
  p.drawLine(9, 13, 17, 13);
  p.setPen(QColor(60, 60, 60));
  p.drawLine(9, 17, 15, 17);
  return QIcon(pm);
}

}  // namespace Pictures
