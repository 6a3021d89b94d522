#include "core/i18n/LanguageFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <climits>

#include "core/settings/CFGfile.h"
#include "core/util/InstallLayout.h"
#include "core/util/StrUtils.h"

namespace LanguageFiles {

using StrUtils::CountWords;
using StrUtils::NthWord;
using StrUtils::TrimSpaces;

QList<QByteArray> ListFiles(const QByteArray& folder) {
  const QDir dir(QFile::decodeName(folder));
  const QStringList entries =
      dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
  QList<QByteArray> names;
  names.reserve(entries.size());
  for (const QString& e : entries) names.append(QFile::encodeName(e));
  return names;
}

namespace {

QByteArray withSlash(const QByteArray& folder) {
  return folder.endsWith('/') ? folder : folder + '/';
}

// Loads a candidate file and reads its identity entries; false when it is not a language file.
bool loadIdentified(TCFGfile& cfg, const QByteArray& path, QByteArray& name,
                    QByteArray& englishName) {
  // Only regular files: opening a named pipe or a device found in the folder could block
  // the program for good.
  if (!QFileInfo(QFile::decodeName(path)).isFile()) return false;
  if (!cfg.LoadFromFile(path, true)) return false;
  return cfg.GetString(IdentityName, name) && cfg.GetString(IdentityEnglishName, englishName);
}

}  // namespace

void ListLanguages(const QByteArray& folder, QList<QByteArray>& names,
                   QList<QByteArray>& englishNames, QList<QByteArray>& fileNames) {
  names.clear();
  englishNames.clear();
  fileNames.clear();
  const QByteArray dir = withSlash(folder);
  for (const QByteArray& file : ListFiles(dir)) {
    TCFGfile cfg;  // a fresh store per candidate
    QByteArray name, englishName;
    if (!loadIdentified(cfg, dir + file, name, englishName)) continue;
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

QByteArray FindLanguageFile(const QByteArray& folder, const QByteArray& englishName) {
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
  Language lang;
  if (!loadIdentified(cfg, path, lang.name, lang.englishName)) return false;
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
  out = std::move(lang);
  return true;
}

}  // namespace LanguageFiles
