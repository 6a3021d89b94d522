// SPDX-License-Identifier: GPL-3.0-or-later
// The shipped language files against the real windows: every text a person reads comes from
// the file, every entry reaches a control of the right sort, every numbered text the program
// reads is there, and the files of all languages carry the same entries.

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <memory>

#include "core/i18n/LanguageFiles.h"
#include "core/settings/CFGfile.h"
#include "gui/dialogs/TFormChooseLang.h"
#include "gui/dialogs/TFormOpt.h"
#include "gui/i18n/ApplyLanguage.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"
#include "gui/widgets/RadioGroup.h"
#include "support/LangTexts.h"
#include "support/TestProgramDir.h"

using namespace LanguageFiles;

namespace {

// The languages that ship, as file, own name and English name.
struct Shipped {
  const char* file;
  const char* name;
  const char* englishName;
};
const Shipped kShipped[] = {
    {"English.lng", "English", "English"},
    {"Russian.lng", "Русский", "Russian"},
    {"German.lng", "Deutsch", "German"},
};

// Texts that no language file sets, because they read the same in every language. Each names
// a control ("Window.Control") and why.
const QHash<QString, const char*> kSameInEveryLanguage = {
    {QStringLiteral("FormMain.ButtonIn"), "\"...\""},
    {QStringLiteral("FormMain.ButtonOut"), "\"...\""},
    {QStringLiteral("FormMain.ButtonPackE"), "\"E\""},
    {QStringLiteral("FormMain.ButtonUnPackE"), "\"E\""},
    {QStringLiteral("FormMain.LabelF1"), "a figure"},
    {QStringLiteral("FormMain.LabelF2"), "a figure"},
    {QStringLiteral("FormMain.LabelF3"), "a figure"},
    {QStringLiteral("FormMain.LabelC11"), "the slider's end value"},
    {QStringLiteral("FormMain.LabelC12"), "the slider's end value"},
    {QStringLiteral("FormMain.Compress1ValueBox"), "the switch's name"},
    {QStringLiteral("FormMain.RadioButton_nrv2b"), "a method's name"},
    {QStringLiteral("FormMain.RadioButton_nrv2d"), "a method's name"},
    {QStringLiteral("FormMain.RadioButton_nrv2e"), "a method's name"},
    {QStringLiteral("FormAbout.Label1"), "the program's name"},
    {QStringLiteral("FormAbout.Label9"), "the packer's copyright notice"},
    {QStringLiteral("FormAbout.Label5"), "an address"},
    {QStringLiteral("FormAbout.Label7"), "an address"},
    {QStringLiteral("FormAbout.Label10"), "an address"},
    {QStringLiteral("FormAbout.Label13"), "the licence's SPDX name"},
};

// One text that a window shows: a caption, a title, an item, a hint.
struct TextSlot {
  QString control;  // "Window.Control"
  QString what;     // "caption", "item 2", "hint", ...
  std::function<QString()> get;
  std::function<void(const QString&)> set;
};

bool insideRadioGroup(const QObject* o) {
  return qobject_cast<const RadioGroup*>(o->parent()) != nullptr;
}

// Every non-empty text of the windows, found by walking their objects rather than from a list,
// so that a control added later is covered too.
QList<TextSlot> textSlots(const QList<QWidget*>& forms) {
  QList<TextSlot> found;
  for (QWidget* form : forms) {
    const QString formName = form->objectName();
    if (!form->windowTitle().isEmpty())
      found.append({formName, QStringLiteral("window title"),
                    [form] { return form->windowTitle(); },
                    [form](const QString& t) { form->setWindowTitle(t); }});
    for (QObject* o : form->findChildren<QObject*>()) {
      const QString name = o->objectName();
      if (name.startsWith(QLatin1String("qt_"))) continue;
      const QString control =
          formName + '.' +
          (name.isEmpty() ? QString::fromLatin1(o->metaObject()->className()) : name);
      auto add = [&](const QString& what, std::function<QString()> get,
                     std::function<void(const QString&)> set) {
        if (!get().isEmpty()) found.append({control, what, std::move(get), std::move(set)});
      };
      if (auto* spec = qobject_cast<FileDialogSpec*>(o)) {
        add(
            QStringLiteral("dialog title"), [spec] { return spec->title; },
            [spec](const QString& t) { spec->title = t; });
        add(
            QStringLiteral("dialog filter"), [spec] { return spec->filter; },
            [spec](const QString& t) { spec->filter = t; });
        continue;
      }
      auto* w = qobject_cast<QWidget*>(o);
      if (!w) continue;
      add(
          QStringLiteral("hint"), [w] { return w->toolTip(); },
          [w](const QString& t) { w->setToolTip(t); });
      // What a screen reader says: set by the file, or taken from a caption or hint it sets.
      add(
          QStringLiteral("accessible name"), [w] { return w->accessibleName(); },
          [w](const QString& t) { w->setAccessibleName(t); });
      add(
          QStringLiteral("accessible description"), [w] { return w->accessibleDescription(); },
          [w](const QString& t) { w->setAccessibleDescription(t); });
      if (auto* group = qobject_cast<RadioGroup*>(w)) {
        for (int i = 0; i < group->count(); ++i)
          add(
              QStringLiteral("item %1").arg(i), [group, i] { return group->items().value(i); },
              [group, i](const QString& t) { group->setItemText(i, t); });
      }
      if (auto* box = qobject_cast<QGroupBox*>(w)) {
        add(
            QStringLiteral("title"), [box] { return box->title(); },
            [box](const QString& t) { box->setTitle(t); });
      } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        // The radio group's own buttons are its items, covered above.
        if (!insideRadioGroup(button))
          add(
              QStringLiteral("caption"), [button] { return button->text(); },
              [button](const QString& t) { button->setText(t); });
      } else if (auto* label = qobject_cast<QLabel*>(w)) {
        add(
            QStringLiteral("caption"), [label] { return label->text(); },
            [label](const QString& t) { label->setText(t); });
      }
    }
  }
  return found;
}

// A mark that no language would ever write.
QString unsetMark(const TextSlot& s) {
  return QStringLiteral("\x01unset %1 %2").arg(s.control, s.what);
}

QByteArray langDir() {
  return QFile::encodeName(QStringLiteral(PACKHELM_LANG_SOURCE_DIR)) + '/';
}

// The string entries of a language file as stored, empty and unknown ones included.
QList<QPair<QByteArray, QByteArray>> rawEntries(const QByteArray& path) {
  QList<QPair<QByteArray, QByteArray>> out;
  TCFGfile cfg;
  if (!cfg.LoadFromFile(path, true)) return out;
  for (int i = 0; i < cfg.StringCount(); ++i)
    out.append({cfg.StringKeyAt(i), cfg.StringValueAt(i)});
  return out;
}

// The packer's switches a hint names, in order ("--best", "-9", "--overlay=copy", "-L").
QStringList switchesOf(const QByteArray& hint) {
  static const QRegularExpression re(QStringLiteral("(?:^|[@ ,(])(-{1,2}[A-Za-z0-9][^@ ,()]*)"));
  QStringList out;
  for (auto it = re.globalMatch(QString::fromUtf8(hint)); it.hasNext();)
    out << it.next().captured(1);
  return out;
}

// Whether an entry's kind fits the object it names; empty when it does, else what is wrong.
QString sortMismatch(const Entry& e, QObject* o) {
  auto is = [o](const QMetaObject& mo) { return o->metaObject()->inherits(&mo); };
  switch (e.kind) {
    case EntryKind::Button:
      return qobject_cast<QPushButton*>(o) ? QString() : QStringLiteral("not a push button");
    case EntryKind::CheckBox:
      return qobject_cast<QCheckBox*>(o) ? QString() : QStringLiteral("not a check box");
    case EntryKind::RadioButton:
      return qobject_cast<QRadioButton*>(o) ? QString() : QStringLiteral("not a radio button");
    case EntryKind::Label:
      return qobject_cast<QLabel*>(o) ? QString() : QStringLiteral("not a label");
    case EntryKind::GroupBox:
      return qobject_cast<QGroupBox*>(o) && !is(RadioGroup::staticMetaObject)
                 ? QString()
                 : QStringLiteral("not a group box");
    case EntryKind::RadioGroup:
    case EntryKind::RadioGroupItems:
      return is(RadioGroup::staticMetaObject) ? QString() : QStringLiteral("not a radio group");
    case EntryKind::SpeedButton:
      return qobject_cast<QToolButton*>(o) ? QString() : QStringLiteral("not a tool button");
    case EntryKind::Hint:
    case EntryKind::AccName:
    case EntryKind::AccDesc:
      return qobject_cast<QWidget*>(o) ? QString() : QStringLiteral("not a control");
    case EntryKind::OpenDialog:
    case EntryKind::OpenDialogFilter:
    case EntryKind::SaveDialog:
    case EntryKind::SaveDialogFilter: {
      auto* spec = qobject_cast<FileDialogSpec*>(o);
      const bool open = e.kind == EntryKind::OpenDialog || e.kind == EntryKind::OpenDialogFilter;
      if (!spec) return QStringLiteral("not a file dialog");
      if ((spec->kind == FileDialogSpec::Kind::Open) != open)
        return QStringLiteral("a dialog of the other kind");
      return QString();
    }
    default:
      return QStringLiteral("a kind these windows do not use");
  }
}

}  // namespace

class TestLanguageSweep : public QObject {
  Q_OBJECT

  std::unique_ptr<TestProgram> prog;

  // The file as the program finds it: from the language folder it decided on.
  QByteArray shippedPath(const QByteArray& file) const { return prog->ctx.state.LangDir + file; }
  // A program of the given layout replaces the one init() made.
  void useLayout(Layout layout) { prog = std::make_unique<TestProgram>(true, false, layout); }
  static void addLayoutRows() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Layout>("layout");
    for (const Shipped& s : kShipped) {
      QTest::addRow("%s, portable", s.englishName) << QByteArray(s.file) << Layout::Portable;
      QTest::addRow("%s, installed", s.englishName) << QByteArray(s.file) << Layout::Installed;
    }
  }

 private slots:
  void init() {
    prog = std::make_unique<TestProgram>(true, false);
    Prompts::Test() = Prompts::TestScript();
    Prompts::Test().active = true;
  }
  void cleanup() { prog.reset(); }

  // The list below is what ships: a new language file joins the sweep by a row here.
  void shippedLanguagesAreTheListedOnes() {
    QList<QByteArray> names, english, files;
    ListLanguages(langDir(), names, english, files);
    QCOMPARE(files.size(), qsizetype(std::size(kShipped)));
    for (const Shipped& s : kShipped) {
      const qsizetype i = files.indexOf(s.file);
      QVERIFY2(i >= 0, s.file);
      QCOMPARE(names[i], QByteArray(s.name));
      QCOMPARE(english[i], QByteArray(s.englishName));
    }
  }

  void everyTextComesFromTheFile_data() { addLayoutRows(); }
  void everyTextComesFromTheFile() {
    QFETCH(QByteArray, file);
    QFETCH(Layout, layout);
    useLayout(layout);
    const QList<TextSlot> texts = textSlots(prog->ctx.forms());
    QVERIFY(texts.size() > 100);

    // The exceptions name controls that exist, so the list cannot go stale. (An address the
    // build leaves unset has no text, so the windows are asked, not the texts.)
    QSet<QString> controls;
    for (QWidget* form : prog->ctx.forms())
      for (QObject* o : form->findChildren<QObject*>())
        controls.insert(form->objectName() + '.' + o->objectName());
    for (auto it = kSameInEveryLanguage.cbegin(); it != kSameInEveryLanguage.cend(); ++it)
      QVERIFY2(controls.contains(it.key()), qPrintable(it.key()));

    // Mark every text, then let the file and the language-dependent captions replace them.
    QHash<QString, QString> designed;
    for (const TextSlot& s : texts) {
      designed.insert(s.control + ' ' + s.what, s.get());
      s.set(unsetMark(s));
    }
    QVERIFY(ApplyLanguage(shippedPath(file), prog->ctx.state.LangTexts, LangTextHighest, "FormMain",
                          prog->ctx.forms()));
    prog->ctx.FormMain->SetLanguage();

    QStringList left;
    int checked = 0;
    for (const TextSlot& s : texts) {
      if (kSameInEveryLanguage.contains(s.control)) continue;
      ++checked;
      const QString now = s.get();
      if (now.contains(QChar(1)))
        left << QStringLiteral("%1 %2 (designed: \"%3\")")
                    .arg(s.control, s.what, designed.value(s.control + ' ' + s.what));
      else if (now.trimmed().isEmpty())
        left << QStringLiteral("%1 %2 is empty").arg(s.control, s.what);
    }
    QVERIFY2(left.isEmpty(), qPrintable(file + " does not set:\n  " + left.join("\n  ")));
    qInfo("%s: %d texts set", file.constData(), checked);

    for (int n : UsedTextNumbers())
      QVERIFY2(!prog->ctx.state.LangTexts[size_t(n)].trimmed().isEmpty(),
               qPrintable(file + " lacks VAR\\" + QByteArray::number(n)));
  }

  // Windows are built on first use: one built after the language was chosen shows every text
  // exactly as one that existed when the language was applied.
  void windowsBuiltLaterShowTheLanguage_data() { everyTextComesFromTheFile_data(); }
  void windowsBuiltLaterShowTheLanguage() {
    QFETCH(QByteArray, file);
    const auto textsOf = [](AppContext& ctx) {
      QHash<QString, QString> all;
      for (const TextSlot& s : textSlots(ctx.forms()))
        all.insert(s.control + ' ' + s.what, s.get());
      return all;
    };
    prog->ctx.changeLanguage(file);
    const QHash<QString, QString> eager = textsOf(prog->ctx);

    TestProgramDir dir(true, false);
    AppContext lazy;
    dir.prepare(lazy.state);
    lazy.runStartupOnShow = false;
    lazy.createForms();
    QCOMPARE(lazy.forms().size(), 1);  // nothing but the main window before first use
    lazy.changeLanguage(file);
    BuildEveryWindow(lazy);
    QCOMPARE(lazy.forms().size(), prog->ctx.forms().size());
    const QHash<QString, QString> later = textsOf(lazy);
    QCOMPARE(later.size(), eager.size());
    for (auto it = eager.cbegin(); it != eager.cend(); ++it)
      QVERIFY2(later.value(it.key()) == it.value(),
               qPrintable(it.key() + ": \"" + later.value(it.key()) + "\" instead of \"" +
                          it.value() + '"'));
  }

  void everyEntryReachesAControl_data() { addLayoutRows(); }
  void everyEntryReachesAControl() {
    QFETCH(QByteArray, file);
    QFETCH(Layout, layout);
    useLayout(layout);
    const auto entries = rawEntries(shippedPath(file));
    QVERIFY(entries.size() > 100);
    QStringList wrong;
    for (const auto& entry : entries) {
      // (Named, not bound: clang 14 cannot capture a structured binding in a lambda.)
      const QByteArray& name = entry.first;
      const QByteArray& value = entry.second;
      auto fail = [&](const QString& why) {
        wrong << QStringLiteral("%1: %2").arg(QString::fromUtf8(name), why);
      };
      if (!IsValidUtf8(value)) fail(QStringLiteral("not UTF-8"));
      if (value.trimmed().isEmpty()) fail(QStringLiteral("empty"));
      if (name == IdentityName || name == IdentityEnglishName) continue;
      const Entry e = ParseEntry(name, value, "FormMain");
      if (e.kind == EntryKind::Unknown) {
        fail(QStringLiteral("unknown kind"));
        continue;
      }
      if (e.kind == EntryKind::Application) continue;
      if (e.kind == EntryKind::Var) {
        if (!e.numberValid || e.number < 0 || e.number > LangTextHighest)
          fail(QStringLiteral("not a text number"));
        continue;
      }
      // Names are written as the windows spell them, though the program ignores case.
      QWidget* form = nullptr;
      const QByteArray formName = e.kind == EntryKind::Form ? e.componentName : e.formName;
      for (QWidget* f : prog->ctx.forms())
        if (f->objectName() == QString::fromUtf8(formName)) form = f;
      if (!form) {
        fail(QStringLiteral("no window %1").arg(QString::fromUtf8(formName)));
        continue;
      }
      if (e.kind == EntryKind::Form) continue;
      QObject* o = form->findChild<QObject*>(QString::fromUtf8(e.componentName));
      if (!o) {
        fail(QStringLiteral("no control %1").arg(QString::fromUtf8(e.componentName)));
        continue;
      }
      if (const QString why = sortMismatch(e, o); !why.isEmpty()) {
        fail(why);
        continue;
      }
      if (e.kind == EntryKind::RadioGroupItems) {
        const int lines = int(value.count("\r\n")) + 1;
        const int items = static_cast<RadioGroup*>(o)->count();
        if (lines != items) fail(QStringLiteral("%1 lines for %2 items").arg(lines).arg(items));
      }
      if (e.kind == EntryKind::OpenDialogFilter || e.kind == EntryKind::SaveDialogFilter) {
        const QList<QByteArray> parts = value.split('|');
        if (parts.size() % 2 != 0 || parts.contains(QByteArray()))
          fail(QStringLiteral("not \"description|pattern|...\""));
      }
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(file + ":\n  " + wrong.join("\n  ")));
  }

  // A portable copy reads the languages beside the program, an installed one from the shared
  // data folder; the chooser and the options dialog list what the sweep above applies.
  void chooserAndOptionsListTheShippedFiles_data() {
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<QByteArray>("folder");
    QTest::newRow("portable") << Layout::Portable << QByteArray();
    QTest::newRow("installed") << Layout::Installed << QByteArray("../share/packhelm/lang/");
  }
  void chooserAndOptionsListTheShippedFiles() {
    QFETCH(Layout, layout);
    QFETCH(QByteArray, folder);
    useLayout(layout);
    const ProgramState& s = prog->ctx.state;
    QCOMPARE(QDir::cleanPath(QFile::decodeName(s.LangDir)),
             QDir::cleanPath(QFile::decodeName(s.ProgramDir + folder)));
    QCOMPARE(s.LangDir, prog->dir.langPath());

    QStringList expected;
    for (const Shipped& sh : kShipped)
      expected << QString::fromUtf8(sh.name) + " (" + QString::fromUtf8(sh.englishName) + ')';
    expected.sort();
    auto rows = [](QListWidget* list) {
      QStringList out;
      for (int i = 0; list && i < list->count(); ++i) out << list->item(i)->text();
      out.sort();
      return out;
    };
    prog->ctx.formChooseLang()->FormShow();
    QCOMPARE(rows(prog->ctx.formChooseLang()->findChild<QListWidget*>(QStringLiteral("ComboBox1"))),
             expected);
    prog->ctx.formOpt()->FormShow();
    QCOMPARE(rows(prog->ctx.formOpt()->findChild<QListWidget*>(QStringLiteral("ComboBox1"))),
             expected);
    // Applying the chosen one reads the file from the same folder.
    QVERIFY(!prog->ctx.formChooseLang()->LangFile.isEmpty());
    QVERIFY(QFileInfo::exists(QFile::decodeName(s.LangDir + prog->ctx.formChooseLang()->LangFile)));
  }

  // Same entries in every language, and hints that name the same switches.
  void allLanguagesCarryTheSameEntries() {
    const QByteArray reference = kShipped[0].file;
    QHash<QByteArray, QByteArray> referenceHints;
    QSet<QByteArray> referenceNames;
    for (const auto& [name, value] : rawEntries(langDir() + reference)) {
      referenceNames.insert(name);
      if (ParseEntry(name, value, "FormMain").kind == EntryKind::Hint)
        referenceHints.insert(name, value);
    }
    QVERIFY(!referenceHints.isEmpty());
    for (const Shipped& s : kShipped) {
      QSet<QByteArray> names;
      QStringList wrong;
      for (const auto& [name, value] : rawEntries(langDir() + s.file)) {
        names.insert(name);
        if (!referenceHints.contains(name)) continue;
        const QStringList mine = switchesOf(value), theirs = switchesOf(referenceHints[name]);
        if (mine != theirs)
          wrong << QStringLiteral("%1 names %2, %3 names %4")
                       .arg(QString::fromUtf8(name), mine.join(' '), QString::fromLatin1(reference),
                            theirs.join(' '));
      }
      for (const QByteArray& n : referenceNames - names)
        wrong << QStringLiteral("lacks %1").arg(QString::fromUtf8(n));
      for (const QByteArray& n : names - referenceNames)
        wrong << QStringLiteral("has %1, which %2 lacks")
                     .arg(QString::fromUtf8(n), QString::fromLatin1(reference));
      QVERIFY2(wrong.isEmpty(), qPrintable(QByteArray(s.file) + ":\n  " + wrong.join("\n  ")));
      qInfo("%s: %lld entries", s.file, qlonglong(names.size()));
    }
  }

  // A language file made before a text (70 and up) lacks it: the program says it in English
  // then, in the English file's words.
  void newerTextsFallBackToTheEnglishFile() {
    LangTextTable english;
    QVERIFY(ApplyLanguage(shippedPath("English.lng"), english, LangTextHighest, "FormMain", {}));
    const ProgramState none;
    QStringList wrong;
    // (The files break lines as CR LF, the program's own texts as LF.)
    for (int n : UsedTextNumbers())
      if (n >= 70 &&
          none.langBytes(LangText(n)) != QByteArray(english[size_t(n)]).replace("\r\n", "\n"))
        wrong << QStringLiteral("VAR\\%1: \"%2\"").arg(n).arg(none.langText(LangText(n)));
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
  }

  // The sweep itself must catch a file that misses a text: take one entry out of a copy.
  void aMissingEntryIsFound() {
    const auto entries = rawEntries(shippedPath("English.lng"));
    TCFGfile cut;
    for (const auto& [name, value] : entries)
      if (name != "CHECKBOX\\FormOpt.CheckBoxShowHints") cut.SetString(name, value);
    QVERIFY(cut.SaveToFile(prog->dir.file("Cut.lng")));
    const QList<TextSlot> texts = textSlots(prog->ctx.forms());
    for (const TextSlot& s : texts) s.set(unsetMark(s));
    QVERIFY(ApplyLanguage(prog->dir.file("Cut.lng"), prog->ctx.state.LangTexts, LangTextHighest,
                          "FormMain", prog->ctx.forms()));
    QStringList left;
    for (const TextSlot& s : texts)
      if (!kSameInEveryLanguage.contains(s.control) && s.get().contains(QChar(1)))
        left << s.control + ' ' + s.what;
    // The level caption and the status line wait for SetLanguage; the hint box is the cut one.
    QVERIFY2(left.contains(QStringLiteral("FormOpt.CheckBoxShowHints caption")),
             qPrintable(left.join(", ")));
  }
};

QTEST_MAIN(TestLanguageSweep)
#include "test_language_sweep.moc"
