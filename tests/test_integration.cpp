// The shell-integration dialog and its desktop backend: reading the extension list back, the
// three desktop files per file type, their names, types, menu text and Exec line (parsed back by
// GLib's desktop-entry reader through `gio launch`), and the failures.
#include <QtTest>

#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "core/integration/DesktopEntry.h"
#include "core/integration/LinuxShellIntegration.h"
#include "gui/dialogs/TFormIntegration.h"
#include "gui/main/AppContext.h"
#include "gui/widgets/Prompts.h"
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

// The file a group's key lives in, unescaped.
QByteArray valueOf(const QString& file, const QByteArray& group, const QByteArray& key) {
  return DesktopEntry::UnescapeString(DesktopEntry::RawValue(readAll(file), group, key));
}

const QByteArray kMainGroup = "Desktop Entry";
const QByteArray kActionGroup = "Desktop Action packhelm";
const QByteArray kNemoGroup = "Nemo Action";

}  // namespace

class TestIntegration : public QObject {
  Q_OBJECT

  std::unique_ptr<TestProgram> prog_;
  std::unique_ptr<QTemporaryDir> dataHome_;
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

 private slots:
  void initTestCase() { Prompts::Test().active = true; }

  void init() {
    dataHome_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dataHome_->isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_->path()));
    QCOMPARE(LinuxShellIntegration::dataHome(), dataHome_->path());
    prog_ = std::make_unique<TestProgram>(true, false);
    prog_->ctx.state.LangTexts[50] = "Open in Packhelm";
    useProgram(program_);
    Prompts::Test().messages.clear();
  }

  void cleanup() {
    prog_.reset();
    dataHome_.reset();
  }

  // --- the dialog's controls ---
  void controls() {
    QCOMPARE(form().objectName(), QStringLiteral("FormIntegration"));
    for (const char* name :
         {"Label1", "RichEdit1", "ButtonAdd", "ButtonRemove", "ButtonClose", "ButtonGet"})
      QVERIFY2(form().findChild<QWidget*>(QLatin1String(name)), name);
    auto* add = form().findChild<QPushButton*>(QStringLiteral("ButtonAdd"));
    QVERIFY(add->isDefault());
    // A language with long captions widens the dialog instead of clipping them.
    form()
        .findChild<QPushButton*>(QStringLiteral("ButtonRemove"))
        ->setText(QStringLiteral("Remove the entry from the file manager's context menu again"));
    form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&form()));
    for (QPushButton* b : form().findChildren<QPushButton*>()) {
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
    QVERIFY(Prompts::Test().messages.isEmpty());
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
    QVERIFY(noneExist(png));
    QVERIFY(allExist(txt));
    if (cacheTool) {
      const QByteArray cache = readAll(apps() + QStringLiteral("/mimeinfo.cache"));
      QVERIFY(!cache.contains("packhelm-image-png.desktop"));
      QVERIFY(cache.contains("text/plain=packhelm-text-plain.desktop;"));
    }
    // Removing a type that has no entry changes nothing and says nothing.
    form().ButtonRemoveClick();
    QVERIFY(allExist(txt));
    QVERIFY(Prompts::Test().messages.isEmpty());
    QCOMPARE(prog_->ctx.state.opt.ShellExt, (ByteList{".png"}));
  }

  void twoExtensionsOfOneType() {
    setBox(QStringLiteral(".jpg\n.jpeg"));
    form().ButtonAddClick();
    const QStringList jpeg = LinuxShellIntegration::entryFiles("image/jpeg");
    QVERIFY(allExist(jpeg));
    QCOMPARE(QDir(dataHome_->path() + QStringLiteral("/kio/servicemenus"))
                 .entryList(QDir::Files | QDir::NoDotAndDotDot)
                 .size(),
             1);
    // Removing either extension removes the entry of the type, so of both.
    setBox(QStringLiteral("jpeg"));
    form().ButtonRemoveClick();
    QVERIFY(noneExist(jpeg));
  }

  void unknownAndEmptyEntriesSkipped() {
    setBox(QStringLiteral(".zzqqxx\n\n.\n.png"));
    form().ButtonAddClick();
    QVERIFY(Prompts::Test().messages.isEmpty());
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

    // A file written by the program passes the desktop-file validator when it is installed.
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
      QProcess p;
      p.start(validator, {f[2]});
      QVERIFY(p.waitForFinished(30000));
      QVERIFY2(p.exitCode() == 0, p.readAllStandardOutput().constData());
    }
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
    if (gio.isEmpty()) QSKIP("gio (libglib2.0-bin) is not installed");
    QTemporaryDir tmp;
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
    QVERIFY(Prompts::Test().messages.isEmpty());
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
