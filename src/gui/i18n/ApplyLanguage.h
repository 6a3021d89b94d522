// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Applies a language file to every window at once: captions, hints, radio-group items, dialog
// titles and filters, window captions, the application's display name and the numbered texts;
// and Qt's own texts follow the file's language (QtTranslations).

#include <QByteArray>
#include <QList>

#include "core/i18n/LanguageFiles.h"
#include "core/settings/ProgramState.h"

class QWidget;

// `path` is folder and file name. Texts above `highest` (or beyond the table) are not touched.
// False, with no window and no text changed, when the file does not load or lacks an identity
// entry.
bool ApplyLanguage(const QByteArray& path, LangTextTable& texts, int highest,
                   const QByteArray& defaultForm, const QList<QWidget*>& forms);

// The window side of the above, for an already loaded language.
void ApplyLanguageEntries(const LanguageFiles::Language& language, LangTextTable& texts,
                          int highest, const QList<QWidget*>& forms);
