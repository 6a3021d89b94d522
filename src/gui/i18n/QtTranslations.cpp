// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/i18n/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace QtTranslations {

namespace {

QTranslator* current = nullptr;
QLocale::Language currentLanguage = QLocale::C;

}  // namespace

QLocale::Language LanguageFor(const QByteArray& englishName) {
  const QString name = QString::fromUtf8(englishName).trimmed();
  if (name.isEmpty()) return QLocale::C;
  for (int l = QLocale::AnyLanguage + 1; l <= QLocale::LastLanguage; ++l) {
    const auto language = QLocale::Language(l);
    if (QLocale::languageToString(language).compare(name, Qt::CaseInsensitive) == 0)
      return language;
  }
  return QLocale::C;
}

bool Load(const QByteArray& englishName) {
  QLocale::Language language = LanguageFor(englishName);
  // Qt's own texts are English already.
  if (language == QLocale::English) language = QLocale::C;
  if (language == currentLanguage) return current != nullptr;

  if (current) {
    QCoreApplication::removeTranslator(current);
    delete current;
    current = nullptr;
  }
  currentLanguage = QLocale::C;
  if (language == QLocale::C) return false;

  // qtbase holds the texts of the widgets and dialogs this program uses.
  auto* translator = new QTranslator;
  if (!translator->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  current = translator;
  currentLanguage = language;
  return true;
}

QLocale::Language Loaded() {
  return currentLanguage;
}

}  // namespace QtTranslations
