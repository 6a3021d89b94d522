// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/LangTexts.h"

#include <QFile>
#include <QRegularExpression>

QList<int> UsedTextNumbers() {
  QFile header(QStringLiteral(PACKHELM_LANGTEXT_HEADER));
  if (!header.open(QIODevice::ReadOnly)) qFatal("cannot read %s", PACKHELM_LANGTEXT_HEADER);
  const QString text = QString::fromUtf8(header.readAll());
  const qsizetype begin = text.indexOf(QLatin1String("enum class LangText"));
  const qsizetype end = text.indexOf(QLatin1String("};"), begin);
  if (begin < 0 || end < 0) qFatal("no LangText enum in %s", PACKHELM_LANGTEXT_HEADER);
  QList<int> numbers;
  static const QRegularExpression entry(QStringLiteral("^\\s*\\w+\\s*=\\s*(\\d+)\\s*,"),
                                        QRegularExpression::MultilineOption);
  auto it = entry.globalMatch(text.mid(begin, end - begin));
  while (it.hasNext()) numbers << it.next().captured(1).toInt();
  return numbers;
}
