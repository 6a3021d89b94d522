// SPDX-License-Identifier: GPL-3.0-or-later
// Language files: listing, finding, entry parsing, applying them to all windows, and the
// language chooser.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <optional>

#include <sys/stat.h>

#include "core/i18n/LanguageFiles.h"
#include "core/i18n/LanguageSource.h"
#include "core/packer/PackerVersion.h"
#include "core/settings/CFGfile.h"
#include "gui/dialogs/TFormChooseLang.h"
#include "gui/dialogs/TFormOpt.h"
#include "gui/i18n/ApplyLanguage.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"
#include "gui/widgets/RadioGroup.h"
#include "support/FormDesign.h"
#include "support/LangTexts.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

using namespace LanguageFiles;
using Entries = QList<QPair<QByteArray, QByteArray>>;

namespace {

// The control of that name in the window, created there when the window does not have it yet,
// so the tests do not depend on how far the windows are built.
template <typename T>
T* control(QWidget* form, const QString& name) {
  if (auto* found = form->findChild<T*>(name)) return found;
  auto* w = new T(form);
  w->setObjectName(name);
  return w;
}

QListWidget* comboBox1(TFormChooseLang* chooser) {
  return chooser->findChild<QListWidget*>(QStringLiteral("ComboBox1"));
}
QPushButton* button1(TFormChooseLang* chooser) {
  return chooser->findChild<QPushButton*>(QStringLiteral("Button1"));
}

QString fromUtf8(const QByteArray& b) {
  return QString::fromUtf8(b);
}

}  // namespace

class TestLanguage : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestProgram> prog;

  // Writes a language file (identity entries first unless left out) into the program folder.
  QByteArray writeLanguage(const QByteArray& file, const QByteArray& name,
                           const QByteArray& englishName, const Entries& entries = {}) {
    const QByteArray path = prog->dir.file(file);
    if (!WriteLanguageFile(path, name, englishName, entries))
      qWarning("cannot write %s", path.constData());
    return path;
  }
  QByteArray writeEnglish(const Entries& entries = {}) {
    return writeLanguage("English.lng", "English", "English", entries);
  }
  bool apply(const QByteArray& path, int highest = LangTextHighest) {
    return ApplyLanguage(path, prog->ctx.state.LangTexts, highest, "FormMain", prog->ctx.forms());
  }
  QWidget* formMain() const { return prog->ctx.FormMain; }
  QWidget* formOpt() const { return prog->ctx.formOpt(); }
  QWidget* formNamed(const QString& name) const {
    for (QWidget* f : prog->ctx.forms())
      if (f->objectName() == name) return f;
    return nullptr;
  }

 private slots:
  void init() {
    prog = std::make_unique<TestProgram>(false, false);
    Prompts::Test() = Prompts::TestScript();
    Prompts::Test().active = true;
  }
  void cleanup() { prog.reset(); }

  // --- listing and finding ---

  void listLanguages_data() {
    QTest::addColumn<bool>("trailingSlash");
    QTest::newRow("folder with slash") << true;
    QTest::newRow("folder without slash") << false;
  }
  void listLanguages() {
    QFETCH(bool, trailingSlash);
    writeEnglish();
    writeLanguage("Russian.lng", "Русский", "Russian");
    writeLanguage(".hidden.lng", "Deutsch", "German");
    writeLanguage("NoEnglishName.lng", "Nur", QByteArray());
    writeLanguage("NoOwnName.lng", QByteArray(), "Nothing");
    {  // the settings file: a configuration file without identity entries
      TCFGfile settings;
      settings.SetString("LangName", "English");
      settings.SetInteger("CompressValueBar", 4);
      QVERIFY(settings.SaveToFile(prog->dir.file("Packhelmconfig.cfg")));
    }
    {  // a binary file and a text file of another kind
      QFile bin(fromUtf8(prog->dir.file("binary.lng")));
      QVERIFY(bin.open(QIODevice::WriteOnly));
      bin.write(QByteArray("\x7f"
                           "ELF\x02\x01\x01\0\0\0",
                           10) +
                QByteArray(4096, '\0'));
      QFile txt(fromUtf8(prog->dir.file("notes.txt")));
      QVERIFY(txt.open(QIODevice::WriteOnly));
      txt.write("LanguageName=English\r\nLanguageName_en=English\r\n");
    }
    QVERIFY(QDir(fromUtf8(prog->dir.path())).mkdir(QStringLiteral("sub.lng")));

    QByteArray folder = prog->dir.path();
    if (!trailingSlash) folder.chop(1);
    QList<QByteArray> names{"stale"}, english{"stale"}, files{"stale"};
    ListLanguages(folder, names, english, files);
    QCOMPARE(files.size(), 3);
    QCOMPARE(names.size(), 3);
    QCOMPARE(english.size(), 3);
    const QList<QByteArray> expectFiles{"English.lng", "Russian.lng", ".hidden.lng"};
    for (const QByteArray& f : expectFiles) QVERIFY2(files.contains(f), f.constData());
    // parallel lists: entry i of each belongs to the same file
    const qsizetype ru = files.indexOf("Russian.lng");
    QCOMPARE(english[ru], QByteArray("Russian"));
    QCOMPARE(fromUtf8(names[ru]), QStringLiteral("Русский"));
    QCOMPARE(english[files.indexOf(".hidden.lng")], QByteArray("German"));

    const QList<QByteArray> all = ListFiles(folder);
    QVERIFY(all.contains("Packhelmconfig.cfg"));
    QVERIFY(all.contains(".hidden.lng"));
    QVERIFY(!all.contains("sub.lng"));
    QVERIFY(!all.contains("."));
  }

  void listLanguagesOfEmptyOrMissingFolder() {
    QList<QByteArray> names{"x"}, english{"x"}, files{"x"};
    ListLanguages(prog->dir.path(), names, english, files);
    QVERIFY(names.isEmpty() && english.isEmpty() && files.isEmpty());
    ListLanguages(prog->dir.file("missing/"), names, english, files);
    QVERIFY(files.isEmpty());
  }

  void namedPipeSkippedWithoutBlocking() {
    writeEnglish();
    // Nobody ever writes to it: opening it for reading would wait for good.
    QCOMPARE(::mkfifo(prog->dir.file("pipe.lng").constData(), 0600), 0);
    QList<QByteArray> names, english, files;
    ListLanguages(prog->dir.path(), names, english, files);
    QCOMPARE(files, QList<QByteArray>{"English.lng"});
    QVERIFY(ListFiles(prog->dir.path()).contains("pipe.lng"));
    QVERIFY(!apply(prog->dir.file("pipe.lng")));
  }

  void findLanguageFile_data() {
    QTest::addColumn<QList<QByteArray>>("languages");  // English names, one file each
    QTest::addColumn<QByteArray>("requested");
    QTest::addColumn<QByteArray>("expected");  // English name of the file found, or empty
    const QList<QByteArray> ruEn{"Russian", "English"};
    QTest::newRow("exact") << ruEn << QByteArray("Russian") << QByteArray("Russian");
    QTest::newRow("German falls back to English")
        << ruEn << QByteArray("German") << QByteArray("English");
    QTest::newRow("case matters, falls back") << QList<QByteArray>{"Russian", "English"}
                                              << QByteArray("russian") << QByteArray("English");
    QTest::newRow("German, only Russian")
        << QList<QByteArray>{"Russian"} << QByteArray("German") << QByteArray();
    QTest::newRow("empty name never falls back") << ruEn << QByteArray() << QByteArray();
    QTest::newRow("no languages") << QList<QByteArray>{} << QByteArray("English") << QByteArray();
  }
  void findLanguageFile() {
    QFETCH(QList<QByteArray>, languages);
    QFETCH(QByteArray, requested);
    QFETCH(QByteArray, expected);
    for (const QByteArray& en : languages) writeLanguage(en + ".lng", "own " + en, en);
    const QByteArray found = FindLanguageFile(prog->dir.path(), requested);
    QCOMPARE(found, expected.isEmpty() ? QByteArray() : expected + ".lng");
  }

  // A file named after its language is taken without reading the others, but only when it is
  // that language.
  void findLanguageFileByItsName_data() {
    QTest::addColumn<QList<QList<QByteArray>>>("files");  // file name, English name
    QTest::addColumn<QByteArray>("requested");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("named file beside another German")
        << QList<QList<QByteArray>>{{"a.lng", "German"}, {"German.lng", "German"}}
        << QByteArray("German") << QByteArray("German.lng");
    QTest::newRow("named file is another language")
        << QList<QList<QByteArray>>{{"German.lng", "Russian"}, {"de.lng", "German"}}
        << QByteArray("German") << QByteArray("de.lng");
    QTest::newRow("named file is no language file")
        << QList<QList<QByteArray>>{{"German.lng", ""}, {"English.lng", "English"}}
        << QByteArray("German") << QByteArray("English.lng");
    QTest::newRow("a name with a slash is no file name")
        << QList<QList<QByteArray>>{{"English.lng", "English"}} << QByteArray("../English")
        << QByteArray("English.lng");
  }
  void findLanguageFileByItsName() {
    QFETCH(QList<QList<QByteArray>>, files);
    QFETCH(QByteArray, requested);
    QFETCH(QByteArray, expected);
    for (const QList<QByteArray>& f : files) {
      if (f[1].isEmpty())
        QVERIFY(writeFileBytes(prog->dir.file(f[0]), "not a language"));
      else
        writeLanguage(f[0], "own " + f[1], f[1],
                      {{"BUTTON\\ButtonPack", f[0]}, {"LABEL\\FormOpt.Label1", "x"}});
    }
    QCOMPARE(FindLanguageFile(prog->dir.path(), requested), expected);
    // Start-up's form of the search hands over the file it read when that file was taken by
    // its name, as LoadLanguage reads it; otherwise nothing.
    std::optional<Language> loaded;
    QCOMPARE(FindLanguageFile(prog->dir.path(), requested, &loaded, "FormMain"), expected);
    QCOMPARE(loaded.has_value(), expected == requested + ".lng");
    if (loaded) {
      Language reread;
      QVERIFY(LoadLanguage(prog->dir.file(expected), "FormMain", reread));
      QCOMPARE(loaded->name, reread.name);
      QCOMPARE(loaded->englishName, requested);
      QCOMPARE(loaded->entries.size(), 2);
      for (int i = 0; i < 2; ++i) {
        QCOMPARE(loaded->entries[i].formName, reread.entries[i].formName);
        QCOMPARE(loaded->entries[i].componentName, reread.entries[i].componentName);
        QCOMPARE(loaded->entries[i].value, reread.entries[i].value);
      }
      QCOMPARE(loaded->entries[0].value, expected);  // the named file's own entries
    }
  }

  void twoEnglishFiles() {
    writeLanguage("a.lng", "English A", "English", {{"FORM", "Main A"}});
    writeLanguage("b.lng", "English B", "English", {{"FORM", "Main B"}});
    writeLanguage("c.lng", "Русский", "Russian");
    QList<QByteArray> names, english, files;
    ListLanguages(prog->dir.path(), names, english, files);
    const QByteArray first = files[english.indexOf("English")];
    const QByteArray last = files[english.lastIndexOf("English")];
    QVERIFY(first != last);
    // start-up's fallback takes the first one listed
    QCOMPARE(FindLanguageFile(prog->dir.path(), "German"), first);
    QCOMPARE(FindLanguageFile(prog->dir.path(), "English"), first);

    // the chooser preselects the one listed last
    TFormChooseLang* chooser = prog->ctx.formChooseLang();
    chooser->show();
    QCOMPARE(chooser->fileNames(), files);
    QCOMPARE(comboBox1(chooser)->currentRow(), int(english.lastIndexOf("English")));
    QCOMPARE(chooser->LangFile, last);
    QCOMPARE(formMain()->windowTitle(),
             last == "a.lng" ? QStringLiteral("Main A") : QStringLiteral("Main B"));
  }

  // --- entry names ---

  void parseEntry_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("form");
    QTest::addColumn<QByteArray>("component");
    QTest::addColumn<int>("number");  // VAR: the number, -2 when not a number
    const int none = 0;
    QTest::newRow("button") << QByteArray("BUTTON\\ButtonPack") << int(EntryKind::Button)
                            << QByteArray("FormMain") << QByteArray("ButtonPack") << none;
    QTest::newRow("form.component")
        << QByteArray("BUTTON\\FormOpt.ButtonApply") << int(EntryKind::Button)
        << QByteArray("FormOpt") << QByteArray("ButtonApply") << none;
    QTest::newRow("case and spaces")
        << QByteArray("button \\ FormOpt . ButtonApply") << int(EntryKind::Button)
        << QByteArray("FormOpt") << QByteArray("ButtonApply") << none;
    QTest::newRow("mixed case kind")
        << QByteArray("RadioGroupItems\\OverlayGroup") << int(EntryKind::RadioGroupItems)
        << QByteArray("FormMain") << QByteArray("OverlayGroup") << none;
    QTest::newRow("third word ignored")
        << QByteArray("HINT\\FormOpt.Box.Extra") << int(EntryKind::Hint) << QByteArray("FormOpt")
        << QByteArray("Box") << none;
    QTest::newRow("third backslash word ignored")
        << QByteArray("LABEL\\Label1\\junk") << int(EntryKind::Label) << QByteArray("FormMain")
        << QByteArray("Label1") << none;
    QTest::newRow("accessible name")
        << QByteArray("ACCNAME\\FormOpt.ComboBox1") << int(EntryKind::AccName)
        << QByteArray("FormOpt") << QByteArray("ComboBox1") << none;
    QTest::newRow("accessible description")
        << QByteArray("accdesc\\ButtonIn") << int(EntryKind::AccDesc) << QByteArray("FormMain")
        << QByteArray("ButtonIn") << none;
    QTest::newRow("form, empty target") << QByteArray("FORM") << int(EntryKind::Form)
                                        << QByteArray() << QByteArray("FormMain") << none;
    QTest::newRow("form, window named") << QByteArray("FORM\\FormOpt") << int(EntryKind::Form)
                                        << QByteArray("FormMain") << QByteArray("FormOpt") << none;
    QTest::newRow("target starting with dot")
        << QByteArray("LABEL\\.Label1") << int(EntryKind::Label) << QByteArray()
        << QByteArray("FormMain") << none;
    QTest::newRow("leading backslash: no kind")
        << QByteArray("\\ButtonPack") << int(EntryKind::Unknown) << QByteArray("FormMain")
        << QByteArray("ButtonPack") << none;
    QTest::newRow("unknown kind") << QByteArray("PANEL\\Panel1") << int(EntryKind::Unknown)
                                  << QByteArray("FormMain") << QByteArray("Panel1") << none;
    QTest::newRow("var") << QByteArray("VAR\\20") << int(EntryKind::Var) << QByteArray()
                         << QByteArray() << 20;
    QTest::newRow("var lower case, spaces")
        << QByteArray("var \\ 7 ") << int(EntryKind::Var) << QByteArray() << QByteArray() << 7;
    QTest::newRow("var hex") << QByteArray("VAR\\$1E") << int(EntryKind::Var) << QByteArray()
                             << QByteArray() << 30;
    QTest::newRow("var negative") << QByteArray("VAR\\-1") << int(EntryKind::Var) << QByteArray()
                                  << QByteArray() << -1;
    QTest::newRow("var not a number")
        << QByteArray("VAR\\abc") << int(EntryKind::Var) << QByteArray() << QByteArray() << -2;
    QTest::newRow("var empty target")
        << QByteArray("VAR") << int(EntryKind::Var) << QByteArray() << QByteArray() << -2;
    QTest::newRow("var too large") << QByteArray("VAR\\99999999999") << int(EntryKind::Var)
                                   << QByteArray() << QByteArray() << -2;
  }
  void parseEntry() {
    QFETCH(QByteArray, name);
    QFETCH(int, kind);
    QFETCH(QByteArray, form);
    QFETCH(QByteArray, component);
    QFETCH(int, number);
    const Entry e = ParseEntry(name, "value", "FormMain");
    QCOMPARE(int(e.kind), kind);
    QCOMPARE(e.value, QByteArray("value"));
    if (e.kind == EntryKind::Var) {
      QCOMPARE(e.numberValid, number != -2);
      if (e.numberValid) QCOMPARE(e.number, number);
    } else {
      QCOMPARE(e.formName, form);
      QCOMPARE(e.componentName, component);
    }
  }

  // --- applying ---

  void applyCaption_data() {
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("button");
    QTest::newRow("default form") << QByteArray("BUTTON\\ButtonPack") << "FormMain"
                                  << "ButtonPack";
    QTest::newRow("other form") << QByteArray("BUTTON\\FormOpt.ButtonApply") << "FormOpt"
                                << "ButtonApply";
    QTest::newRow("kind case and spaces")
        << QByteArray("button \\ FormOpt . ButtonApply") << "FormOpt"
        << "ButtonApply";
    QTest::newRow("names ignore case") << QByteArray("BUTTON\\formopt.BUTTONAPPLY") << "FormOpt"
                                       << "ButtonApply";
    QTest::newRow("any caption kind") << QByteArray("LABEL\\FormOpt.ButtonApply") << "FormOpt"
                                      << "ButtonApply";
    QTest::newRow("later words ignored")
        << QByteArray("CHECKBOX\\FormAbout.Button1.Font") << "FormAbout"
        << "Button1";
  }
  void applyCaption() {
    QFETCH(QByteArray, entry);
    QFETCH(QString, form);
    QFETCH(QString, button);
    auto* target = control<QPushButton>(formNamed(form), button);
    target->setText(QStringLiteral("old"));
    // a same-named control in another window is not touched
    auto* other =
        control<QPushButton>(formNamed(form == "FormMain" ? "FormOpt" : "FormMain"), button);
    other->setText(QStringLiteral("other"));
    QVERIFY(apply(writeEnglish({{entry, "Новый текст"}})));
    QCOMPARE(target->text(), QStringLiteral("Новый текст"));
    QCOMPARE(other->text(), QStringLiteral("other"));
  }

  void applyCaptionsByControlClass() {
    QWidget* opt = formOpt();
    auto* label = control<QLabel>(opt, "TestLabel");
    auto* edit = control<QLineEdit>(opt, "TestEdit");
    auto* group = control<QGroupBox>(opt, "TestGroupBox");
    auto* check = control<QCheckBox>(opt, "TestCheckBox");
    auto* radios = control<RadioGroup>(opt, "TestRadioGroup");
    auto* tabs = control<QTabWidget>(opt, "TestPages");
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TestTabSheet"));
    tabs->addTab(page, QStringLiteral("old tab"));
    QVERIFY(apply(writeEnglish({{"LABEL\\FormOpt.TestLabel", "label"},
                                {"EDIT\\FormOpt.TestEdit", "edit"},
                                {"GROUPBOX\\FormOpt.TestGroupBox", "group"},
                                {"CHECKBOX\\FormOpt.TestCheckBox", "check"},
                                {"RADIOGROUP\\FormOpt.TestRadioGroup", "radios"},
                                {"TABSHEET\\FormOpt.TestTabSheet", "tab"}})));
    QCOMPARE(label->text(), QStringLiteral("label"));
    QCOMPARE(edit->text(), QStringLiteral("edit"));
    QCOMPARE(group->title(), QStringLiteral("group"));
    QCOMPARE(check->text(), QStringLiteral("check"));
    QCOMPARE(radios->title(), QStringLiteral("radios"));
    QCOMPARE(tabs->tabText(tabs->indexOf(page)), QStringLiteral("tab"));
  }

  void applyNestedControl() {
    auto* outer = control<QGroupBox>(formOpt(), "TestOuterBox");
    auto* inner = new QWidget(outer);
    auto* layout = new QVBoxLayout(inner);
    auto* deep = new QCheckBox(inner);
    deep->setObjectName(QStringLiteral("DeepCheck"));
    layout->addWidget(deep);
    QVERIFY(apply(writeEnglish(
        {{"CHECKBOX\\FormOpt.deepcheck", "found"}, {"HINT\\FormOpt.DeepCheck", "deep hint"}})));
    QCOMPARE(deep->text(), QStringLiteral("found"));
    QCOMPARE(deep->toolTip(), QStringLiteral("deep hint"));
  }

  void applyForm_data() {
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("window");
    QTest::newRow("FORM") << QByteArray("FORM") << "FormMain";
    QTest::newRow("FORM\\FormMain") << QByteArray("FORM\\FormMain") << "FormMain";
    QTest::newRow("FORM\\FormOpt") << QByteArray("FORM\\FormOpt") << "FormOpt";
    QTest::newRow("form\\formabout") << QByteArray("form \\ formabout") << "FormAbout";
    QTest::newRow("the chooser") << QByteArray("FORM\\FormChooseLang") << "FormChooseLang";
  }
  void applyForm() {
    QFETCH(QByteArray, entry);
    QFETCH(QString, window);
    for (QWidget* f : prog->ctx.forms()) f->setWindowTitle(QStringLiteral("before"));
    QVERIFY(apply(writeEnglish({{entry, "Caption"}})));
    for (QWidget* f : prog->ctx.forms())
      QCOMPARE(f->windowTitle(),
               f->objectName() == window ? QStringLiteral("Caption") : QStringLiteral("before"));
  }

  void applyApplicationTitle() {
    const QString before = QGuiApplication::applicationDisplayName();
    QVERIFY(apply(writeEnglish({{"APPLICATION\\whatever.follows", "Packhelm title"}})));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("Packhelm title"));
    QGuiApplication::setApplicationDisplayName(before);
  }

  void applyRadioGroupItems_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("two lines on three items")
        << QByteArray("Copy\r\nStrip") << QStringList{"Copy", "Strip", ""};
    QTest::newRow("four lines on three items")
        << QByteArray("Copy\r\nStrip\r\nSkip\r\nFourth") << QStringList{"Copy", "Strip", "Skip"};
    QTest::newRow("lines trimmed")
        << QByteArray("  Copy \r\n Strip\r\nSkip  ") << QStringList{"Copy", "Strip", "Skip"};
    QTest::newRow("empty middle line")
        << QByteArray("Copy\r\n\r\nSkip") << QStringList{"Copy", "", "Skip"};
  }
  void applyRadioGroupItems() {
    QFETCH(QByteArray, value);
    QFETCH(QStringList, items);
    auto* group = control<RadioGroup>(formMain(), "OverlayGroup");
    group->setItems({"a", "b", "c"});
    group->setItemIndex(1);
    QVERIFY(apply(writeEnglish({{"RADIOGROUPITEMS\\OverlayGroup", value}})));
    QCOMPARE(group->count(), 3);
    QCOMPARE(group->items(), items);
    QCOMPARE(group->itemIndex(), 1);
  }

  // What a screen reader says: a name and a description of their own, or the hint in its lines
  // (each radio item its own line); a description of its own wins over the hint's wherever it
  // stands in the file; an editable combo box is named in its edit too.
  void applyAccessibleTexts() {
    auto* slider = control<QSlider>(formMain(), "CompressValueBar");
    auto* group = control<RadioGroup>(formMain(), "OverlayGroup");
    auto* box = control<QCheckBox>(formMain(), "BackupBox");
    auto* combo = control<QComboBox>(formNamed("FormEditExec"), "ComboBox1");
    QVERIFY(apply(writeEnglish({{"ACCDESC\\CompressValueBar", "level"},
                                {"HINT\\CompressValueBar", "--best@-9"},
                                {"ACCNAME\\CompressValueBar", "Compression"},
                                {"HINT\\OverlayGroup", "copy@strip@skip"},
                                {"HINT\\BackupBox", "-k"},
                                {"ACCNAME\\FormEditExec.ComboBox1", "Command line"}})));
    QCOMPARE(slider->accessibleName(), QStringLiteral("Compression"));
    QCOMPARE(slider->accessibleDescription(), QStringLiteral("level"));
    QCOMPARE(slider->toolTip(), QStringLiteral("--best@-9"));
    QCOMPARE(group->accessibleDescription(), QStringLiteral("copy\nstrip\nskip"));
    QCOMPARE(group->button(2)->accessibleDescription(), QStringLiteral("skip"));
    QCOMPARE(box->accessibleDescription(), QStringLiteral("-k"));
    QCOMPARE(combo->lineEdit()->accessibleName(), QStringLiteral("Command line"));
  }

  void applyHeaderSections() {
    auto* header = new QHeaderView(Qt::Horizontal, formMain());
    header->setObjectName(QStringLiteral("TestHeader"));
    auto* model = new QStandardItemModel(1, 3, header);
    model->setHorizontalHeaderLabels({"a", "b", "c"});
    header->setModel(model);
    QVERIFY(apply(writeEnglish({{"HEADERCONTROL\\TestHeader", " Name \r\nSize"}})));
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Size"));
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QString());
  }

  void applyFileDialogs() {
    auto* open = formMain()->findChild<FileDialogSpec*>(QStringLiteral("OpenDialog"));
    if (!open)
      open =
          new FileDialogSpec(QStringLiteral("OpenDialog"), FileDialogSpec::Kind::Open, formMain());
    auto* save = formMain()->findChild<FileDialogSpec*>(QStringLiteral("SaveDialog"));
    if (!save)
      save =
          new FileDialogSpec(QStringLiteral("SaveDialog"), FileDialogSpec::Kind::Save, formMain());
    open->title = save->title = QStringLiteral("old");
    open->filter = save->filter = QStringLiteral("old|*");
    QVERIFY(apply(writeEnglish({
        {"OPENDIALOG\\OpenDialog", "Open files"},
        {"OPENDIALOGFILTER\\FormMain.OpenDialog", "Programs|*.exe|All|*"},
        {"SAVEDIALOG\\SaveDialog", "Save as"},
        {"SAVEDIALOGFILTER\\SaveDialog", "Any|*"},
        // a dialog of the other sort, and caption kinds on a non-visual object: ignored
        {"SAVEDIALOG\\FormMain.OpenDialog", "wrong sort"},
        {"OPENDIALOGFILTER\\SaveDialog", "wrong|*"},
        {"BUTTON\\OpenDialog", "not visual"},
    })));
    QCOMPARE(open->title, QStringLiteral("Open files"));
    QCOMPARE(open->filter, QStringLiteral("Programs|*.exe|All|*"));
    QCOMPARE(save->title, QStringLiteral("Save as"));
    QCOMPARE(save->filter, QStringLiteral("Any|*"));
  }

  void applyMenuItemAndAttachedLabel() {
    auto* action = new QAction(QStringLiteral("old"), formMain());
    action->setObjectName(QStringLiteral("TestMenuItem"));
    auto* edit = control<QLineEdit>(formMain(), "TestLabeledEdit");
    auto* label = control<QLabel>(formMain(), "TestLabeledEditLabel");
    label->setBuddy(edit);
    edit->setText(QStringLiteral("contents"));
    QVERIFY(apply(writeEnglish({{"MENUITEM\\TestMenuItem", "&Open"},
                                {"LEDIT\\TestLabeledEdit", "Name:"},
                                {"MENUITEM\\TestLabeledEditLabel", "wrong sort"}})));
    QCOMPARE(action->text(), QStringLiteral("&Open"));
    QCOMPARE(label->text(), QStringLiteral("Name:"));
    QCOMPARE(edit->text(), QStringLiteral("contents"));
  }

  void markupShownLiterally() {
    auto* label = control<QLabel>(formMain(), "LabelSize1");
    label->setTextFormat(Qt::AutoText);
    auto* button = control<QPushButton>(formMain(), "ButtonPack");
    const QByteArray markup = "<b>Bold</b> <img src=\"x.png\"> &amp;";
    const QByteArray hint = "<i>first</i>@second line";
    QVERIFY(apply(writeEnglish({{"LABEL\\LabelSize1", markup}, {"HINT\\ButtonPack", hint}})));
    QCOMPARE(label->text(), fromUtf8(markup));
    QCOMPARE(label->textFormat(), Qt::PlainText);
    // the hint is stored as it stands; the hint shaper shows it as plain text
    QCOMPARE(button->toolTip(), fromUtf8(hint));
  }

  void varBounds() {
    LangTextTable& t = prog->ctx.state.LangTexts;
    t[7] = "seven";
    QVERIFY(apply(writeEnglish({{"VAR\\100", "last"},
                                {"VAR\\101", "beyond"},
                                {"VAR\\-1", "negative"},
                                {"VAR\\7", ""},
                                {"VAR\\0", "zero"},
                                {"VAR\\ $10 ", "sixteen"}})));
    QCOMPARE(t[100], QByteArray("last"));
    QCOMPARE(t[0], QByteArray("zero"));
    QCOMPARE(t[7], QByteArray("seven"));
    QCOMPARE(t[16], QByteArray("sixteen"));
    for (int i = 1; i < 100; ++i)
      if (i != 7 && i != 16) QVERIFY2(t[size_t(i)].isEmpty(), QByteArray::number(i).constData());
  }

  void varAboveLowerHighest() {
    LangTextTable& t = prog->ctx.state.LangTexts;
    QVERIFY(apply(writeEnglish({{"VAR\\50", "fifty"}, {"VAR\\51", "fifty-one"}}), 50));
    QCOMPARE(t[50], QByteArray("fifty"));
    QVERIFY(t[51].isEmpty());
  }

  // Numbered texts with a value filled in: "%1" and "%2" where the text has them, else after a
  // blank; a value holding "%2" is not filled in again; a text the language file lacks (70 and
  // up) falls back to its English wording.
  void varWithValues_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("arg1");
    QTest::addColumn<QString>("arg2");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one mark") << QByteArray("ended by %1.") << "SIGINT" << QString()
                              << "ended by SIGINT.";
    QTest::newRow("two marks, other order") << QByteArray("%2 of %1") << "10"
                                            << "3"
                                            << "3 of 10";
    QTest::newRow("no mark") << QByteArray("Stopped.") << "2" << QString() << "Stopped. 2";
    QTest::newRow("value with a mark") << QByteArray("%1 and %2") << "a%2"
                                       << "b"
                                       << "a%2 and b";
    QTest::newRow("lone percent") << QByteArray("100% %1") << "x" << QString() << "100% x";
    QTest::newRow("missing: English")
        << QByteArray() << "SIGKILL" << QString() << "Ended by the signal SIGKILL.";
  }
  void varWithValues() {
    QFETCH(QByteArray, text);
    QFETCH(QString, arg1);
    QFETCH(QString, arg2);
    QFETCH(QString, expected);
    ProgramState s;
    s.LangTexts[size_t(LangText::StatusSignal)] = text;
    QCOMPARE(s.langText(LangText::StatusSignal, arg1, arg2), expected);
  }

  void missingOldTextStaysEmpty() {
    ProgramState s;
    QVERIFY(s.langText(LangText::StatusDone).isEmpty());  // no fallback before 70
    QCOMPARE(s.langText(LangText::StopButton), QStringLiteral("Stop"));
    s.LangTexts[size_t(LangText::StopButton)] = "Стоп";
    QCOMPARE(s.langText(LangText::StopButton), QStringLiteral("Стоп"));
  }

  void varValueKeptUntrimmed() {
    QVERIFY(apply(writeEnglish({{"VAR\\1", "  Ready  \r\n second"}})));
    QCOMPARE(prog->ctx.state.LangTexts[1], QByteArray("  Ready  \r\n second"));
  }

  void nonNumericVarIgnoredRestApplied() {
    auto* button = control<QPushButton>(formMain(), "ButtonPack");
    QVERIFY(apply(writeEnglish({{"VAR\\1", "one"},
                                {"VAR\\abc", "letters"},
                                {"VAR\\12x", "junk"},
                                {"VAR\\2", "two"},
                                {"BUTTON\\ButtonPack", "Pack"}})));
    QCOMPARE(prog->ctx.state.LangTexts[1], QByteArray("one"));
    QCOMPARE(prog->ctx.state.LangTexts[2], QByteArray("two"));
    QCOMPARE(prog->ctx.state.LangTexts[12], QByteArray());
    QCOMPARE(button->text(), QStringLiteral("Pack"));
  }

  void unknownEntriesIgnored() {
    auto* button = control<QPushButton>(formMain(), "ButtonPack");
    button->setText(QStringLiteral("old"));
    QVERIFY(apply(writeEnglish({{"PANEL\\ButtonPack", "unknown kind"},
                                {"BUTTON\\NoSuchButton", "no control"},
                                {"BUTTON\\NoSuchForm.ButtonPack", "no form"},
                                {"BUTTON\\.ButtonPack", "no form name"},
                                {"BUTTON\\ButtonPack", ""},
                                {"RADIOGROUPITEMS\\ButtonPack", "wrong sort"},
                                {"VAR\\3", "three"}})));
    QCOMPARE(button->text(), QStringLiteral("old"));
    QCOMPARE(prog->ctx.state.LangTexts[3], QByteArray("three"));
  }

  void notALanguageChangesNothing_data() {
    QTest::addColumn<int>("sort");
    QTest::newRow("no LanguageName_en") << 0;
    QTest::newRow("no LanguageName") << 1;
    QTest::newRow("missing file") << 2;
    QTest::newRow("no header") << 3;
    QTest::newRow("binary") << 4;
  }
  void notALanguageChangesNothing() {
    QFETCH(int, sort);
    const Entries entries{
        {"FORM", "Changed"}, {"BUTTON\\ButtonPack", "Changed"}, {"VAR\\1", "changed"}};
    QByteArray path = prog->dir.file("bad.lng");
    if (sort == 0) writeLanguage("bad.lng", "Name", QByteArray(), entries);
    if (sort == 1) writeLanguage("bad.lng", QByteArray(), "English", entries);
    if (sort == 3 || sort == 4) {
      QFile f(fromUtf8(path));
      QVERIFY(f.open(QIODevice::WriteOnly));
      if (sort == 3) {  // the records of a language file without the header line
        TCFGfile cfg;
        cfg.SetString(IdentityName, "English");
        cfg.SetString(IdentityEnglishName, "English");
        f.write(cfg.SaveToText().mid(9));
      } else {
        f.write(QByteArray("\x7f"
                           "ELF",
                           4) +
                QByteArray(100000, '\x01'));
      }
    }
    auto* button = control<QPushButton>(formMain(), "ButtonPack");
    button->setText(QStringLiteral("old"));
    formMain()->setWindowTitle(QStringLiteral("old"));
    prog->ctx.state.LangTexts[1] = "old";
    QVERIFY(!apply(path));
    QCOMPARE(button->text(), QStringLiteral("old"));
    QCOMPARE(formMain()->windowTitle(), QStringLiteral("old"));
    QCOMPARE(prog->ctx.state.LangTexts[1], QByteArray("old"));
    QList<QByteArray> names, english, files;
    ListLanguages(prog->dir.path(), names, english, files);
    QVERIFY(files.isEmpty());
  }

  void laterLanguageKeepsMissingText() {
    const QByteArray ru = writeLanguage("Russian.lng", "Русский", "Russian",
                                        {{"VAR\\30", "Версия"}, {"VAR\\31", "Упаковщик"}});
    const QByteArray en = writeEnglish({{"VAR\\30", "Version"}});
    QVERIFY(apply(ru));
    QVERIFY(apply(en));
    QCOMPARE(prog->ctx.state.LangTexts[30], QByteArray("Version"));
    QCOMPARE(prog->ctx.state.LangTexts[31], QByteArray("Упаковщик"));
  }

  // --- the shipped files and their sources ---

  void languageSource_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("expected");  // "name=value" pairs joined by "|"; or the error
    QTest::newRow("entries in order")
        << QByteArray("# comment\n\nLanguageName=English\r\nBUTTON\\ButtonPack=Pack\n") << true
        << QByteArray("LanguageName=English|BUTTON\\ButtonPack=Pack");
    QTest::newRow("value as it stands")
        << QByteArray("VAR\\11= KB = kilo ") << true << QByteArray("VAR\\11= KB = kilo ");
    QTest::newRow("escapes") << QByteArray("R=a\\nb\\\\c") << true << QByteArray("R=a\r\nb\\c");
    QTest::newRow("empty value") << QByteArray("VAR\\7=") << true << QByteArray("VAR\\7=");
    QTest::newRow("no equals sign") << QByteArray("A=1\nB") << false << QByteArray("line 2");
    QTest::newRow("empty name") << QByteArray(" =x") << false << QByteArray("line 1");
    QTest::newRow("unknown escape") << QByteArray("A=\\t") << false << QByteArray("line 1");
    QTest::newRow("trailing backslash") << QByteArray("A=x\\") << false << QByteArray("line 1");
    QTest::newRow("name twice") << QByteArray("A=1\n A =2") << false << QByteArray("line 2");
    // What a language file cannot keep (the .lng written would not load) is refused.
    QTest::newRow("lone carriage return")
        << QByteArray("A=1\nB=x\ry\n") << false << QByteArray("line 2");
    QTest::newRow("CR before CR LF") << QByteArray("A=x\r\r\n") << false << QByteArray("line 1");
    QTest::newRow("byte 26") << QByteArray("A=1\n\nC=\x1a") << false << QByteArray("line 3");
    QTest::newRow("not UTF-8") << QByteArray("A=caf\xe9") << false << QByteArray("line 1");
    QTest::newRow("name not UTF-8") << QByteArray("A=1\n\xff=2") << false << QByteArray("line 2");
  }
  void languageSource() {
    QFETCH(QByteArray, source);
    QFETCH(bool, ok);
    QFETCH(QByteArray, expected);
    TCFGfile cfg;
    cfg.SetString("stale", "x");
    QByteArray error;
    QCOMPARE(LanguageSource::Convert(source, cfg, error), ok);
    if (!ok) {
      QVERIFY2(error.startsWith(expected + ":"), error.constData());
      return;
    }
    QVERIFY(error.isEmpty());
    QList<QByteArray> got;
    for (int i = 0; i < cfg.StringCount(); ++i)
      got << cfg.StringKeyAt(i) + "=" + cfg.StringValueAt(i);
    QCOMPARE(got.join('|'), expected);
  }

  void shippedLanguageFiles() {
    const QDir langDir(QStringLiteral(PACKHELM_LANG_SOURCE_DIR));
    const QByteArray folder = QFile::encodeName(langDir.path());
    QList<QByteArray> names, english, files;
    ListLanguages(folder, names, english, files);
    QVERIFY(english.contains("English"));
    QCOMPARE(files.size(), langDir.entryList({QStringLiteral("*.lng")}, QDir::Files).size());
    const QList<int> used = UsedTextNumbers();
    QVERIFY(used.size() > 40);
    for (qsizetype i = 0; i < files.size(); ++i) {
      const QByteArray path = folder + "/" + files[i];
      LangTextTable texts;
      QVERIFY(ApplyLanguage(path, texts, LangTextHighest, "FormMain", prog->ctx.forms()));
      for (int n : used)
        QVERIFY2(!texts[size_t(n)].isEmpty(),
                 (files[i] + " lacks VAR\\" + QByteArray::number(n)).constData());
      // The hints of the crp controls name the switch that command lines carry for current
      // packers and for a packer whose version is unknown.
      const QString passed = QString::fromLatin1(PackerCapabilities().crpSwitch.trimmed());
      const Controls main(prog->ctx.FormMain);
      for (const char* hinted : {"Compress1CheckBox", "CompressValueBar1"})
        QVERIFY2(main.get<QWidget>(hinted)->toolTip().startsWith(passed + '@'),
                 (files[i] + ": " + hinted).constData());
      // the file is exactly what its source gives
      QFile source(langDir.filePath(QStringLiteral("source/") +
                                    QFileInfo(QFile::decodeName(files[i])).completeBaseName() +
                                    QStringLiteral(".txt")));
      QVERIFY2(source.open(QIODevice::ReadOnly), qPrintable(source.fileName()));
      TCFGfile cfg;
      QByteArray error;
      QVERIFY2(LanguageSource::Convert(source.readAll(), cfg, error), error.constData());
      QFile lng(QFile::decodeName(path));
      QVERIFY(lng.open(QIODevice::ReadOnly));
      QVERIFY2(lng.readAll() == cfg.SaveToText(),
               (files[i] + " is out of date: build the target lang_regenerate").constData());
    }
  }

  // --- the chooser ---

  void chooserWindow() {
    TFormChooseLang* chooser = prog->ctx.formChooseLang();
    const FormDesign form(QStringLiteral("dialogs/TFormChooseLang.ui"));
    QCOMPARE(chooser->objectName(), form.widgets().first());
    QCOMPARE(chooser->windowTitle(),
             form.text(chooser->objectName(), QStringLiteral("windowTitle")));
    QCOMPARE(button1(chooser)->text(),
             form.text(QStringLiteral("Button1"), QStringLiteral("text")));
    for (const QString& name : form.widgets())
      QVERIFY2(chooser->objectName() == name || chooser->findChild<QWidget*>(name),
               qPrintable(name));
    QCOMPARE(chooser->findChild<QTimer*>(QStringLiteral("Timer1")), chooser->Timer1);
    const Qt::WindowFlags flags = chooser->windowFlags();
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(!(flags & Qt::WindowCloseButtonHint));
    QVERIFY(!(flags & Qt::WindowMinMaxButtonsHint));
  }

  void chooserPreselectsEnglishAndSwitchesAllWindows() {
    auto* pack = control<QPushButton>(formMain(), "ButtonPack");
    auto* apply = control<QPushButton>(formOpt(), "ButtonApply");
    writeLanguage("Russian.lng", "Русский", "Russian",
                  {{"FORM", "Пакхелм"},
                   {"BUTTON\\ButtonPack", "Упаковать"},
                   {"BUTTON\\FormOpt.ButtonApply", "Применить"},
                   {"BUTTON\\FormChooseLang.Button1", "Далее  >"},
                   {"VAR\\1", "Готов"}});
    writeEnglish({{"FORM", "Packhelm"},
                  {"BUTTON\\ButtonPack", "Pack"},
                  {"BUTTON\\FormOpt.ButtonApply", "Apply"},
                  {"BUTTON\\FormChooseLang.Button1", "Continue  >"},
                  {"VAR\\1", "Ready"}});
    TFormChooseLang* chooser = prog->ctx.formChooseLang();
    QListWidget* list = comboBox1(chooser);
    chooser->show();
    QCOMPARE(list->count(), 2);
    const int en = int(chooser->englishNames().indexOf("English"));
    const int ru = int(chooser->englishNames().indexOf("Russian"));
    QCOMPARE(list->item(ru)->text(), QStringLiteral("Русский (Russian)"));
    QCOMPARE(list->item(en)->text(), QStringLiteral("English (English)"));
    QCOMPARE(list->currentRow(), en);
    QCOMPARE(chooser->LangName, QByteArray("English"));
    QCOMPARE(chooser->LangFile, QByteArray("English.lng"));
    QCOMPARE(pack->text(), QStringLiteral("Pack"));
    QCOMPARE(apply->text(), QStringLiteral("Apply"));
    QCOMPARE(chooser->Texts[1], QByteArray("Ready"));
    // the main table changes only when the chooser closes
    QVERIFY(prog->ctx.state.LangTexts[1].isEmpty());

    list->setCurrentRow(ru);
    QCOMPARE(chooser->LangName, QByteArray("Russian"));
    QCOMPARE(chooser->LangFile, QByteArray("Russian.lng"));
    QCOMPARE(pack->text(), QStringLiteral("Упаковать"));
    QCOMPARE(apply->text(), QStringLiteral("Применить"));
    QCOMPARE(button1(chooser)->text(), QStringLiteral("Далее  >"));
    QCOMPARE(formMain()->windowTitle(), QStringLiteral("Пакхелм"));
    QCOMPARE(chooser->Texts[1], QByteArray("Готов"));

    // the keyboard moves the selection too
    list->setFocus();
    list->setCurrentRow(en);
    QCOMPARE(chooser->LangName, QByteArray("English"));
    QCOMPARE(pack->text(), QStringLiteral("Pack"));
    QTest::keyClick(list, ru > en ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(list->currentRow(), ru);
    QCOMPARE(chooser->LangName, QByteArray("Russian"));
    QCOMPARE(pack->text(), QStringLiteral("Упаковать"));
  }

  // A language file in an 8-bit code page is not listed (it would show U+FFFD everywhere); one
  // whose file name is not UTF-8 is listed and loads.
  void languageFilesThatAreNotUtf8() {
    writeEnglish({{"BUTTON\\ButtonPack", "Pack"}});
    writeLanguage("old\xe9.lng",
                  "Fran\xe7"
                  "ais",
                  "French", {{"BUTTON\\ButtonPack", "Compresser"}});
    writeLanguage("Deutsch\xff.lng", "Deutsch", "German", {{"BUTTON\\ButtonPack", "Packen"}});
    writeLanguage("texts.lng", "Mixed", "Mixed", {{"BUTTON\\ButtonPack", "bad \xc3("}});
    QList<QByteArray> names, english, files, notUtf8;
    ListLanguages(prog->dir.path(), names, english, files, &notUtf8);
    std::sort(english.begin(), english.end());
    QCOMPARE(english, (QList<QByteArray>{"English", "German"}));
    std::sort(notUtf8.begin(), notUtf8.end());
    QCOMPARE(notUtf8, (QList<QByteArray>{"old\xe9.lng", "texts.lng"}));
    QCOMPARE(FindLanguageFile(prog->dir.path(), "German"), QByteArray("Deutsch\xff.lng"));
    QCOMPARE(FindLanguageFile(prog->dir.path(), "French"), QByteArray("English.lng"));
    Language lang;
    QVERIFY(LoadLanguage(prog->dir.file("Deutsch\xff.lng"), "FormMain", lang));
    QVERIFY(!LoadLanguage(prog->dir.file("old\xe9.lng"), "FormMain", lang));

    // The chooser offers the two and names the others in a message, byte by byte.
    TFormChooseLang* chooser = prog->ctx.formChooseLang();
    chooser->show();
    QCOMPARE(comboBox1(chooser)->count(), 2);
    const QList<Prompts::MessageRecord> shown = Prompts::Test().messages;
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown[0].text.contains(QStringLiteral("old\\xe9.lng")));
    QVERIFY(shown[0].text.contains(QStringLiteral("texts.lng")));
    QVERIFY(!shown[0].text.contains(QChar(0xFFFD)));
  }

  void displayName_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("UTF-8") << QByteArray("Deutsch \xc3\xa4.lng") << QStringLiteral("Deutsch ä.lng");
    QTest::newRow("Latin-1") << QByteArray("caf\xe9.lng") << QStringLiteral("caf\\xe9.lng");
    QTest::newRow("cut character") << QByteArray("a\xe2\x82") << QStringLiteral("a\\xe2\\x82");
    QTest::newRow("control characters") << QByteArray("a\nb\x1b") << QStringLiteral("a\\x0ab\\x1b");
    QTest::newRow("four bytes") << QByteArray("\xf0\x9f\x98\x80") << QStringLiteral("\U0001F600");
  }
  void displayName() {
    QFETCH(QByteArray, name);
    QFETCH(QString, shown);
    QCOMPARE(DisplayName(name), shown);
  }

  void chooserWithoutEnglishSelectsFirstRow() {
    writeLanguage("Russian.lng", "Русский", "Russian", {{"FORM", "Пакхелм"}});
    writeLanguage("German.lng", "Deutsch", "German", {{"FORM", "Packhelm DE"}});
    TFormChooseLang* chooser = prog->ctx.formChooseLang();
    chooser->show();
    QCOMPARE(comboBox1(chooser)->currentRow(), 0);
    QCOMPARE(chooser->LangName, chooser->englishNames().at(0));
    QCOMPARE(formMain()->windowTitle(), chooser->LangName == "German"
                                            ? QStringLiteral("Packhelm DE")
                                            : QStringLiteral("Пакхелм"));
  }

  void chooserNoSelectionKeepsLanguage() {
    auto* pack = control<QPushButton>(formMain(), "ButtonPack");
    writeLanguage("Russian.lng", "Русский", "Russian", {{"BUTTON\\ButtonPack", "Упаковать"}});
    writeEnglish({{"BUTTON\\ButtonPack", "Pack"}});
    TFormChooseLang* chooser = prog->ctx.formChooseLang();
    chooser->show();
    QCOMPARE(chooser->LangName, QByteArray("English"));
    comboBox1(chooser)->clearSelection();
    QVERIFY(comboBox1(chooser)->selectedItems().isEmpty());
    comboBox1(chooser)->setCurrentRow(-1);
    QCOMPARE(chooser->LangName, QByteArray("English"));
    QCOMPARE(chooser->LangFile, QByteArray("English.lng"));
    QCOMPARE(pack->text(), QStringLiteral("Pack"));
  }

  void chooserCannotBeCancelled() {
    writeEnglish();
    TFormChooseLang* chooser = prog->ctx.formChooseLang();
    chooser->show();
    QVERIFY(QTest::qWaitForWindowExposed(chooser));
    QTest::keyClick(chooser, Qt::Key_Escape);
    QVERIFY(chooser->isVisible());
    QVERIFY(!chooser->close());
    QVERIFY(chooser->isVisible());
    QTest::mouseClick(button1(chooser), Qt::LeftButton);
    QVERIFY(!chooser->isVisible());
    QCOMPARE(chooser->result(), int(QDialog::Accepted));
    QCOMPARE(chooser->LangName, QByteArray("English"));
  }

  void languageChoiceTakesTheChosenLanguage() {
    writeLanguage("Russian.lng", "Русский", "Russian", {{"VAR\\0", "Сжатие"}, {"VAR\\100", "сто"}});
    writeEnglish({{"VAR\\0", "Compression"}, {"VAR\\1", "Ready"}});
    prog->ctx.state.LangTexts[1] = "previous";
    bool answered = false;
    QTimer::singleShot(0, this, [&] {
      auto* chooser = qobject_cast<TFormChooseLang*>(QApplication::activeModalWidget());
      if (!chooser) return;
      comboBox1(chooser)->setCurrentRow(int(chooser->englishNames().indexOf("Russian")));
      answered = true;
      button1(chooser)->click();
    });
    std::optional<bool> chosen;
    prog->ctx.chooseLanguage([&chosen](bool c) { chosen = c; });
    QTRY_VERIFY(chosen.has_value());
    QVERIFY(*chosen);
    QVERIFY(answered);
    QVERIFY(!prog->ctx.formChooseLang()->terminated());
    QCOMPARE(prog->ctx.state.opt.LangName, QByteArray("Russian"));
    QCOMPARE(prog->ctx.state.LangTexts[0], QByteArray("Сжатие"));
    QCOMPARE(prog->ctx.state.LangTexts[100], QByteArray("сто"));
    // the chooser's table had English applied first; its text 1 is copied too
    QCOMPARE(prog->ctx.state.LangTexts[1], QByteArray("Ready"));
    QVERIFY(Prompts::Test().messages.isEmpty());
  }

  void noLanguageFilesEndsTheProgram() {
    // only the settings file in the folder
    TCFGfile settings;
    settings.SetString("LangName", "");
    QVERIFY(settings.SaveToFile(prog->dir.file("Packhelmconfig.cfg")));
    prog->ctx.state.LangTexts[1] = "unchanged";
    prog->ctx.state.opt.LangName = "before";
    // should the chooser stay open, close it so the failure is reported instead of a hang
    bool stuck = false;
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, this, [&] {
      stuck = true;
      prog->ctx.formChooseLang()->done(QDialog::Accepted);
    });
    guard.start(10000);
    std::optional<bool> chosen;
    prog->ctx.chooseLanguage([&chosen](bool c) { chosen = c; });
    QTRY_VERIFY_WITH_TIMEOUT(chosen.has_value(), 15000);
    QVERIFY(!*chosen);
    QVERIFY(!stuck);
    TFormChooseLang* chooser = prog->ctx.formChooseLang();
    QVERIFY(chooser->terminated());
    QVERIFY(!chooser->isVisible());
    QCOMPARE(Prompts::Test().messages.size(), 1);
    const Prompts::MessageRecord m = Prompts::Test().messages.first();
    QCOMPARE(m.text, QStringLiteral("There are no language files. Press OK to terminate program."));
    QCOMPARE(m.caption, QStringLiteral("Error."));
    QCOMPARE(m.icon, Prompts::Icon::Error);
    QCOMPARE(prog->ctx.state.LangTexts[1], QByteArray("unchanged"));
    QCOMPARE(prog->ctx.state.opt.LangName, QByteArray("before"));
  }

  void noLanguageFilesWithoutTerminateShowsEmptyList() {
    TFormChooseLang* chooser = prog->ctx.formChooseLang();
    chooser->TerminateIfNoLanguages = false;
    chooser->show();
    QCOMPARE(comboBox1(chooser)->count(), 0);
    QVERIFY(!chooser->terminated());
    QVERIFY(chooser->LangName.isEmpty());
    QVERIFY(Prompts::Test().messages.isEmpty());
  }
};

QTEST_MAIN(TestLanguage)
#include "test_language.moc"
