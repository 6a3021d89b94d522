// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FormDesign.h"

#include <QFile>
#include <QRect>
#include <QSize>
#include <QXmlStreamReader>

FormDesign::FormDesign(const QString& form) {
  QFile file(QStringLiteral(PACKHELM_FORMS_DIR "/") + form);
  if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read the form %s", qPrintable(form));
  QXmlStreamReader xml(&file);
  // The widgets around the element read now, and the property being read with its numbers.
  QStringList widgets;
  QList<bool> isWidget;
  QString property;
  QHash<QString, int> numbers;
  QString valueKind;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      const QString tag = xml.name().toString();
      const bool widget = tag == u"widget";
      isWidget.append(widget);
      if (widget) {
        widgets.append(xml.attributes().value(QStringLiteral("name")).toString());
        widgets_.append(widgets.last());
      } else if (tag == u"property" && !widgets.isEmpty() && property.isEmpty() &&
                 isWidget.value(isWidget.size() - 2)) {
        property = xml.attributes().value(QStringLiteral("name")).toString();
        numbers.clear();
        valueKind.clear();
      } else if (!property.isEmpty() && valueKind.isEmpty()) {
        valueKind = tag;
        if (tag == u"number" || tag == u"string" || tag == u"bool" || tag == u"enum" ||
            tag == u"set" || tag == u"cstring") {
          const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
          isWidget.removeLast();
          QVariant v = text;
          if (tag == u"number") v = text.toInt();
          if (tag == u"bool") v = text == u"true";
          properties_.insert(widgets.last() + u'/' + property, v);
        }
      } else if (!property.isEmpty()) {
        numbers.insert(tag, xml.readElementText(QXmlStreamReader::SkipChildElements).toInt());
        isWidget.removeLast();
      }
    } else if (xml.isEndElement()) {
      const QString tag = xml.name().toString();
      if (tag == u"property" && !property.isEmpty()) {
        if (valueKind == u"rect")
          properties_.insert(
              widgets.last() + u'/' + property,
              QRect(numbers.value(QStringLiteral("x")), numbers.value(QStringLiteral("y")),
                    numbers.value(QStringLiteral("width")),
                    numbers.value(QStringLiteral("height"))));
        else if (valueKind == u"size")
          properties_.insert(widgets.last() + u'/' + property,
                             QSize(numbers.value(QStringLiteral("width")),
                                   numbers.value(QStringLiteral("height"))));
        property.clear();
      }
      if (!isWidget.isEmpty() && isWidget.takeLast()) widgets.removeLast();
    }
  }
  if (xml.hasError()) qFatal("the form %s: %s", qPrintable(form), qPrintable(xml.errorString()));
}

QVariant FormDesign::property(const QString& widget, const QString& name) const {
  return properties_.value(widget + u'/' + name);
}
