// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Qt's own texts (the buttons of message boxes, the file dialogs' "Look in", "Open", "Cancel",
// the context menus of text boxes) in the language of the applied language file, from the
// translations the system has (Debian: qt6-translations-l10n).

#include <QByteArray>
#include <QLocale>

namespace QtTranslations {

// Qt's language of a language file's English name ("German", "Russian"), compared without regard
// to case; QLocale::C when Qt knows no language of that name.
QLocale::Language LanguageFor(const QByteArray& englishName);

// Puts the translations of that language in place of those loaded before. English, a language Qt
// does not know and one the system has no translations for leave Qt's texts in English. True
// when translations were loaded.
bool Load(const QByteArray& englishName);

// The language whose translations are loaded; QLocale::C when none are.
QLocale::Language Loaded();

}  // namespace QtTranslations
