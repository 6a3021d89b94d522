// SPDX-License-Identifier: GPL-3.0-or-later
// What a desktop user meets around the windows: where they open (inside the free area of their
// screen, dialogs over the main window's screen), the status line, the keyboard mnemonics of the
// buttons, the folder the file dialogs open in and the integration dialog's list. The test runs
// on two screens side by side, from an offscreen configuration of its own.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include "core/i18n/LanguageFiles.h"
#include "gui/console/TFormFTSC.h"
#include "gui/dialogs/TFormAbout.h"
#include "gui/dialogs/TFormChooseLang.h"
#include "gui/dialogs/TFormEditExec.h"
#include "gui/dialogs/TFormIntegration.h"
#include "gui/dialogs/TFormOpt.h"
#include "gui/dialogs/TFormVersHist.h"
#include "gui/i18n/ApplyLanguage.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/results/TFormResults.h"
#include "gui/widgets/Placement.h"
#include "gui/widgets/Prompts.h"
#include "gui/widgets/StatusLine.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

// The two screens: a wide one, and right of it a narrow one (1280 pixels at 150 %).
const QRect kLeftScreen(0, 0, 1280, 720);
const QRect kRightScreen(1280, 0, 853, 600);

QScreen* screenNamed(const QString& name) {
  for (QScreen* s : QGuiApplication::screens())
    if (s->name() == name) return s;
  return nullptr;
}

// The languages shipped in lang/: file names and English names.
struct Languages {
  QList<QByteArray> names, english, files;
  Languages() {
    LanguageFiles::ListLanguages(QFile::encodeName(QStringLiteral(PACKHELM_LANG_SOURCE_DIR)), names,
                                 english, files);
  }
};

bool applyLanguage(TestProgram& prog, const QByteArray& file) {
  return ApplyLanguage(prog.dir.path() + file, prog.ctx.state.LangTexts, LangTextHighest,
                       "FormMain", prog.ctx.forms());
}

// Opens the option panel at once, as the start-up does for a panel saved open.
void openPanel(TFormMain* main) {
  main->PanelFirstShow = true;
  main->findChild<QToolButton*>(QStringLiteral("SpeedButtonAddOpt"))->setChecked(true);
  main->SpeedButtonAddOptClick();
  main->Timer1Timer();
  Settle();
}

}  // namespace

class TestDesktop : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    Prompts::Test().active = true;
    QVERIFY(screenNamed(QStringLiteral("Left")) && screenNamed(QStringLiteral("Right")));
  }
  void init() {
    Prompts::Test() = Prompts::TestScript();
    Prompts::Test().active = true;
    UseDesignedFont();
  }

  // --- placement ---
  void keptInside_data() {
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("expected");
    const QRect area(100, 50, 800, 600);  // x 100..899, y 50..649
    QTest::addColumn<QRect>("area");
    QTest::newRow("inside stays") << QRect(200, 100, 300, 200) << QRect(200, 100, 300, 200) << area;
    QTest::newRow("over the right edge")
        << QRect(700, 100, 300, 200) << QRect(600, 100, 300, 200) << area;
    QTest::newRow("over the bottom")
        << QRect(200, 500, 300, 200) << QRect(200, 450, 300, 200) << area;
    QTest::newRow("left of and above")
        << QRect(-50, 0, 300, 200) << QRect(100, 50, 300, 200) << area;
    QTest::newRow("wider than the area keeps its left edge in")
        << QRect(500, 100, 1000, 200) << QRect(100, 100, 1000, 200) << area;
    QTest::newRow("taller than the area keeps its title in")
        << QRect(200, 300, 300, 900) << QRect(200, 50, 300, 900) << area;
    QTest::newRow("another screen's place")
        << QRect(2000, 900, 300, 200) << QRect(600, 450, 300, 200) << area;
  }
  void keptInside() {
    QFETCH(QRect, frame);
    QFETCH(QRect, expected);
    QFETCH(QRect, area);
    QCOMPARE(Placement::KeptInside(frame, area), expected);
  }

  void mainWindowStaysOnItsScreen_data() {
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QPoint>("place");  // relative to the screen
    QTest::addColumn<int>("points");
    QTest::newRow("near the right edge, panel opened") << "Right" << QPoint(500, 100) << 8;
    QTest::newRow("half below the bottom") << "Left" << QPoint(200, 600) << 8;
    QTest::newRow("12 points, wider than the narrow screen") << "Right" << QPoint(300, 50) << 12;
    QTest::newRow("12 points on the wide screen's edge") << "Left" << QPoint(900, 300) << 12;
  }
  void mainWindowStaysOnItsScreen() {
    QFETCH(QString, screen);
    QFETCH(QPoint, place);
    QFETCH(int, points);
    QFont font = QApplication::font();
    font.setPointSize(points);
    QApplication::setFont(font);
    TestProgram prog(true, false);
    QVERIFY(applyLanguage(prog, "Russian.lng"));
    TFormMain* main = prog.ctx.FormMain;
    main->SetLanguage();
    const QRect area = screenNamed(screen)->availableGeometry();
    main->move(area.topLeft() + place);
    main->show();
    Settle();
    openPanel(main);
    const QRect frame = main->frameGeometry();
    QCOMPARE(Placement::ScreenOf(main), screenNamed(screen));
    if (frame.width() <= area.width()) {
      QVERIFY2(area.contains(frame), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                    .arg(frame.x())
                                                    .arg(frame.y())
                                                    .arg(frame.width())
                                                    .arg(frame.height())));
    } else {
      // Wider than the screen: its left part, with the controls, stays in sight.
      QCOMPARE(frame.left(), area.left());
      QVERIFY(frame.top() >= area.top() && frame.bottom() <= area.bottom());
    }
  }

  void dialogsOpenOnTheMainWindowsScreen_data() {
    QTest::addColumn<QString>("dialog");
    for (const char* name : {"FormAbout", "FormVersHist", "FormIntegration", "FormOpt", "FormFTSC",
                             "FormChooseLang", "FormEditExec"})
      QTest::newRow(name) << QString::fromLatin1(name);
  }
  void dialogsOpenOnTheMainWindowsScreen() {
    QFETCH(QString, dialog);
    TestProgram prog(true, true);
    TFormMain* main = prog.ctx.FormMain;
    QWidget* d = nullptr;
    for (QWidget* f : prog.ctx.forms())
      if (f->objectName() == dialog) d = f;
    QVERIFY(d);
    // The main window on each screen in turn: the dialog follows it.
    for (const QString& name : {QStringLiteral("Right"), QStringLiteral("Left")}) {
      const QRect area = screenNamed(name)->availableGeometry();
      main->move(area.topLeft() + QPoint(20, 20));
      main->show();
      Settle();
      // The editor is placed by its own opening, the others by their showing.
      if (dialog == QLatin1String("FormEditExec"))
        prog.ctx.formEditExec()->Run(0, QStringLiteral("Pack"), QByteArray("upx file"));
      else
        d->show();
      Settle();
      const QRect frame = d->frameGeometry();
      d->hide();
      QVERIFY2(area.contains(frame), qPrintable(name));
      QVERIFY2((frame.center() - area.center()).manhattanLength() <= 4,
               qPrintable(QStringLiteral("%1: centre %2,%3, the screen's %4,%5")
                              .arg(name)
                              .arg(frame.center().x())
                              .arg(frame.center().y())
                              .arg(area.center().x())
                              .arg(area.center().y())));
    }
  }

  // --- the status line ---
  // A message longer than a line wraps over as many lines as it needs, word by word, and shows
  // whole; one longer than the line can ever hold (a long path in it) ends in "…". Either way
  // the whole of it is the line's hint, also with the window's hints switched off, and its
  // accessible description.
  void statusLineShowsItsWholeMessage_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");  // empty: the language's error and warning texts
    QTest::addColumn<bool>("whole");
    const Languages l;
    for (qsizetype i = 0; i < l.files.size(); ++i) {
      const QString language = QString::fromUtf8(l.english[i]);
      QTest::newRow(qPrintable(language)) << l.files[i] << QString() << true;
      QTest::newRow(qPrintable(language + " long path"))
          << l.files[i] << "Settings: /home/" + QString(300, u'p') + "/Packhelmconfig.cfg" << false;
    }
  }
  void statusLineShowsItsWholeMessage() {
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    QFETCH(bool, whole);
    TestProgram prog(true, false);
    QVERIFY(applyLanguage(prog, file));
    prog.ctx.state.opt.GlobalOpt_ShowHints = false;  // its hint shows all the same
    TFormMain* main = prog.ctx.FormMain;
    main->SetLanguage();
    main->show();
    Settle();
    auto* status = main->findChild<StatusLine*>(QStringLiteral("EditStatus"));
    const QStringList messages = message.isEmpty()
                                     ? QStringList{prog.ctx.state.langText(LangText::StatusError),
                                                   prog.ctx.state.langText(LangText::StatusWarning)}
                                     : QStringList{message};
    for (const QString& m : messages) {
      QVERIFY2(status->fontMetrics().horizontalAdvance(m) > status->width(),
               "the message is longer than the line");
      main->showExitStatus(m);
      Settle();
      const QStringList lines = status->shownLines();
      QVERIFY(lines.size() > 1);
      QCOMPARE(status->wholeShown(), whole);
      if (whole)
        QCOMPARE(lines.join(QString()), m);
      else
        QVERIFY(lines.last().endsWith(QChar(0x2026)) && m.startsWith(lines.first()));
      // Each line within the line's own room, the lines within the window.
      for (const QString& line : lines)
        QVERIFY2(status->fontMetrics().horizontalAdvance(line.trimmed()) <= status->width(),
                 qPrintable(line));
      QCOMPARE(status->height(), status->sizeHint().height());
      QVERIFY(main->rect().contains(QRect(status->mapTo(main, QPoint()), status->size())));
      QCOMPARE(QAccessible::queryAccessibleInterface(status)->text(QAccessible::Description), m);
      QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), status->mapToGlobal(QPoint(5, 5)));
      QApplication::sendEvent(status, &help);
      QTRY_VERIFY(QToolTip::isVisible());
      QVERIFY(QToolTip::text().contains(m.left(20).toHtmlEscaped()));
      QVERIFY(QToolTip::text().contains(m.right(12).toHtmlEscaped()));
      QToolTip::hideText();
    }
  }

  // --- mnemonics ---
  void buttonsHaveMnemonics_data() {
    QTest::addColumn<QByteArray>("file");
    const Languages l;
    for (qsizetype i = 0; i < l.files.size(); ++i)
      QTest::newRow(l.english[i].constData()) << l.files[i];
  }
  void buttonsHaveMnemonics() {
    QFETCH(QByteArray, file);
    TestProgram prog(true, false);
    QVERIFY(applyLanguage(prog, file));
    TFormMain* main = prog.ctx.FormMain;
    main->SetLanguage();
    // Each main button has a letter of its own, as the language file marks it.
    QHash<QKeySequence, QString> taken;
    for (const char* name : {"ButtonPack", "ButtonUnPack", "ButtonShowUPXVer", "ButtonShowUPXHelp",
                             "ButtonTest", "ButtonList", "ButtonShowUPXL", "ButtonCloseConsole",
                             "ButtonOpt", "ButtonAbout", "ButtonReset", "ButtonMax"}) {
      auto* b = main->findChild<QPushButton*>(QLatin1String(name));
      QVERIFY(b);
      const QKeySequence key = QKeySequence::mnemonic(b->text());
      QVERIFY2(!key.isEmpty(), name);
      QVERIFY2(!taken.contains(key), qPrintable(QLatin1String(name) + " and " + taken.value(key)));
      taken.insert(key, QLatin1String(name));
    }
    // Alt and the letter press the button: the preset, then Reset.
    main->show();
    openPanel(main);
    QApplication::setActiveWindow(main);
    QVERIFY(QTest::qWaitForWindowActive(main));
    auto* slider = main->findChild<QSlider*>(QStringLiteral("CompressValueBar"));
    QCOMPARE(slider->value(), 4);
    auto press = [main](const char* name) {
      const QString text = main->findChild<QPushButton*>(QLatin1String(name))->text();
      const QKeyCombination key = QKeySequence::mnemonic(text)[0];
      const QString letter = text.mid(text.indexOf(QLatin1Char('&')) + 1, 1).toLower();
      QTest::sendKeyEvent(QTest::Press, main, key.key(), letter, key.keyboardModifiers());
      QTest::sendKeyEvent(QTest::Release, main, key.key(), letter, key.keyboardModifiers());
      Settle();
    };
    // (A mnemonic presses its button visibly: the click comes a moment later.)
    press("ButtonMax");
    QTRY_COMPARE(slider->value(), 1);
    press("ButtonReset");
    QTRY_COMPARE(slider->value(), 4);
    // A literal "&" stays one where it is text: a group title written "&&", a label, a hint.
    const QString pe = main->findChild<QGroupBox*>(QStringLiteral("GroupBoxPE"))->title();
    QVERIFY(QKeySequence::mnemonic(pe).isEmpty());
    auto* copyright = prog.ctx.formAbout()->findChild<QLabel*>(QStringLiteral("Label9"));
    QVERIFY(copyright && copyright->text().contains(QLatin1Char('&')));
    QVERIFY(!copyright->buddy());
  }

  void ampersandSurvivesLanguageFiles() {
    // A file of the test's own: captions with mnemonics, a label, a hint and a title with "&".
    TestProgram prog(false, false);
    QVERIFY(WriteLanguageFile(prog.dir.path() + "test.lng", "Test", "Test",
                              {{"BUTTON\\ButtonPack", "Pa&ck"},
                               {"LABEL\\LabelFileName", "Files & folders"},
                               {"HINT\\ButtonPack", "Pack & go"},
                               {"GROUPBOX\\GroupBoxPE", "pe && rtm"}}));
    QVERIFY(applyLanguage(prog, "test.lng"));
    TFormMain* main = prog.ctx.FormMain;
    auto* pack = main->findChild<QPushButton*>(QStringLiteral("ButtonPack"));
    QCOMPARE(pack->text(), QStringLiteral("Pa&ck"));
    QCOMPARE(QKeySequence::mnemonic(pack->text()), QKeySequence(Qt::ALT | Qt::Key_C));
    QCOMPARE(pack->toolTip(), QStringLiteral("Pack & go"));
    QCOMPARE(main->findChild<QLabel*>(QStringLiteral("LabelFileName"))->text(),
             QStringLiteral("Files & folders"));
    QCOMPARE(main->findChild<QGroupBox*>(QStringLiteral("GroupBoxPE"))->title(),
             QStringLiteral("pe && rtm"));
  }

  // --- file dialogs ---
  void startFolder_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("expected");  // "home", "files", "other"
    QTest::newRow("nothing: home") << ""
                                   << ""
                                   << "home";
    QTest::newRow("a file's folder") << "files/a.exe"
                                     << ""
                                     << "files";
    QTest::newRow("a file name wins over the folder") << "files/a.exe"
                                                      << "other"
                                                      << "files";
    QTest::newRow("the folder") << ""
                                << "other"
                                << "other";
    QTest::newRow("a file in a folder that is gone") << "gone/a.exe"
                                                     << "other"
                                                     << "other";
    QTest::newRow("a folder that is gone: home") << ""
                                                 << "gone"
                                                 << "home";
  }
  void startFolder() {
    QFETCH(QString, fileName);
    QFETCH(QString, directory);
    QFETCH(QString, expected);
    TemporaryDir tmp, home;
    EnvGuard env{{"HOME", QFile::encodeName(home.path())}};
    QDir(tmp.path()).mkdir(QStringLiteral("files"));
    QDir(tmp.path()).mkdir(QStringLiteral("other"));
    auto at = [&tmp](const QString& s) { return s.isEmpty() ? s : tmp.filePath(s); };
    FileDialogSpec spec(QStringLiteral("OpenDialog"), FileDialogSpec::Kind::Open, nullptr);
    spec.fileName = at(fileName);
    spec.directory = at(directory);
    QCOMPARE(Prompts::StartFolder(spec), expected == QLatin1String("home")
                                             ? QDir(home.path()).absolutePath()
                                             : QDir(tmp.filePath(expected)).absolutePath());
  }

  void fileDialogsOpenNearTheFiles() {
    TestProgram prog(true, false);
    TemporaryDir home;
    EnvGuard env{{"HOME", QFile::encodeName(home.path())}};
    QDir(prog.dir.path()).mkdir("work");
    const QByteArray input = prog.dir.makeFile("work/tool.exe", 2000);
    TFormMain* main = prog.ctx.FormMain;
    main->show();
    // Real dialogs, answered by reading where they opened.
    Prompts::Test().active = false;
    auto openedIn = [](const std::function<void()>& open) {
      open();
      QString folder;
      if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        folder = d->directory().absolutePath();
        d->close();
      }
      return folder;
    };
    const QString program = QDir(QString::fromLocal8Bit(prog.dir.path())).absolutePath();
    // Nothing selected yet: the user's home, not the program's folder (the current directory).
    QCOMPARE(QDir::currentPath(), program);
    TFormResults* results = prog.ctx.formResults();
    QCOMPARE(openedIn([main] { main->ButtonInClick(); }), QDir(home.path()).absolutePath());
    QCOMPARE(openedIn([results] { results->save(); }), QDir(home.path()).absolutePath());
    // With a selection: where the selected files are, for input, output and results alike.
    prog.ctx.state.FileList = {input};
    main->FillText();
    const QString work = QDir(QString::fromLocal8Bit(prog.dir.path() + "work")).absolutePath();
    QCOMPARE(openedIn([main] { main->ButtonInClick(); }), work);
    main->findChild<QCheckBox*>(QStringLiteral("OutFileBox"))->setChecked(true);
    QCOMPARE(openedIn([main] { main->ButtonOutClick(); }), work);
    QCOMPARE(openedIn([results] { results->save(); }), work);
    Prompts::Test().active = true;
  }

  // --- the integration dialog ---
  void integrationListShowsSixLines_data() {
    QTest::addColumn<int>("points");
    QTest::newRow("8 points") << 8;
    QTest::newRow("12 points") << 12;
  }
  void integrationListShowsSixLines() {
    QFETCH(int, points);
    QFont font = QApplication::font();
    font.setPointSize(points);
    QApplication::setFont(font);
    TestProgram prog(true, false);
    prog.ctx.state.opt.ShellExt = {".exe", ".com", ".dll", ".sys", ".ocx", ".scr", ".cpl", ".drv"};
    TFormIntegration* d = prog.ctx.formIntegration();
    d->show();
    Settle();
    auto* box = d->findChild<QPlainTextEdit*>(QStringLiteral("RichEdit1"));
    QTextCursor sixth(box->document()->findBlockByNumber(5));
    box->verticalScrollBar()->setValue(0);
    const QRect line = box->cursorRect(sixth);
    QVERIFY2(line.top() >= 0 && line.bottom() < box->viewport()->height(),
             qPrintable(QStringLiteral("line 6 at %1..%2, %3 pixels in sight")
                            .arg(line.top())
                            .arg(line.bottom())
                            .arg(box->viewport()->height())));
    d->hide();
  }
};

int main(int argc, char* argv[]) {
  // Two screens side by side on the offscreen platform.
  TemporaryDir dir;
  QFile config(dir.filePath(QStringLiteral("screens.json")));
  if (!config.open(QIODevice::WriteOnly)) return 2;
  auto screen = [](const char* name, const QRect& r) {
    return QStringLiteral(
               "{\"name\": \"%1\", \"x\": %2, \"y\": %3, \"width\": %4, \"height\": %5, "
               "\"logicalDpi\": 96}")
        .arg(QLatin1String(name))
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height());
  };
  config.write(QStringLiteral("{\"screens\": [%1, %2]}")
                   .arg(screen("Left", kLeftScreen), screen("Right", kRightScreen))
                   .toUtf8());
  config.close();
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
  QApplication app(argc, argv);
  TestDesktop test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_desktop.moc"
