// SPDX-License-Identifier: GPL-3.0-or-later
// The shell-integration dialog and its desktop backend: reading the extension list back, the
// executable file types offered beside the extensions (programs without one), the three desktop
// files per file type, their names, types, menu text and Exec line (parsed back by GLib's
// desktop-entry reader through `gio launch`), what Add and Remove report, and the failures.
#include <QtTest>

#include <QCheckBox>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

#include "PackhelmBuildConfig.h"
#include "core/integration/DesktopEntry.h"
#include "core/integration/LinuxShellIntegration.h"
#include "gui/dialogs/TFormIntegration.h"
#include "gui/i18n/ApplyLanguage.h"
#include "gui/main/AppContext.h"
#include "gui/widgets/Prompts.h"
#include "support/FormDesign.h"
#include "support/InstallContents.h"
#include "support/TestProgramDir.h"

using ByteList = QList<QByteArray>;

namespace {

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool allExist(const QStringList& files) {
  for (const QString& f : files)
    if (!QFileInfo(f).isFile()) return false;
  return true;
}

bool noneExist(const QStringList& files) {
  for (const QString& f : files)
    if (QFileInfo::exists(f)) return false;
  return true;
}

// A key's value as GLib reads it.
QByteArray valueOf(const QString& file, const QByteArray& group, const QByteArray& key) {
  return GLibKeyFileValue(QFile::encodeName(file), group, key);
}

const QByteArray kMainGroup = "Desktop Entry";
const QByteArray kActionGroup = "Desktop Action packhelm";
const QByteArray kNemoGroup = "Nemo Action";

}  // namespace

class TestIntegration : public QObject {
  Q_OBJECT

  std::unique_ptr<TestProgram> prog_;
  std::unique_ptr<TemporaryDir> dataHome_;
  QByteArray program_ = "/opt/Packhelm build/packhelm";

  TFormIntegration& form() { return *prog_->ctx.formIntegration(); }
  QPlainTextEdit* box() { return form().findChild<QPlainTextEdit*>(QStringLiteral("RichEdit1")); }
  LinuxShellIntegration* useProgram(const QByteArray& path) {
    auto backend = std::make_unique<LinuxShellIntegration>(path);
    LinuxShellIntegration* raw = backend.get();
    form().setBackend(std::move(backend));
    return raw;
  }
  void setBox(const QString& text) { box()->setPlainText(text); }
  QString apps() const { return dataHome_->path() + QStringLiteral("/applications"); }
  QCheckBox* linuxBox() { return form().findChild<QCheckBox*>(QStringLiteral("CheckBoxLinux")); }
  QCheckBox* windowsBox() {
    return form().findChild<QCheckBox*>(QStringLiteral("CheckBoxWindows"));
  }
  void tickTypes(bool linux, bool windows) {
    linuxBox()->setChecked(linux);
    windowsBox()->setChecked(windows);
  }
  // The one message Add or Remove showed: a report of the types it acted on, in order, and of
  // the folders, which come with every Add and Remove that acts on a type.
  void expectReport(const char* button, const QStringList& typeLines) {
    QCOMPARE(Prompts::Test().messages.size(), 1);
    const Prompts::MessageRecord m = Prompts::Test().messages.takeFirst();
    QCOMPARE(m.icon, Prompts::Icon::Information);
    const QString caption = form().findChild<QPushButton*>(QLatin1String(button))->text();
    const QStringList lines = typeLines + QStringList{QStringLiteral("inode/directory")};
    QCOMPARE(m.text, prog_->ctx.state.langText(LangText::ShellDone).arg(caption, lines.join('\n')));
  }

 private slots:
  void initTestCase() { Prompts::Test().active = true; }

  void init() {
    dataHome_ = std::make_unique<TemporaryDir>();
    QVERIFY(dataHome_->isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_->path()));
    QCOMPARE(LinuxShellIntegration::dataHome(), dataHome_->path());
    prog_ = std::make_unique<TestProgram>(true, false);
    prog_->ctx.state.LangTexts[50] = "Open in Packhelm";
    useProgram(program_);
    // The tests of the extension list leave the executable types out.
    tickTypes(false, false);
    Prompts::Test().messages.clear();
  }

  void cleanup() {
    prog_.reset();
    dataHome_.reset();
  }

  // --- the dialog's controls ---
  void controls() {
    const QStringList names = FormDesign(QStringLiteral("dialogs/TFormIntegration.ui")).widgets();
    QCOMPARE(form().objectName(), names.first());
    for (const QString& name : names.mid(1))
      QVERIFY2(form().findChild<QWidget*>(name), qPrintable(name));
    auto* add = form().findChild<QPushButton*>(QStringLiteral("ButtonAdd"));
    QVERIFY(add->isDefault());
    // A language with long captions widens the dialog instead of clipping them.
    form()
        .findChild<QPushButton*>(QStringLiteral("ButtonRemove"))
        ->setText(QStringLiteral("Remove the entry from the file manager's context menu again"));
    linuxBox()->setText(QStringLiteral("Programs and libraries of Linux, told by their contents"));
    form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&form()));
    for (QAbstractButton* b : form().findChildren<QAbstractButton*>()) {
      if (!b->isVisible()) continue;
      QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->objectName()));
      QVERIFY2(b->height() >= b->sizeHint().height(), qPrintable(b->objectName()));
    }
    QVERIFY(!form().findChild<QWidget*>(QStringLiteral("ButtonGet"))->isVisible());
    QCOMPARE(box()->lineWrapMode(), QPlainTextEdit::NoWrap);
    // Enter inside the text box starts a new line instead of pressing ButtonAdd.
    setBox(QStringLiteral(".png"));
    box()->setFocus();
    box()->moveCursor(QTextCursor::End);
    QTest::keyClick(box(), Qt::Key_Return);
    QCOMPARE(box()->toPlainText(), QStringLiteral(".png\n"));
    QVERIFY(noneExist(LinuxShellIntegration::entryFiles("image/png")));
    form().close();
  }

  // --- reading back ---
  void readBack_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<ByteList>("expected");
    const ByteList before{".exe", ".com", ".dll"};
    QTest::newRow("with dot") << ".png" << ByteList{".png"};
    QTest::newRow("no dot") << "png" << ByteList{".png"};
    QTest::newRow("blanks around") << "   .png  " << ByteList{".png"};
    QTest::newRow("blanks, no dot") << "  png " << ByteList{".png"};
    QTest::newRow("tab in front stays") << "\tpng" << ByteList{".\tpng"};
    QTest::newRow("tab after dot") << ".\tpng" << ByteList{".\tpng"};
    QTest::newRow("blank lines") << ".png\n\n  \n.txt" << ByteList{".png", "", "", ".txt"};
    QTest::newRow("line break at the end") << ".png\n" << ByteList{".png"};
    QTest::newRow("only a line break") << "\n" << ByteList{""};
    QTest::newRow("dot only") << "." << ByteList{"."};
    QTest::newRow("order kept") << "c\nb\na" << ByteList{".c", ".b", ".a"};
    QTest::newRow("empty box keeps the list") << "" << before;
  }
  void readBack() {
    QFETCH(QString, text);
    QFETCH(ByteList, expected);
    prog_->ctx.state.opt.ShellExt = {".exe", ".com", ".dll"};
    setBox(text);
    form().ButtonGetClick();
    QCOMPARE(prog_->ctx.state.opt.ShellExt, expected);
  }

  void showListsNonEmptyEntries() {
    prog_->ctx.state.opt.ShellExt = {".png", "", ".txt", ""};
    form().show();
    QCOMPARE(box()->toPlainText(), QStringLiteral(".png\n.txt"));
    // The blank entries still count until the box is read back.
    QCOMPARE(prog_->ctx.state.opt.ShellExt.size(), 4);
    form().close();
    QCOMPARE(prog_->ctx.state.opt.ShellExt, (ByteList{".png", ".txt"}));
  }

  void closingReadsBack_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("ButtonClose") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close()") << 2;
  }
  void closingReadsBack() {
    QFETCH(int, how);
    prog_->ctx.state.opt.ShellExt = {".exe"};
    form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&form()));
    setBox(QStringLiteral("png\njpg"));
    if (how == 0)
      form().findChild<QPushButton*>(QStringLiteral("ButtonClose"))->click();
    else if (how == 1)
      QTest::keyClick(&form(), Qt::Key_Escape);
    else
      form().close();
    QVERIFY(!form().isVisible());
    QCOMPARE(prog_->ctx.state.opt.ShellExt, (ByteList{".png", ".jpg"}));
  }

  void emptiedBoxKeepsListOnClose() {
    prog_->ctx.state.opt.ShellExt = {".png", ".txt"};
    form().show();
    box()->clear();
    form().close();
    QCOMPARE(prog_->ctx.state.opt.ShellExt, (ByteList{".png", ".txt"}));
    // Shown again, the list is back in the box.
    form().show();
    QCOMPARE(box()->toPlainText(), QStringLiteral(".png\n.txt"));
    form().close();
  }

  // --- file types ---
  void fileType_data() {
    QTest::addColumn<QByteArray>("ext");
    QTest::addColumn<QByteArray>("type");
    QTest::newRow("png") << QByteArray(".png") << QByteArray("image/png");
    QTest::newRow("upper case") << QByteArray(".PNG") << QByteArray("image/png");
    QTest::newRow("jpg") << QByteArray(".jpg") << QByteArray("image/jpeg");
    QTest::newRow("jpeg") << QByteArray(".jpeg") << QByteArray("image/jpeg");
    QTest::newRow("txt") << QByteArray(".txt") << QByteArray("text/plain");
    QTest::newRow("unknown") << QByteArray(".zzqqxx") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("dot only") << QByteArray(".") << QByteArray();
    QTest::newRow("tab") << QByteArray(".\tpng") << QByteArray();
    QTest::newRow("slash") << QByteArray("./a.png") << QByteArray();
  }
  void fileType() {
    QFETCH(QByteArray, ext);
    QFETCH(QByteArray, type);
    QCOMPARE(form().backend().fileType(ext), type);
    if (!type.isEmpty()) {
      // Always the canonical name of the type, never an alias.
      const QMimeDatabase db;
      QCOMPARE(db.mimeTypeForName(QString::fromUtf8(type)).name().toUtf8(), type);
    }
  }

  // --- add and remove ---
  void addThenRemoveTwoTypes() {
    setBox(QStringLiteral(".png\ntxt"));
    form().ButtonAddClick();
    expectReport("ButtonAdd", {"image/png (.png)", "text/plain (.txt)"});
    const QStringList png = LinuxShellIntegration::entryFiles("image/png");
    const QStringList txt = LinuxShellIntegration::entryFiles("text/plain");
    QVERIFY(allExist(png));
    QVERIFY(allExist(txt));
    QCOMPARE(QFileInfo(png[0]).fileName(), QStringLiteral("packhelm-image-png.desktop"));
    QVERIFY(png[0].startsWith(dataHome_->path() + QStringLiteral("/kio/servicemenus/")));
    QVERIFY(png[1].startsWith(dataHome_->path() + QStringLiteral("/nemo/actions/")));
    QVERIFY(png[1].endsWith(QStringLiteral(".nemo_action")));
    QVERIFY(png[2].startsWith(apps() + QLatin1Char('/')));

    // Adding again rewrites the same files and nothing else.
    form().ButtonAddClick();
    expectReport("ButtonAdd", {"image/png (.png)", "text/plain (.txt)"});
    QCOMPARE(QDir(apps()).entryList({QStringLiteral("*.desktop")}, QDir::Files).size(), 2);

    const bool cacheTool =
        !QStandardPaths::findExecutable(QStringLiteral("update-desktop-database")).isEmpty();
    if (cacheTool) {
      const QByteArray cache = readAll(apps() + QStringLiteral("/mimeinfo.cache"));
      QVERIFY2(cache.contains("image/png=packhelm-image-png.desktop;"), cache.constData());
      QVERIFY(cache.contains("text/plain=packhelm-text-plain.desktop;"));
    }

    setBox(QStringLiteral(".png"));
    form().ButtonRemoveClick();
    expectReport("ButtonRemove", {"image/png (.png)"});
    QVERIFY(noneExist(png));
    QVERIFY(allExist(txt));
    if (cacheTool) {
      const QByteArray cache = readAll(apps() + QStringLiteral("/mimeinfo.cache"));
      QVERIFY(!cache.contains("packhelm-image-png.desktop"));
      QVERIFY(cache.contains("text/plain=packhelm-text-plain.desktop;"));
    }
    // Removing a type that has no entry changes nothing; the type is without the entry, as asked.
    form().ButtonRemoveClick();
    QVERIFY(allExist(txt));
    expectReport("ButtonRemove", {"image/png (.png)"});
    QCOMPARE(prog_->ctx.state.opt.ShellExt, (ByteList{".png"}));
  }

  void twoExtensionsOfOneType() {
    setBox(QStringLiteral(".jpg\n.jpeg"));
    form().ButtonAddClick();
    const QStringList jpeg = LinuxShellIntegration::entryFiles("image/jpeg");
    QVERIFY(allExist(jpeg));
    QCOMPARE(QDir(dataHome_->path() + QStringLiteral("/kio/servicemenus"))
                 .entryList(QDir::Files | QDir::NoDotAndDotDot),
             (QStringList{QStringLiteral("packhelm-image-jpeg.desktop"),
                          QStringLiteral("packhelm-inode-directory.desktop")}));
    // Removing either extension removes the entry of the type, so of both.
    setBox(QStringLiteral("jpeg"));
    form().ButtonRemoveClick();
    QVERIFY(noneExist(jpeg));
  }

  void unknownAndEmptyEntriesSkipped() {
    setBox(QStringLiteral(".zzqqxx\n\n.\n.png"));
    form().ButtonAddClick();
    expectReport("ButtonAdd", {"image/png (.png)"});
    QVERIFY(allExist(LinuxShellIntegration::entryFiles("image/png")));
    QCOMPARE(QDir(apps()).entryList({QStringLiteral("packhelm-*")}, QDir::Files),
             QStringList{QStringLiteral("packhelm-image-png.desktop")});
  }

  void fileContents() {
    setBox(QStringLiteral(".png"));
    form().ButtonAddClick();
    const QStringList f = LinuxShellIntegration::entryFiles("image/png");
    // Dolphin runs a service menu of the user's own only when it is executable.
    const QFile::Permissions perms = QFileInfo(f[0]).permissions();
    QVERIFY(perms & QFile::ExeOwner);
    QVERIFY(perms & QFile::ExeOther);
    QVERIFY(!(QFileInfo(f[2]).permissions() & QFile::ExeOwner));

    // Exactly the one type, in every file.
    QCOMPARE(valueOf(f[0], kMainGroup, "MimeType"), QByteArray("image/png;"));
    QCOMPARE(valueOf(f[1], kNemoGroup, "Mimetypes"), QByteArray("image/png;"));
    QCOMPARE(valueOf(f[2], kMainGroup, "MimeType"), QByteArray("image/png;"));
    // Nemo splits its expanded Exec line at blanks unless told to escape them in the paths.
    QCOMPARE(valueOf(f[1], kNemoGroup, "EscapeSpaces"), QByteArray("true"));
    QCOMPARE(valueOf(f[1], kNemoGroup, "Quote"), QByteArray());
    QCOMPARE(valueOf(f[0], kMainGroup, "Type"), QByteArray("Service"));
    QCOMPARE(valueOf(f[0], kMainGroup, "Actions"), QByteArray("packhelm;"));
    QCOMPARE(valueOf(f[2], kMainGroup, "Type"), QByteArray("Application"));

    // One and the same quoted command in all three.
    const QByteArray exec = "\"/opt/Packhelm build/packhelm\" %F";
    QCOMPARE(valueOf(f[0], kActionGroup, "Exec"), exec);
    QCOMPARE(valueOf(f[1], kNemoGroup, "Exec"), exec);
    QCOMPARE(valueOf(f[2], kMainGroup, "Exec"), exec);

    // A file written by the program passes the desktop-file validator.
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    QVERIFY2(!validator.isEmpty(), "desktop-file-validate (desktop-file-utils) is missing");
    const ToolRun checked = RunTool(validator, {f[2]});
    QVERIFY2(checked.started && checked.exitCode == 0, checked.out + checked.err);
  }

  // An installed Packhelm's entries show its own icon; a portable copy has none in the theme.
  void iconOfTheEntries_data() {
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<QByteArray>("icon");
    QTest::newRow("portable") << Layout::Portable << QByteArray("package-x-generic");
    QTest::newRow("installed") << Layout::Installed << QByteArray(PACKHELM_APP_ID);
  }
  void iconOfTheEntries() {
    QFETCH(Layout, layout);
    QFETCH(QByteArray, icon);
    const TestProgramDir dir(false, false, layout);
    useProgram(dir.path() + "packhelm");
    setBox(QStringLiteral(".png"));
    form().ButtonAddClick();
    const QStringList f = LinuxShellIntegration::entryFiles("image/png");
    QCOMPARE(valueOf(f[0], kActionGroup, "Icon"), icon);
    QCOMPARE(valueOf(f[1], kNemoGroup, "Icon-Name"), icon);
    QCOMPARE(valueOf(f[2], kMainGroup, "Icon"), icon);
  }

  void menuTextRoundTrip_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("plain") << QByteArray("Open in Packhelm") << QByteArray("Open in Packhelm");
    QTest::newRow("Cyrillic") << QByteArray("Открыть в Packhelm")
                              << QByteArray("Открыть в Packhelm");
    QTest::newRow("leading blank") << QByteArray(" Pack it") << QByteArray(" Pack it");
    QTest::newRow("backslash, percent, equals")
        << QByteArray("a\\b 100% x=y;") << QByteArray("a\\b 100% x=y;");
    QTest::newRow("tab and line break") << QByteArray("a\tb\nc") << QByteArray("a\tb\nc");
    QTest::newRow("empty text") << QByteArray() << QByteArray("Packhelm");
  }
  void menuTextRoundTrip() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, shown);
    prog_->ctx.state.LangTexts[50] = text;
    setBox(QStringLiteral(".png"));
    form().ButtonAddClick();
    const QStringList f = LinuxShellIntegration::entryFiles("image/png");
    QCOMPARE(valueOf(f[0], kActionGroup, "Name"), shown);
    QCOMPARE(valueOf(f[1], kNemoGroup, "Name"), shown);
    QCOMPARE(valueOf(f[2], kMainGroup, "Name"), shown);
    // Each key stays on its one line whatever the text holds.
    for (const QString& file : f) {
      const QByteArray all = readAll(file);
      QCOMPARE(all.count("\nName="), 1);
      QVERIFY(!all.contains("\nc\n"));
    }
  }

  // Folders are offered in the context menus of Dolphin and Nemo, with the same program and menu
  // text; not in "Open With", where a desktop without a chosen folder program would open every
  // folder in Packhelm. They come and go with the types.
  void foldersOfferedInTheContextMenus() {
    setBox(QStringLiteral(".png"));
    form().ButtonAddClick();
    const QStringList f = LinuxShellIntegration::entryFiles(FolderType());
    QCOMPARE(f.size(), 2);
    QVERIFY(allExist(f));
    QCOMPARE(QFileInfo(f[0]).fileName(), QStringLiteral("packhelm-inode-directory.desktop"));
    QCOMPARE(valueOf(f[0], kMainGroup, "MimeType"), QByteArray("inode/directory;"));
    QCOMPARE(valueOf(f[1], kNemoGroup, "Mimetypes"), QByteArray("inode/directory;"));
    const QStringList png = LinuxShellIntegration::entryFiles("image/png");
    for (int i = 0; i < 2; ++i) {
      const QByteArray group = i == 0 ? kActionGroup : kNemoGroup;
      QCOMPARE(valueOf(f[i], group, "Exec"), valueOf(png[i], group, "Exec"));
      QCOMPARE(valueOf(f[i], group, "Name"), QByteArray("Open in Packhelm"));
    }
    QVERIFY(QFileInfo(f[0]).permissions() & QFile::ExeOwner);
    QCOMPARE(QDir(apps()).entryList({QStringLiteral("packhelm-*")}, QDir::Files),
             QStringList{QStringLiteral("packhelm-image-png.desktop")});
    if (!QStandardPaths::findExecutable(QStringLiteral("update-desktop-database")).isEmpty())
      QVERIFY(!readAll(apps() + QStringLiteral("/mimeinfo.cache")).contains("inode/directory"));
    expectReport("ButtonAdd", {"image/png (.png)"});

    form().ButtonRemoveClick();
    QVERIFY(noneExist(f));
    expectReport("ButtonRemove", {"image/png (.png)"});
    // Nothing to act on: no folder entry either.
    setBox(QStringLiteral(".zzqqxx"));
    form().ButtonAddClick();
    QVERIFY(noneExist(f));
  }

  // --- programs without an extension: the executable types ---
  void executableTypes_data() {
    QTest::addColumn<bool>("linux");
    QTest::addColumn<bool>("windows");
    QTest::addColumn<ByteList>("types");
    const ByteList elf = LinuxExecutableTypes(), exe = WindowsExecutableTypes();
    QTest::newRow("Linux programs") << true << false << elf;
    QTest::newRow("Windows programs") << false << true << exe;
    QTest::newRow("both") << true << true << elf + exe;
  }
  void executableTypes() {
    QFETCH(bool, linux);
    QFETCH(bool, windows);
    QFETCH(ByteList, types);
    // The five types of the installed desktop entry, and nothing else.
    QStringList all;
    for (const QByteArray& t : LinuxExecutableTypes() + WindowsExecutableTypes())
      all << QString::fromUtf8(t);
    QCOMPARE(all, ExecutableMimeTypes());

    setBox(QString());
    prog_->ctx.state.opt.ShellExt.clear();
    tickTypes(linux, windows);
    form().ButtonAddClick();
    QStringList lines;
    for (const QByteArray& t : types) {
      lines << QString::fromUtf8(t);
      const QStringList f = LinuxShellIntegration::entryFiles(t);
      QVERIFY2(allExist(f), t.constData());
      // Each file names exactly its one type, for Dolphin, Nemo and "Open With" alike.
      QCOMPARE(valueOf(f[0], kMainGroup, "MimeType"), t + ';');
      QCOMPARE(valueOf(f[1], kNemoGroup, "Mimetypes"), t + ';');
      QCOMPARE(valueOf(f[2], kMainGroup, "MimeType"), t + ';');
    }
    expectReport("ButtonAdd", lines);
    QCOMPARE(QDir(apps()).entryList({QStringLiteral("packhelm-*")}, QDir::Files).size(),
             types.size());
    if (!QStandardPaths::findExecutable(QStringLiteral("update-desktop-database")).isEmpty()) {
      const QByteArray cache = readAll(apps() + QStringLiteral("/mimeinfo.cache"));
      for (const QByteArray& t : types) QVERIFY2(cache.contains(t + "=packhelm-"), t.constData());
    }

    form().ButtonRemoveClick();
    expectReport("ButtonRemove", lines);
    for (const QByteArray& t : types) QVERIFY(noneExist(LinuxShellIntegration::entryFiles(t)));
  }

  // An extension whose type is also one of the ticked ones is named once, with its extension.
  void extensionsAndTypesTogether() {
    tickTypes(false, true);
    setBox(QStringLiteral(".exe\n.png\n.zzqqxx\n.EXE"));
    form().ButtonAddClick();
    expectReport("ButtonAdd", {"application/x-ms-dos-executable (.exe, .EXE)", "image/png (.png)",
                               "application/x-msdownload"});
  }

  void reportInTheChosenLanguage() {
    QVERIFY(ApplyLanguage(prog_->ctx.state.LangDir + "German.lng", prog_->ctx.state.LangTexts,
                          LangTextHighest, "FormMain", prog_->ctx.forms()));
    setBox(QStringLiteral(".png"));
    form().ButtonAddClick();
    QCOMPARE(Prompts::Test().messages.size(), 1);
    // Line breaks in a language file are CR LF.
    QCOMPARE(Prompts::Test().messages[0].text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
             QStringLiteral("Ins Kontextmenü aufnehmen: erledigt.\nDateimanager: Dolphin "
                            "(Servicemenü), Nemo (Aktion) und die Liste „Öffnen mit“ jedes "
                            "Dateimanagers.\nDateitypen:\nimage/png (.png)\ninode/directory"));
  }

  void nothingToDo_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("Add") << "ButtonAdd";
    QTest::newRow("Remove") << "ButtonRemove";
  }
  void nothingToDo() {
    QFETCH(QString, button);
    // A mnemonic's "&" does not show in the sentence.
    auto* b = form().findChild<QPushButton*>(button);
    b->setText(QStringLiteral("&Do it && more"));
    setBox(QStringLiteral(".zzqqxx\n\n."));
    b->click();
    QCOMPARE(Prompts::Test().messages.size(), 1);
    QCOMPARE(Prompts::Test().messages[0].icon, Prompts::Icon::Information);
    QCOMPARE(Prompts::Test().messages[0].text,
             prog_->ctx.state.langText(LangText::ShellNothingToDo).arg("Do it & more"));
    QVERIFY(!QFileInfo::exists(apps()));
  }

  // On showing, a box is ticked when its types have entries, or when no executable type has one.
  void boxesShowWhatTheDesktopHas() {
    prog_->ctx.state.opt.ShellExt = {".png"};
    form().show();
    QVERIFY(linuxBox()->isChecked());
    QVERIFY(windowsBox()->isChecked());
    tickTypes(true, false);
    form().ButtonAddClick();
    form().close();
    tickTypes(false, true);
    form().show();
    QVERIFY(linuxBox()->isChecked());
    QVERIFY(!windowsBox()->isChecked());
    // Gone from the desktop again: both offered once more.
    tickTypes(true, false);
    form().ButtonRemoveClick();
    form().close();
    form().show();
    QVERIFY(linuxBox()->isChecked());
    QVERIFY(windowsBox()->isChecked());
    form().close();
  }

  // A program without an extension is told an executable type by its contents; "Open With" then
  // offers the entry, and launching it hands the file over as one argument, whatever its name.
  void programWithoutExtensionOpensThroughTheEntry_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("type");
    QTest::newRow("ELF program") << readAll(QStringLiteral(PACKHELM_ARGLOG_PATH))
                                 << QByteArray("application/x-executable");
    QByteArray mz("MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xff\xff", 14);
    mz += QByteArray(600, 'x');
    QTest::newRow("Windows program") << mz << QByteArray("application/x-ms-dos-executable");
  }
  void programWithoutExtensionOpensThroughTheEntry() {
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, type);
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    QVERIFY2(!gio.isEmpty(), "gio (libglib2.0-bin) is missing");
    TemporaryDir tmp;
    const QString program = tmp.filePath(QStringLiteral("arg log"));
    QVERIFY(QFile::copy(QStringLiteral(PACKHELM_ARGLOG_PATH), program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    useProgram(QFile::encodeName(program));
    tickTypes(true, true);
    setBox(QString());
    prog_->ctx.state.opt.ShellExt.clear();
    form().ButtonAddClick();

    // No extension; blanks, quotes, a dollar sign and a line feed. (Not a byte that is not
    // UTF-8: `gio launch` itself replaces it before the entry is read.)
    const QByteArray name = QFile::encodeName(tmp.path()) + "/my 'tool' \"x\" $HOME\nend";
    {
      QFile f(QFile::decodeName(name));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(content);
    }
    QCOMPARE(QMimeDatabase().mimeTypeForFile(QFile::decodeName(name)).name().toUtf8(), type);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome_->path());
    const QString log = tmp.filePath(QStringLiteral("args.log"));
    env.insert(QStringLiteral("PACKHELM_ARGLOG_FILE"), log);
    // "Open With" lists the entry for the type.
    const ToolRun mime = RunTool(gio, {QStringLiteral("mime"), QString::fromUtf8(type)}, env);
    const QByteArray entryName = "packhelm-" + QByteArray(type).replace('/', '-') + ".desktop";
    QVERIFY2(mime.out.contains(entryName), mime.out.constData());
    const QString entry = LinuxShellIntegration::entryFiles(type)[2];
    QCOMPARE(QFileInfo(entry).fileName(), QString::fromUtf8(entryName));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(gio, {QStringLiteral("launch"), entry, QFile::decodeName(name)});
    QVERIFY(p.waitForFinished(30000));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    QTRY_VERIFY_WITH_TIMEOUT(readAll(log).endsWith("--END--\n"), 20000);
    QCOMPARE(readAll(log), QFile::encodeName(program) + '\n' + name + "\n--END--\n");
  }

  // --- failures ---
  void refusedProgramPath_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("percent") << QByteArray("/opt/100% pack/packhelm");
    QTest::newRow("percent field code") << QByteArray("/opt/%f/packhelm");
    QTest::newRow("equals") << QByteArray("/opt/a=b/packhelm");
    QTest::newRow("line break") << QByteArray("/opt/a\nb/packhelm");
    QTest::newRow("not UTF-8") << QByteArray("/opt/\xff\xfe/packhelm");
  }
  void refusedProgramPath() {
    QFETCH(QByteArray, path);
    useProgram(path);
    setBox(QStringLiteral(".png\n.txt"));
    form().ButtonAddClick();
    QCOMPARE(Prompts::Test().messages.size(), 1);
    const Prompts::MessageRecord m = Prompts::Test().messages.first();
    QCOMPARE(m.icon, Prompts::Icon::Error);
    QVERIFY2(m.text.startsWith(QStringLiteral("Failed to set data for 'Exec'")),
             qPrintable(m.text));
    QVERIFY(noneExist(LinuxShellIntegration::entryFiles("image/png")));
    QVERIFY(noneExist(LinuxShellIntegration::entryFiles("text/plain")));
  }

  // A part of an entry that cannot be removed (a folder with something in it stands in its
  // place, which root cannot remove either) is reported, and Remove stops there.
  void removeFailure() {
    setBox(QStringLiteral(".png\n.txt"));
    form().ButtonAddClick();
    Prompts::Test().messages.clear();
    const QStringList png = LinuxShellIntegration::entryFiles("image/png");
    QVERIFY(QFile::remove(png[1]));
    QVERIFY(QDir().mkpath(png[1] + QStringLiteral("/inside")));
    form().ButtonRemoveClick();
    QCOMPARE(Prompts::Test().messages.size(), 1);
    const Prompts::MessageRecord m = Prompts::Test().messages.first();
    QCOMPARE(m.icon, Prompts::Icon::Error);
    QCOMPARE(m.text, QStringLiteral("Failed to remove '%1'").arg(png[1]));
    QVERIFY(!QFileInfo::exists(png[0]));
    QVERIFY(allExist(LinuxShellIntegration::entryFiles("text/plain")));
  }

  // A language file from before these texts: the messages fall back to English, never empty.
  void olderLanguageFileStillReports() {
    for (int n = 80; n <= 89; ++n) prog_->ctx.state.LangTexts[size_t(n)].clear();
    setBox(QStringLiteral(".zzqqxx"));
    form().ButtonAddClick();
    QCOMPARE(Prompts::Test().messages.size(), 1);
    QVERIFY2(Prompts::Test().messages[0].text.startsWith(
                 QStringLiteral("Add to Shell Menu: nothing to do.")),
             qPrintable(Prompts::Test().messages[0].text));
  }

  void unwritableDataHome() {
    // A data folder below a plain file can be made by nobody, not even by root.
    const QString blocker = dataHome_->filePath(QStringLiteral("plain-file"));
    {
      QFile f(blocker);
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocker + QStringLiteral("/data")));
    setBox(QStringLiteral(".png\n.txt"));
    form().ButtonAddClick();
    QCOMPARE(Prompts::Test().messages.size(), 1);
    const Prompts::MessageRecord m = Prompts::Test().messages.first();
    QCOMPARE(m.icon, Prompts::Icon::Error);
    QCOMPARE(m.text, QStringLiteral("Failed to create key ") + blocker +
                         QStringLiteral("/data/kio/servicemenus"));
    // It stopped at the first type: the second would have failed the same way.
  }

  void stopsAtTheFailingExtension() {
    // The second type's service menu cannot be written: a folder stands in its place.
    const QStringList txt = LinuxShellIntegration::entryFiles("text/plain");
    QVERIFY(QDir().mkpath(txt[0]));
    form().show();
    setBox(QStringLiteral(".png\n.txt\n.jpg"));
    form().ButtonAddClick();
    QVERIFY(form().isVisible());
    QCOMPARE(Prompts::Test().messages.size(), 1);
    const Prompts::MessageRecord m = Prompts::Test().messages.first();
    QCOMPARE(m.icon, Prompts::Icon::Error);
    QCOMPARE(m.text, QStringLiteral("Failed to set data for '%1'").arg(txt[0]));
    QVERIFY(allExist(LinuxShellIntegration::entryFiles("image/png")));
    QVERIFY(noneExist(txt.mid(1)));
    QVERIFY(noneExist(LinuxShellIntegration::entryFiles("image/jpeg")));
    // What was written before stays registered with the desktop.
    if (!QStandardPaths::findExecutable(QStringLiteral("update-desktop-database")).isEmpty())
      QVERIFY(readAll(apps() + QStringLiteral("/mimeinfo.cache"))
                  .contains("image/png=packhelm-image-png.desktop;"));
  }

  // --- Exec lines ---
  void execQuoting_data() {
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("plain") << QByteArray("/usr/bin/packhelm")
                           << QByteArray("\"/usr/bin/packhelm\" %F");
    QTest::newRow("blank") << QByteArray("/opt/my apps/packhelm")
                           << QByteArray("\"/opt/my apps/packhelm\" %F");
    QTest::newRow("double quote") << QByteArray("/opt/a\"b/p")
                                  << QByteArray("\"/opt/a\\\\\"b/p\" %F");
    QTest::newRow("dollar") << QByteArray("/opt/$HOME/p") << QByteArray("\"/opt/\\\\$HOME/p\" %F");
    QTest::newRow("backtick") << QByteArray("/opt/`x`/p")
                              << QByteArray("\"/opt/\\\\`x\\\\`/p\" %F");
    QTest::newRow("backslash: four in the file")
        << QByteArray("/opt/a\\b/p") << QByteArray("\"/opt/a\\\\\\\\b/p\" %F");
    QTest::newRow("single quote") << QByteArray("/opt/it's/p") << QByteArray("\"/opt/it's/p\" %F");
  }
  void execQuoting() {
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, written);
    QVERIFY(DesktopEntry::ExecPathWritable(program));
    QCOMPARE(DesktopEntry::ExecValue(program, "%F"), written);
  }

  void execLaunchedByGio() {
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    QVERIFY2(!gio.isEmpty(), "gio (libglib2.0-bin) is missing");
    TemporaryDir tmp;
    QVERIFY(tmp.isValid());
    // Blanks, both quotes, a dollar sign, a backtick and a backslash in the program's folder.
    const QString folder =
        tmp.filePath(QStringLiteral("my apps 'one' \"two\" $HOME `x` back\\slash"));
    QVERIFY(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/arg log");
    QVERIFY(QFile::copy(QStringLiteral(PACKHELM_ARGLOG_PATH), program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    useProgram(QFile::encodeName(program));

    setBox(QStringLiteral(".png"));
    form().ButtonAddClick();
    expectReport("ButtonAdd", {"image/png (.png)"});
    const QString entry = LinuxShellIntegration::entryFiles("image/png")[2];
    QVERIFY(QFileInfo(entry).isFile());

    const QString input = tmp.filePath(QStringLiteral("a picture $1 'x'.png"));
    {
      QFile f(input);
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString log = tmp.filePath(QStringLiteral("args.log"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PACKHELM_ARGLOG_FILE"), log);
    p.setProcessEnvironment(env);
    p.start(gio, {QStringLiteral("launch"), entry, input});
    QVERIFY(p.waitForFinished(30000));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    // The launcher does not wait for the program; the log is complete with its end line.
    QTRY_VERIFY_WITH_TIMEOUT(readAll(log).endsWith("--END--\n"), 20000);
    const QList<QByteArray> lines = readAll(log).split('\n');
    QCOMPARE(lines, (QList<QByteArray>{QFile::encodeName(program), QFile::encodeName(input),
                                       "--END--", ""}));
  }
};

QTEST_MAIN(TestIntegration)
#include "test_integration.moc"
