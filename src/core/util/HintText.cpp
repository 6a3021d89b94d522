// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/util/HintText.h"

#include <QStringList>

namespace HintText {

QString Shape(const QString& hint, QChar separator) {
  QString out = hint;
  out.replace(separator, QLatin1Char('\n'));
  return out;
}

QString ToRichText(const QString& text) {
  QStringList lines = text.split(QLatin1Char('\n'));
  for (QString& line : lines) line = line.toHtmlEscaped();
  return QStringLiteral("<p style=\"white-space:pre\">") + lines.join(QStringLiteral("<br>")) +
         QStringLiteral("</p>");
}

int ClampTop(int top, int screenHeight) {
  return top + 10 > screenHeight ? screenHeight - 11 : top;
}

}  // namespace HintText
