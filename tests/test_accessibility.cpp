// SPDX-License-Identifier: GPL-3.0-or-later
// Every window as a screen reader reads it, in every shipped language: each control a user can
// operate has a name that says what it is (not "..." or "E") and no description in the hints'
// raw form; and the console's screen is text that follows the packer's output.
#include <QToolButton>
#include <QtTest>

#include "core/console/ScreenModel.h"
#include "core/i18n/LanguageFiles.h"
#include "core/util/HintText.h"
#include "gui/console/ConsoleSession.h"
#include "gui/console/ConsoleWindow.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/results/TFormResults.h"
#include "gui/widgets/ConsoleView.h"
#include "support/AccessibleTree.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

// The window of that name, shown as the user meets it.
QWidget* shown(AppContext& ctx, const QString& name) {
  QWidget* w = nullptr;
  if (name == QLatin1String("ConsoleWindow")) {
    ctx.console->openConsole(false);
    w = ctx.console->window();
  } else {
    for (QWidget* form : ctx.forms())
      if (form->objectName() == name) w = form;
  }
  if (name == QLatin1String("FormResults"))
    ctx.formResults()->setRows({{"/home/user/tool", 2000, 900, FileResults::Outcome::Packed, {}},
                                {"/home/user/text", 300, 300, FileResults::Outcome::Unsupported,
                                 "UnknownExecutableFormatException"}});
  if (w) w->show();
  Settle();
  return w;
}

QByteArrayList languageFiles() {
  QList<QByteArray> names, english, files;
  LanguageFiles::ListLanguages(QFile::encodeName(QStringLiteral(PACKHELM_LANG_SOURCE_DIR)), names,
                               english, files);
  return files;
}

}  // namespace

class TestAccessibility : public QObject {
  Q_OBJECT
 private slots:
  void everyControlIsNamed_data() {
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QString>("window");
    const QByteArrayList files = languageFiles();
    QVERIFY(files.size() >= 3);
    for (const QByteArray& file : files)
      for (const char* window :
           {"FormMain", "FormOpt", "FormAbout", "FormVersHist", "FormChooseLang", "FormFTSC",
            "FormEditExec", "FormIntegration", "FormResults", "ConsoleWindow"})
        QTest::addRow("%s %s", file.constData(), window) << file << QString::fromLatin1(window);
  }
  void everyControlIsNamed() {
    QFETCH(QByteArray, language);
    QFETCH(QString, window);
    TestProgram prog(true, true);
    prog.ctx.state.opt.GlobalOpt_FirstTimeShowConsol = 1;
    prog.ctx.changeLanguage(language);
    QWidget* w = shown(prog.ctx, window);
    QVERIFY(w);
    // A window, announced by its title.
    const QAccessibleInterface* self = QAccessible::queryAccessibleInterface(w);
    QVERIFY(self->role() == QAccessible::Window || self->role() == QAccessible::Dialog);
    QCOMPARE(self->text(QAccessible::Name), w->windowTitle());
    const QList<AccessibleControl> controls = InteractiveControls(w);
    QVERIFY(!controls.isEmpty());
    QStringList wrong;
    for (const AccessibleControl& c : controls) {
      int letters = 0;
      for (QChar ch : c.name) letters += ch.isLetter();
      if (letters < 2) wrong << QStringLiteral("%1: name \"%2\"").arg(c.path, c.name);
      if (c.description.contains(QChar(HintText::Separator)))
        wrong << QStringLiteral("%1: description \"%2\"").arg(c.path, c.description);
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("%1 of %2 controls:\n  %3")
                                             .arg(wrong.size())
                                             .arg(controls.size())
                                             .arg(wrong.join(QStringLiteral("\n  ")))));
  }

  // Tab goes round the controls the window shows, each in sight when it has the focus: not into
  // the closed option panel, and the Options dialog's pane scrolls to each in turn.
  void tabGoesRoundWhatIsShown_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("panelOpen");
    QTest::newRow("main window, panel closed") << "FormMain" << false;
    QTest::newRow("main window, panel open") << "FormMain" << true;
    QTest::newRow("options") << "FormOpt" << false;
    QTest::newRow("results") << "FormResults" << false;
  }
  void tabGoesRoundWhatIsShown() {
    QFETCH(QString, window);
    QFETCH(bool, panelOpen);
    TestProgram prog(true, true);
    prog.ctx.changeLanguage("English.lng");
    prog.ctx.state.FileList = {prog.dir.makeFile("tool.exe", 4000)};
    TFormMain* main = prog.ctx.FormMain;
    main->FillText();
    main->PanelFirstShow = true;
    main->findChild<QToolButton*>(QStringLiteral("SpeedButtonAddOpt"))->setChecked(panelOpen);
    main->SpeedButtonAddOptClick();
    main->Timer1Timer();
    QWidget* w = shown(prog.ctx, window);
    QApplication::setActiveWindow(w);
    w->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(w, Qt::Key_Tab);
    Settle();
    QWidget* first = QApplication::focusWidget();
    QVERIFY(first && w->isAncestorOf(first));
    QStringList outside;
    for (int i = 0; i < 200; ++i) {
      QWidget* c = QApplication::focusWidget();
      if (!w->rect().intersects(QRect(c->mapTo(w, QPoint()), c->size())))
        outside << c->objectName();
      QTest::keyClick(c, Qt::Key_Tab);
      Settle();
      if (QApplication::focusWidget() == first) break;
    }
    QCOMPARE(QApplication::focusWidget(), first);
    QVERIFY2(outside.isEmpty(), qPrintable("out of sight: " + outside.join(' ')));
  }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
