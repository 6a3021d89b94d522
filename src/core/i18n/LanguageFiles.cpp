// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/i18n/LanguageFiles.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QHash>
#include <algorithm>
#include <climits>

#include "core/settings/CFGfile.h"
#include "core/util/InstallLayout.h"
#include "core/util/StrUtils.h"

namespace LanguageFiles {

using StrUtils::CountWords;
using StrUtils::NthWord;
using StrUtils::TrimSpaces;

// Read with readdir, so that every name keeps its bytes (Qt's listing turns bytes that are not
// UTF-8 into U+FFFD, and the file cannot be opened by that name).
QList<QByteArray> ListFiles(const QByteArray& folder) {
  QList<QByteArray> names;
  DIR* dir = folder.isEmpty() ? nullptr : ::opendir(folder.constData());
  if (!dir) return names;
  const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
  while (const dirent* e = ::readdir(dir)) {
    const QByteArray name(e->d_name);
    if (name == "." || name == "..") continue;
    if (e->d_type == DT_DIR) continue;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st;
      if (::stat((prefix + name).constData(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    }
    names.append(name);
  }
  ::closedir(dir);
  return names;
}

namespace {

QByteArray withSlash(const QByteArray& folder) {
  return folder.endsWith('/') ? folder : folder + '/';
}

enum class Identity { None, NotUtf8, Language };

// Loads a candidate file and reads its identity entries. A file whose names or texts are not all
// UTF-8 (an old 8-bit code-page file) would show U+FFFD everywhere: it is no language we offer.
Identity loadIdentified(TCFGfile& cfg, const QByteArray& path, QByteArray& name,
                        QByteArray& englishName) {
  // Only regular files: opening a named pipe or a device found in the folder could block
  // the program for good.
  if (!TCFGfile::IsRegularFile(path)) return Identity::None;
  if (!cfg.LoadFromFile(path, true)) return Identity::None;
  if (!cfg.GetString(IdentityName, name) || !cfg.GetString(IdentityEnglishName, englishName))
    return Identity::None;
  for (int i = 0; i < cfg.StringCount(); ++i)
    if (!QByteArrayView(cfg.StringKeyAt(i)).isValidUtf8() ||
        !QByteArrayView(cfg.StringValueAt(i)).isValidUtf8())
      return Identity::NotUtf8;
  return Identity::Language;
}

// The language of a file loadIdentified accepted.
Language languageOf(const TCFGfile& cfg, QByteArray name, QByteArray englishName,
                    const QByteArray& defaultForm) {
  Language lang;
  lang.name = std::move(name);
  lang.englishName = std::move(englishName);
  const int count = cfg.StringCount();
  lang.entries.reserve(count);
  for (int i = 0; i < count; ++i) {
    const QByteArray value = cfg.StringValueAt(i);
    if (value.isEmpty()) continue;
    Entry e = ParseEntry(cfg.StringKeyAt(i), value, defaultForm);
    if (e.kind == EntryKind::Unknown) continue;
    if (e.kind == EntryKind::Var && !e.numberValid) continue;
    lang.entries.append(std::move(e));
  }
  return lang;
}

}  // namespace

void ListLanguages(const QByteArray& folder, QList<QByteArray>& names,
                   QList<QByteArray>& englishNames, QList<QByteArray>& fileNames,
                   QList<QByteArray>* notUtf8) {
  names.clear();
  englishNames.clear();
  fileNames.clear();
  if (notUtf8) notUtf8->clear();
  const QByteArray dir = withSlash(folder);
  for (const QByteArray& file : ListFiles(dir)) {
    TCFGfile cfg;  // a fresh store per candidate
    QByteArray name, englishName;
    const Identity identity = loadIdentified(cfg, dir + file, name, englishName);
    if (identity == Identity::NotUtf8 && notUtf8) notUtf8->append(file);
    if (identity != Identity::Language) continue;
    names.append(name);
    englishNames.append(englishName);
    fileNames.append(file);
  }
  if (lcLanguages().isInfoEnabled()) {
    QByteArrayList found;
    for (qsizetype i = 0; i < fileNames.size(); ++i)
      found << englishNames[i] + " (" + fileNames[i] + ')';
    qCInfo(lcLanguages, "languages in %s: %s", dir.constData(), found.join(", ").constData());
  }
}

QByteArray FindLanguageFile(const QByteArray& folder, const QByteArray& englishName,
                            std::optional<Language>* loaded, const QByteArray& defaultForm) {
  // The usual name first: a language file is normally named after its language, and reading
  // every file of the folder (a portable copy's holds the program itself) is then not needed.
  if (!englishName.isEmpty() && !englishName.contains('/')) {
    const QByteArray usual = englishName + ".lng";
    TCFGfile cfg;
    QByteArray name, claimed;
    if (loadIdentified(cfg, withSlash(folder) + usual, name, claimed) == Identity::Language &&
        claimed == englishName) {
      if (loaded) *loaded = languageOf(cfg, name, claimed, defaultForm);
      return usual;
    }
  }
  QList<QByteArray> names, englishNames, fileNames;
  ListLanguages(folder, names, englishNames, fileNames);
  const qsizetype exact = englishNames.indexOf(englishName);
  if (exact >= 0) return fileNames[exact];
  if (englishName.isEmpty()) return {};
  const qsizetype english = englishNames.indexOf(QByteArrayLiteral("English"));
  return english >= 0 ? fileNames[english] : QByteArray();
}

EntryKind KindFromWord(const QByteArray& word) {
  static const QHash<QByteArray, EntryKind> kinds{
      {"BUTTON", EntryKind::Button},
      {"LABEL", EntryKind::Label},
      {"EDIT", EntryKind::Edit},
      {"GROUPBOX", EntryKind::GroupBox},
      {"CHECKBOX", EntryKind::CheckBox},
      {"SPEEDBUTTON", EntryKind::SpeedButton},
      {"RADIOGROUP", EntryKind::RadioGroup},
      {"RADIOBUTTON", EntryKind::RadioButton},
      {"TABSHEET", EntryKind::TabSheet},
      {"HINT", EntryKind::Hint},
      {"LEDIT", EntryKind::LEdit},
      {"MENUITEM", EntryKind::MenuItem},
      {"FORM", EntryKind::Form},
      {"RADIOGROUPITEMS", EntryKind::RadioGroupItems},
      {"HEADERCONTROL", EntryKind::HeaderControl},
      {"SAVEDIALOG", EntryKind::SaveDialog},
      {"SAVEDIALOGFILTER", EntryKind::SaveDialogFilter},
      {"OPENDIALOG", EntryKind::OpenDialog},
      {"OPENDIALOGFILTER", EntryKind::OpenDialogFilter},
      {"APPLICATION", EntryKind::Application},
      {"VAR", EntryKind::Var},
      {"ACCNAME", EntryKind::AccName},
      {"ACCDESC", EntryKind::AccDesc},
  };
  return kinds.value(word, EntryKind::Unknown);
}

bool IsCaptionKind(EntryKind kind) {
  switch (kind) {
    case EntryKind::Button:
    case EntryKind::Label:
    case EntryKind::Edit:
    case EntryKind::GroupBox:
    case EntryKind::CheckBox:
    case EntryKind::SpeedButton:
    case EntryKind::RadioGroup:
    case EntryKind::RadioButton:
    case EntryKind::TabSheet:
      return true;
    default:
      return false;
  }
}

Entry ParseEntry(const QByteArray& name, const QByteArray& value, const QByteArray& defaultForm) {
  Entry e;
  e.value = value;
  e.kind = KindFromWord(TrimSpaces(NthWord(name, 1, '\\')).toUpper());
  const QByteArray target = TrimSpaces(NthWord(name, 2, '\\'));
  if (e.kind == EntryKind::Var) {
    // The grammar decides, not the default: two different defaults agree only when the
    // target was read.
    const qint32 a = StrUtils::ParseInt(target, INT_MIN);
    const qint32 b = StrUtils::ParseInt(target, INT_MAX);
    e.numberValid = a == b;
    e.number = e.numberValid ? a : -1;
    return e;
  }
  const quint32 words = CountWords(target, '.');
  if (words == 0) {
    e.componentName = defaultForm;
  } else if (words == 1) {
    e.formName = defaultForm;
    e.componentName = target;
  } else {
    e.formName = TrimSpaces(NthWord(target, 1, '.'));
    e.componentName = TrimSpaces(NthWord(target, 2, '.'));
  }
  return e;
}

bool LoadLanguage(const QByteArray& path, const QByteArray& defaultForm, Language& out) {
  TCFGfile cfg;
  QByteArray name, englishName;
  if (loadIdentified(cfg, path, name, englishName) != Identity::Language) return false;
  out = languageOf(cfg, std::move(name), std::move(englishName), defaultForm);
  return true;
}

QString DisplayName(const QByteArray& name) {
  QString shown;
  for (qsizetype i = 0; i < name.size();) {
    // A whole UTF-8 character from here is shown as text; any other byte as \xHH.
    const auto b = static_cast<unsigned char>(name[i]);
    const qsizetype len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    const QByteArrayView piece(name.constData() + i, std::min(len, name.size() - i));
    if (b >= 0x20 && b != 0x7f && piece.size() == len && piece.isValidUtf8()) {
      shown += QString::fromUtf8(piece);
      i += len;
    } else {
      shown += QStringLiteral("\\x%1").arg(uint(b), 2, 16, QLatin1Char('0'));
      ++i;
    }
  }
  return shown;
}

}  // namespace LanguageFiles
