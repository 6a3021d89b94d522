// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Language files: listing the ones in a folder, finding one by its English name, and reading
// one into a list of entries that the window side applies. A language file is a configuration
// file whose string entries are "KIND\TARGET" = text; two entries identify the language.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace LanguageFiles {

inline constexpr char IdentityName[] = "LanguageName";
inline constexpr char IdentityEnglishName[] = "LanguageName_en";

// Names (without folder) of the plain files in a folder, hidden ones included, in the order
// the file system gives them.
QList<QByteArray> ListFiles(const QByteArray& folder);

// Fills the three lists in parallel with the languages found in the folder (which may end with
// "/" or not): own names, English names and bare file names. Unsorted; duplicates kept. A
// language file whose names or texts are not all UTF-8 is not listed; its bare name goes to
// `notUtf8` when given.
void ListLanguages(const QByteArray& folder, QList<QByteArray>& names,
                   QList<QByteArray>& englishNames, QList<QByteArray>& fileNames,
                   QList<QByteArray>* notUtf8 = nullptr);

// A file name for a message: its UTF-8 characters as they are, every other byte (and control
// characters) as \xHH, so that no name shows as U+FFFD or breaks the message.
QString DisplayName(const QByteArray& name);

enum class EntryKind {
  Unknown,
  Button,
  Label,
  Edit,
  GroupBox,
  CheckBox,
  SpeedButton,
  RadioGroup,
  RadioButton,
  TabSheet,
  Hint,
  LEdit,
  MenuItem,
  Form,
  RadioGroupItems,
  HeaderControl,
  SaveDialog,
  SaveDialogFilter,
  OpenDialog,
  OpenDialogFilter,
  Application,
  Var,
  // What assistive technology says for a control: its name and its description (a program's
  // own addition: files without them leave the names Qt derives from captions and labels).
  AccName,
  AccDesc,
};

// The upper-cased kind word to its kind; Unknown for anything else.
EntryKind KindFromWord(const QByteArray& word);
// The nine kinds that all set the caption or text of a visual control.
bool IsCaptionKind(EntryKind kind);

struct Entry {
  EntryKind kind = EntryKind::Unknown;
  QByteArray formName;       // not used by VAR and APPLICATION
  QByteArray componentName;  // for FORM: the window's name
  qint32 number = -1;        // VAR only
  bool numberValid = false;  // VAR only: the target followed the integer grammar
  QByteArray value;
};

// Splits an entry name into its kind and target and, for kinds other than VAR, into form and
// component names; `defaultForm` stands in where the target names no form.
Entry ParseEntry(const QByteArray& name, const QByteArray& value, const QByteArray& defaultForm);

struct Language {
  QByteArray name;
  QByteArray englishName;
  // String entries in stored order, with the ones that can never do anything left out: empty
  // values, unknown kinds and VAR entries whose target is not a number.
  QList<Entry> entries;
};

// Loads a language file (the "CFGDATA" header is required). False when the file cannot be
// read or parsed or lacks an identity entry; `out` is untouched then.
bool LoadLanguage(const QByteArray& path, const QByteArray& defaultForm, Language& out);

// Bare file name of the language with that English name: "<name>.lng" when that file is it, else
// the first one listed; else, for a non-empty name, the same for "English"; else empty. When
// "<name>.lng" was taken and `loaded` is given, it receives that file's language as LoadLanguage
// reads it (entries without a window for `defaultForm`), so that start-up reads the file once;
// otherwise `loaded` is left as it was.
QByteArray FindLanguageFile(const QByteArray& folder, const QByteArray& englishName,
                            std::optional<Language>* loaded = nullptr,
                            const QByteArray& defaultForm = {});

}  // namespace LanguageFiles
