// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FormDesign.h"

#include <QFile>
#include <QRegularExpression>

FormDesign::FormDesign(const QString& form) {
  QFile file(QStringLiteral(PACKHELM_FORMS_DIR "/") + form);
  if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read the form %s", qPrintable(form));
  ui_ = QString::fromUtf8(file.readAll());
}

QStringList FormDesign::widgets() const {
  static const QRegularExpression widget(
      QStringLiteral("<widget class=\"[^\"]+\" name=\"([^\"]+)\""));
  QStringList names;
  for (auto it = widget.globalMatch(ui_); it.hasNext();) names << it.next().captured(1);
  return names;
}

// The body of the property: a form writes a widget's properties before its children and layout.
QString FormDesign::own(const QString& widget, const QString& property) const {
  static const QRegularExpression next(QStringLiteral("<(widget|layout) "));
  const qsizetype at = ui_.indexOf(QStringLiteral("name=\"%1\">").arg(widget));
  if (at < 0) return {};
  const QRegularExpression body(
      QStringLiteral("<property name=\"%1\"[^>]*>(.*?)</property>").arg(property),
      QRegularExpression::DotMatchesEverythingOption);
  return body.match(ui_.mid(at, ui_.indexOf(next, at) - at)).captured(1);
}

QString FormDesign::text(const QString& widget, const QString& property) const {
  static const QRegularExpression string(QStringLiteral("<string>(.*)</string>"),
                                         QRegularExpression::DotMatchesEverythingOption);
  return string.match(own(widget, property))
      .captured(1)
      .replace(QLatin1String("&lt;"), QLatin1String("<"))
      .replace(QLatin1String("&gt;"), QLatin1String(">"))
      .replace(QLatin1String("&amp;"), QLatin1String("&"));
}

QSize FormDesign::size(const QString& widget, const QString& property) const {
  const QString body = own(widget, property);
  const auto number = [&](const char* tag) {
    return QRegularExpression(QStringLiteral("<%1>(\\d+)</%1>").arg(QLatin1String(tag)))
        .match(body)
        .captured(1)
        .toInt();
  };
  return {number("width"), number("height")};
}
