// SPDX-License-Identifier: GPL-3.0-or-later
// The Options dialog: filling from the settings, Apply, Reset, Close, the language list, the
// arrow-strip scrolling and the console button. Real windows on the offscreen platform.

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "core/batch/RunGroups.h"
#include "core/config/SettingsTable.h"
#include "core/settings/OptionsLogic.h"
#include "gui/console/ConsoleSession.h"
#include "gui/dialogs/TFormOpt.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"
#include "gui/widgets/RadioGroup.h"
#include "gui/widgets/WrapCheckBox.h"
#include "support/FormDesign.h"
#include "support/MainWindowTest.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

// A program folder with no shipped language files, and all windows created over it (hidden).
struct Fixture : MainWindowTest {
  Fixture() : MainWindowTest(WindowSetup{.languages = false, .english = false, .show = false}) {}
  TFormOpt* opt() { return ctx.formOpt(); }
  template <typename T>
  T* child(const char* name) {
    T* w = ctx.formOpt()->findChild<T*>(QString::fromLatin1(name));
    if (!w) qWarning("no control %s", name);
    return w;
  }
  // A language file of our own: its identity, the Apply button's caption and text 40.
  void writeLanguage(const QByteArray& file, const QByteArray& name, const QByteArray& english,
                     const QByteArray& applyCaption, const QByteArray& text40 = {}) const {
    LanguageEntries entries{{"BUTTON\\FormOpt.ButtonApply", applyCaption}};
    if (!text40.isEmpty()) entries.push_back({"VAR\\40", text40});
    QVERIFY(WriteLanguageFile(dir.file(file), name, english, entries));
  }
  // A language "Long" that gives these targets one long text, applied by the open dialog.
  void applyLongCaptions(const QList<const char*>& targets, const QByteArray& text) {
    LanguageEntries entries;
    for (const char* target : targets) entries.push_back({target, text});
    QVERIFY(WriteLanguageFile(dir.file("long.lng"), "Long", "Long", entries));
    ctx.state.opt.LangName = "Long";
    opt()->show();
    QVERIFY(QTest::qWaitForWindowExposed(opt()));
    opt()->ButtonApplyClick();
  }
};

// Every preference the dialog's Reset covers, set away from its default.
void setNonDefaultPreferences(GlobalOptions& o) {
  o.GlobalOpt_FastOpen = true;
  o.GlobalOpt_DragOp = 2;
  o.GlobalOpt_CloseCon = 0;
  o.GlobalOpt_PriorityClass = 256;
  o.GlobalOpt_StayOnTop = 0;
  o.GlobalOpt_ShowHints = false;
  o.CmdLinesMax = 55;
  o.GlobalOpt_PackerRuns = 2;
}

// The defaults Reset gives those preferences.
void verifyDefaultPreferences(const GlobalOptions& o) {
  QCOMPARE(o.GlobalOpt_FastOpen, false);
  QCOMPARE(o.GlobalOpt_DragOp, 0);
  QCOMPARE(o.GlobalOpt_CloseCon, 1);
  QCOMPARE(o.GlobalOpt_PriorityClass, 32u);
  QCOMPARE(o.GlobalOpt_StayOnTop, 2);
  QCOMPARE(o.GlobalOpt_ShowHints, true);
  QCOMPARE(o.CmdLinesMax, 10u);
  QCOMPARE(o.GlobalOpt_PackerRuns, 1u);
}

}  // namespace

class TestOptions : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { UseDesignedFont(); }
  // --- rules without windows ---
  void languageRow_data() {
    QTest::addColumn<QList<QByteArray>>("englishNames");
    QTest::addColumn<QByteArray>("langName");
    QTest::addColumn<int>("row");
    QTest::newRow("empty list") << QList<QByteArray>{} << QByteArray("English") << -1;
    QTest::newRow("match") << QList<QByteArray>{"Russian", "English"} << QByteArray("English") << 1;
    QTest::newRow("missing: row 0")
        << QList<QByteArray>{"Russian", "German"} << QByteArray("English") << 0;
    QTest::newRow("same name twice: the later")
        << QList<QByteArray>{"English", "Russian", "English"} << QByteArray("English") << 2;
    QTest::newRow("case matters") << QList<QByteArray>{"Russian", "english"}
                                  << QByteArray("English") << 0;
  }
  void languageRow() {
    QFETCH(QList<QByteArray>, englishNames);
    QFETCH(QByteArray, langName);
    QFETCH(int, row);
    QCOMPARE(OptionsLogic::LanguageRowToSelect(englishNames, langName), row);
  }

  void resetPreferences() {
    GlobalOptions o;
    setNonDefaultPreferences(o);
    o.LangName = "Russian";
    o.GlobalOpt_UPX2 = "/opt/upx";
    o.GlobalOpt_FirstTimeShowConsol = 7;
    OptionsLogic::ResetPreferences(o);
    verifyDefaultPreferences(o);
    if (QTest::currentTestFailed()) return;
    // Not the dialog's to reset.
    QCOMPARE(o.LangName, QByteArray("Russian"));
    QCOMPARE(o.GlobalOpt_UPX2, QByteArray("/opt/upx"));
    QCOMPARE(o.GlobalOpt_FirstTimeShowConsol, 7);
  }

  // --- the window ---
  void windowShape() {
    Fixture f;
    TFormOpt* d = f.opt();
    const FormDesign form(QStringLiteral("dialogs/TFormOpt.ui"));
    QCOMPARE(d->objectName(), form.widgets().first());
    QCOMPARE(d->size(), form.size(d->objectName(), QStringLiteral("geometry")));
    // No system menu and so no close box.
    QVERIFY(!(d->windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(d->windowFlags() & Qt::WindowSystemMenuHint));
    QVERIFY(d->windowFlags() & Qt::CustomizeWindowHint);
    // Every control of the form is there by its name, which language files and settings use.
    for (const QString& name : form.widgets())
      QVERIFY2(d->objectName() == name || d->findChild<QWidget*>(name), qPrintable(name));
    QCOMPARE(d->findChild<QTimer*>(QStringLiteral("Timer1")), d->Timer1);  // (its use: scrolling)
    QVERIFY(f.child<QPushButton>("ButtonApply")->isDefault());
    // The hints check box stands out from the dialog.
    auto* hints = f.child<QWidget>("CheckBoxShowHints");
    QVERIFY(hints->autoFillBackground());
    QVERIFY(hints->palette().color(QPalette::Window) != d->palette().color(QPalette::Window));
    // The pane reaches beyond the window so that its scroll bar is not seen; the buttons that
    // scroll it are above and below it.
    auto* pane = f.child<QScrollArea>("ScrollBox1");
    QVERIFY(pane->geometry().right() >=
            d->width() - 1 + pane->verticalScrollBar()->sizeHint().width());
    QVERIFY(pane->x() <= 0);
    QVERIFY(pane->y() > f.child<QWidget>("SpeedButton1")->geometry().bottom());
    QVERIFY(pane->geometry().bottom() < f.child<QWidget>("SpeedButton2")->y());
    QVERIFY(pane->widget()->height() > pane->viewport()->height());
  }

  // The settings table and the dialog describe the same controls: each preference row with a
  // control names a control of its kind, one item per choice where the row has choices, and the
  // row's range.
  void preferenceTableMatchesTheControls() {
    Fixture f;
    f.opt()->FormShow();  // the ranges come with the values
    for (const Settings::Row& row : Settings::Table) {
      if (row.section != Settings::Section::Preference || row.control == Settings::Control::None)
        continue;
      QWidget* c = f.opt()->findChild<QWidget*>(QLatin1String(row.objectName()));
      QVERIFY2(c, row.key);
      switch (row.control) {
        case Settings::Control::CheckBox:
          QVERIFY2(qobject_cast<QCheckBox*>(c), row.key);
          break;
        case Settings::Control::RadioGroup:
          QVERIFY2(qobject_cast<RadioGroup*>(c), row.key);
          if (row.choiceCount > 0) QCOMPARE(qobject_cast<RadioGroup*>(c)->count(), row.choiceCount);
          break;
        case Settings::Control::RadioButtons:
          QCOMPARE(c->findChildren<QRadioButton*>().size(), row.choiceCount);
          break;
        case Settings::Control::SpinBox:
          QVERIFY2(qobject_cast<QSpinBox*>(c), row.key);
          QCOMPARE(qobject_cast<QSpinBox*>(c)->minimum(), row.minimum);
          QCOMPARE(qobject_cast<QSpinBox*>(c)->maximum(), row.limited(row.maximum));
          break;
        default:
          QFAIL(row.key);
      }
    }
  }

  // Long captions from a language file push the controls below them down instead of being cut.
  void longCaptionsAreNotClipped() {
    Fixture f;
    const QByteArray longText =
        "A very long caption that a translator wrote for this check box, long enough to need "
        "three or four lines in the narrow options pane of this dialog";
    f.applyLongCaptions(
        {"CHECKBOX\\FormOpt.CheckBoxShowHints", "CHECKBOX\\FormOpt.CheckBoxFastShow"}, longText);
    auto* hints = f.child<WrapCheckBox>("CheckBoxShowHints");
    auto* fast = f.child<WrapCheckBox>("CheckBoxFastShow");
    QCOMPARE(hints->text(), QString::fromUtf8(longText));
    QVERIFY(hints->height() >= hints->heightForWidth(hints->width()));
    QVERIFY(hints->height() > 32);
    QVERIFY(fast->height() >= fast->heightForWidth(fast->width()));
    // Nothing below overlaps what grew.
    QVERIFY(f.child<QWidget>("LabelLanguage")->y() >= fast->geometry().bottom());
    QVERIFY(f.child<QWidget>("SpinEdit1")->y() > hints->geometry().bottom());
    QVERIFY(f.child<QScrollArea>("ScrollBox1")->widget()->height() >
            f.child<QWidget>("CmdLinesMaxLabel")->geometry().bottom());
    f.opt()->ButtonCloseClick();
  }

  void noLanguageFiles() {
    Fixture f;
    f.ctx.state.opt.LangName = "English";
    f.ctx.state.LangTexts[40] = "before";
    f.opt()->show();
    auto* list = f.child<QListWidget>("ComboBox1");
    QCOMPARE(list->count(), 0);
    QVERIFY(!list->isEnabled());
    const QString caption = f.child<QPushButton>("ButtonApply")->text();
    f.opt()->ButtonApplyClick();
    QCOMPARE(f.ctx.state.opt.LangName, QByteArray("English"));
    QCOMPARE(f.ctx.state.LangTexts[40], QByteArray("before"));
    QCOMPARE(f.child<QPushButton>("ButtonApply")->text(), caption);
    f.opt()->ButtonCloseClick();
  }

  void missingLanguageTakesRowZero() {
    Fixture f;
    f.writeLanguage("a.lng", "Deutsch", "German", "Anwenden", "Befehlszeile");
    f.writeLanguage("b.lng", "Francais", "French", "Appliquer", "Ligne de commande");
    f.ctx.state.opt.LangName = "Klingon";
    f.opt()->show();
    auto* list = f.child<QListWidget>("ComboBox1");
    QVERIFY(list->isEnabled());
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentRow(), 0);
    QVERIFY(list->item(0)->isSelected());
    // Rows follow the folder's listing order, whatever it is.
    const QByteArray first = f.opt()->languageEnglishNames().at(0);
    const QByteArray firstFile = f.opt()->languageFileNames().at(0);
    QCOMPARE(list->item(0)->text(),
             QString::fromUtf8(f.opt()->languageNames().at(0) + " (" + first + ")"));
    f.opt()->ButtonApplyClick();
    QCOMPARE(f.ctx.state.opt.LangName, first);
    const bool german = firstFile == "a.lng";
    QCOMPARE(f.child<QPushButton>("ButtonApply")->text(),
             german ? QStringLiteral("Anwenden") : QStringLiteral("Appliquer"));
    QCOMPARE(f.ctx.state.LangTexts[40],
             german ? QByteArray("Befehlszeile") : QByteArray("Ligne de commande"));
    f.opt()->ButtonCloseClick();
  }

  void sameEnglishNameSelectsTheLater() {
    Fixture f;
    f.writeLanguage("one.lng", "English one", "English", "Apply one");
    f.writeLanguage("two.lng", "English two", "English", "Apply two");
    f.ctx.state.opt.LangName = "English";
    f.opt()->show();
    auto* list = f.child<QListWidget>("ComboBox1");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentRow(), 1);
    const QByteArray laterFile = f.opt()->languageFileNames().at(1);
    f.opt()->ButtonApplyClick();
    QCOMPARE(f.child<QPushButton>("ButtonApply")->text(),
             laterFile == "one.lng" ? QStringLiteral("Apply one") : QStringLiteral("Apply two"));
    QCOMPARE(f.ctx.state.opt.LangName, QByteArray("English"));
    f.opt()->ButtonCloseClick();
  }

  // No row selected: Apply keeps the language and applies no file.
  void noRowSelectedKeepsTheLanguage() {
    Fixture f;
    f.writeLanguage("de.lng", "Deutsch", "German", "Anwenden", "Befehlszeile");
    f.ctx.state.opt.LangName = "German";
    f.ctx.state.LangTexts[40] = "before";
    f.opt()->show();
    auto* list = f.child<QListWidget>("ComboBox1");
    QVERIFY(list->item(0)->isSelected());
    list->clearSelection();
    f.ctx.state.opt.LangName = "Elsewhere";
    f.opt()->ButtonApplyClick();
    QCOMPARE(f.ctx.state.opt.LangName, QByteArray("Elsewhere"));
    QCOMPARE(f.ctx.state.LangTexts[40], QByteArray("before"));
    QVERIFY(f.child<QPushButton>("ButtonApply")->text() != QStringLiteral("Anwenden"));
    f.opt()->ButtonCloseClick();
  }

  // Apply reads the language file again even when the language did not change.
  void applyReappliesTheSameLanguage() {
    Fixture f;
    f.writeLanguage("en.lng", "English", "English", "Apply now", "Edit");
    f.ctx.state.opt.LangName = "English";
    f.opt()->show();
    f.opt()->ButtonApplyClick();
    QCOMPARE(f.ctx.state.LangTexts[40], QByteArray("Edit"));
    f.ctx.state.LangTexts[40] = "changed meanwhile";
    f.child<QPushButton>("ButtonApply")->setText("changed too");
    QTest::mouseClick(f.child<QPushButton>("ButtonApply"), Qt::LeftButton);
    QCOMPARE(f.ctx.state.LangTexts[40], QByteArray("Edit"));
    QCOMPARE(f.child<QPushButton>("ButtonApply")->text(), QStringLiteral("Apply now"));
    f.opt()->ButtonCloseClick();
  }

  void priorityThroughApply_data() {
    QTest::addColumn<quint32>("priorityClass");
    QTest::addColumn<int>("item");
    QTest::newRow("realtime") << 256u << 0;
    QTest::newRow("high") << 128u << 1;
    QTest::newRow("normal") << 32u << 2;
    QTest::newRow("low") << 64u << 3;
    QTest::newRow("unknown value kept") << 77u << -1;
  }
  void priorityThroughApply() {
    QFETCH(quint32, priorityClass);
    QFETCH(int, item);
    Fixture f;
    f.ctx.state.opt.GlobalOpt_PriorityClass = priorityClass;
    f.opt()->show();
    QCOMPARE(f.child<RadioGroup>("RadioGroupPri")->itemIndex(), item);
    f.opt()->ButtonApplyClick();
    QCOMPARE(f.ctx.state.opt.GlobalOpt_PriorityClass, priorityClass);
    f.opt()->ButtonCloseClick();
  }

  void showFillsEveryControl() {
    Fixture f;
    GlobalOptions& o = f.ctx.state.opt;
    o.GlobalOpt_FastOpen = true;
    o.GlobalOpt_ShowHints = false;
    o.GlobalOpt_DragOp = 2;
    o.GlobalOpt_CloseCon = 2;
    o.GlobalOpt_PriorityClass = 128;
    o.GlobalOpt_StayOnTop = 1;
    o.CmdLinesMax = 42;
    f.opt()->show();
    QVERIFY(f.child<QCheckBox>("CheckBoxFastShow")->isChecked());
    QVERIFY(!f.child<QCheckBox>("CheckBoxShowHints")->isChecked());
    QCOMPARE(f.child<RadioGroup>("RadioGroupDrag")->itemIndex(), 2);
    QVERIFY(f.child<QRadioButton>("RadioButton3")->isChecked());
    QCOMPARE(f.child<RadioGroup>("RadioGroupPri")->itemIndex(), 1);
    QCOMPARE(f.child<RadioGroup>("RadioGroupStayOnTop")->itemIndex(), 1);
    QCOMPARE(f.child<QSpinBox>("SpinEdit1")->value(), 42);
    f.opt()->ButtonCloseClick();
    // Changes not applied are lost: the next showing fills from the settings again.
    f.opt()->show();
    f.child<QCheckBox>("CheckBoxFastShow")->setChecked(false);
    f.child<QSpinBox>("SpinEdit1")->setValue(3);
    QTest::mouseClick(f.child<QPushButton>("ButtonClose"), Qt::LeftButton);
    QVERIFY(!f.opt()->isVisible());
    QCOMPARE(o.GlobalOpt_FastOpen, true);
    QCOMPARE(o.CmdLinesMax, 42u);
    f.opt()->show();
    QVERIFY(f.child<QCheckBox>("CheckBoxFastShow")->isChecked());
    QCOMPARE(f.child<QSpinBox>("SpinEdit1")->value(), 42);
    f.opt()->ButtonCloseClick();
  }

  void applyWritesEverySetting_data() {
    QTest::addColumn<bool>("fast");
    QTest::addColumn<bool>("hints");
    QTest::addColumn<int>("drag");
    QTest::addColumn<int>("console");
    QTest::addColumn<int>("priorityItem");
    QTest::addColumn<int>("stayOnTop");
    QTest::addColumn<int>("lines");
    QTest::addColumn<quint32>("priorityClass");
    QTest::newRow("first values") << true << false << 1 << 0 << 0 << 1 << 37 << 256u;
    QTest::newRow("second values") << false << true << 2 << 2 << 3 << 2 << 1 << 64u;
    QTest::newRow("third values") << true << true << 0 << 1 << 1 << 0 << 100 << 128u;
  }
  void applyWritesEverySetting() {
    QFETCH(bool, fast);
    QFETCH(bool, hints);
    QFETCH(int, drag);
    QFETCH(int, console);
    QFETCH(int, priorityItem);
    QFETCH(int, stayOnTop);
    QFETCH(int, lines);
    QFETCH(quint32, priorityClass);
    Fixture f;
    f.opt()->show();
    f.child<QCheckBox>("CheckBoxFastShow")->setChecked(fast);
    f.child<QCheckBox>("CheckBoxShowHints")->setChecked(hints);
    f.child<RadioGroup>("RadioGroupDrag")->setItemIndex(drag);
    const QByteArray radio = "RadioButton" + QByteArray::number(console + 1);
    QTest::mouseClick(f.child<QRadioButton>(radio.constData()), Qt::LeftButton, {}, QPoint(5, 5));
    f.child<RadioGroup>("RadioGroupPri")->setItemIndex(priorityItem);
    f.child<RadioGroup>("RadioGroupStayOnTop")->setItemIndex(stayOnTop);
    f.child<QSpinBox>("SpinEdit1")->setValue(lines);
    QTest::mouseClick(f.child<QPushButton>("ButtonApply"), Qt::LeftButton);
    const GlobalOptions& o = f.ctx.state.opt;
    QCOMPARE(o.GlobalOpt_FastOpen, fast);
    QCOMPARE(o.GlobalOpt_ShowHints, hints);
    QCOMPARE(o.GlobalOpt_DragOp, drag);
    QCOMPARE(o.GlobalOpt_CloseCon, console);
    QCOMPARE(o.GlobalOpt_PriorityClass, priorityClass);
    QCOMPARE(o.GlobalOpt_StayOnTop, stayOnTop);
    QCOMPARE(o.CmdLinesMax, quint32(lines));
    // The dialog stays open after Apply.
    QVERIFY(f.opt()->isVisible());
    f.opt()->ButtonCloseClick();
  }

  // Text in the spin box that is not a number counts as its minimum.
  void spinTextNotANumber() {
    Fixture f;
    f.opt()->show();
    auto* spin = f.child<QSpinBox>("SpinEdit1");
    spin->findChild<QLineEdit*>()->setText(QStringLiteral("abc"));
    f.opt()->ButtonApplyClick();
    QCOMPARE(f.ctx.state.opt.CmdLinesMax, 1u);
    f.opt()->ButtonCloseClick();
  }

  void resetThenCloseKeepsDefaults() {
    Fixture f;
    f.writeLanguage("en.lng", "English", "English", "Apply", "edit caption");
    GlobalOptions& o = f.ctx.state.opt;
    setNonDefaultPreferences(o);
    o.LangName = "Russian";
    f.ctx.state.LangTexts[40] = "unchanged";
    f.opt()->show();
    QTest::mouseClick(f.child<QPushButton>("ButtonReset"), Qt::LeftButton);
    // The controls show the defaults at once.
    QVERIFY(!f.child<QCheckBox>("CheckBoxFastShow")->isChecked());
    QVERIFY(f.child<QCheckBox>("CheckBoxShowHints")->isChecked());
    QCOMPARE(f.child<RadioGroup>("RadioGroupDrag")->itemIndex(), 0);
    QVERIFY(f.child<QRadioButton>("RadioButton2")->isChecked());
    QCOMPARE(f.child<RadioGroup>("RadioGroupPri")->itemIndex(), 2);
    QCOMPARE(f.child<RadioGroup>("RadioGroupStayOnTop")->itemIndex(), 2);
    QCOMPARE(f.child<QSpinBox>("SpinEdit1")->value(), 10);
    QTest::mouseClick(f.child<QPushButton>("ButtonClose"), Qt::LeftButton);
    QVERIFY(!f.opt()->isVisible());
    verifyDefaultPreferences(o);
    if (QTest::currentTestFailed()) return;
    // Reset applies no language file and keeps the language.
    QCOMPARE(o.LangName, QByteArray("Russian"));
    QCOMPARE(f.ctx.state.LangTexts[40], QByteArray("unchanged"));
  }

  // Shown modally like the main window's Options button does, and closed with its own button.
  void modalShowAndClose() {
    Fixture f;
    f.ctx.state.opt.CmdLinesMax = 17;
    int seen = -1;
    bool wasModal = false;
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<TFormOpt*>(QApplication::activeModalWidget());
      if (!d) return;
      wasModal = true;
      seen = d->findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->value();
      d->findChild<QPushButton*>(QStringLiteral("ButtonClose"))->click();
    });
    f.opt()->exec();
    QVERIFY(wasModal);
    QCOMPARE(seen, 17);
  }

  void scrollStopsAtTheEnds() {
    Fixture f;
    f.opt()->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.opt()));
    QScrollBar* bar = f.child<QScrollArea>("ScrollBox1")->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(0);
    // At the top the up strip finds no room: the next tick sets the speed back to 0.
    QTest::mouseClick(f.child<QToolButton>("SpeedButton1"), Qt::LeftButton);
    QCOMPARE(f.opt()->ScrollSpeed, -10);
    QTRY_COMPARE(f.opt()->ScrollSpeed, 0);
    QCOMPARE(bar->value(), 0);
    // The down strip runs to the bottom and stops there.
    QTest::mouseClick(f.child<QToolButton>("SpeedButton2"), Qt::LeftButton);
    QCOMPARE(f.opt()->ScrollSpeed, 10);
    QTRY_COMPARE(f.opt()->ScrollSpeed, 0);
    QCOMPARE(bar->value(), bar->maximum());
    // Hovering scrolls slowly back up, and keeps going after the mouse has left.
    QTest::mouseMove(f.child<QToolButton>("SpeedButton1"), QPoint(20, 5));
    QCOMPARE(f.opt()->ScrollSpeed, -2);
    QTest::mouseMove(f.child<QWidget>("ButtonApply"));
    QTRY_VERIFY(bar->value() < bar->maximum());
    QCOMPARE(f.opt()->ScrollSpeed, -2);
    // A click on the pane's background stops it.
    const int at = bar->value();
    QTest::mouseClick(f.child<QScrollArea>("ScrollBox1")->widget(), Qt::LeftButton, {},
                      QPoint(335, 2));
    QCOMPARE(f.opt()->ScrollSpeed, 0);
    QVERIFY(bar->value() <= at);
    f.opt()->ButtonCloseClick();
  }

  void scrollSpeedRules_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("event");
    QTest::addColumn<int>("after");
    QTest::newRow("hover up from rest") << 0 << "hover1" << -2;
    QTest::newRow("hover down from rest") << 0 << "hover2" << 2;
    QTest::newRow("hover up keeps fast up") << -10 << "hover1" << -10;
    QTest::newRow("hover down keeps fast down") << 10 << "hover2" << 10;
    QTest::newRow("hover up turns fast down") << 10 << "hover1" << -2;
    QTest::newRow("hover down turns fast up") << -10 << "hover2" << 2;
    QTest::newRow("click up") << 2 << "click1" << -10;
    QTest::newRow("click down") << -2 << "click2" << 10;
    QTest::newRow("pane click") << 10 << "pane" << 0;
  }
  void scrollSpeedRules() {
    QFETCH(int, before);
    QFETCH(QString, event);
    QFETCH(int, after);
    Fixture f;
    TFormOpt* d = f.opt();
    d->ScrollSpeed = before;
    if (event == "hover1") d->SpeedButton1MouseMove();
    if (event == "hover2") d->SpeedButton2MouseMove();
    if (event == "click1") d->SpeedButton1Click();
    if (event == "click2") d->SpeedButton2Click();
    if (event == "pane") d->ScrollBox1Click();
    QCOMPARE(d->ScrollSpeed, after);
    d->ScrollBox1Click();
  }

  void buttonCCClosesTheConsole() {
    Fixture f;
    f.ctx.console->openConsole(true);
    QVERIFY((f.ctx.console->window() != nullptr));
    f.opt()->show();
    QTest::mouseClick(f.child<QPushButton>("ButtonCC"), Qt::LeftButton);
    QVERIFY(!(f.ctx.console->window() != nullptr));
    // The dialog stays open.
    QVERIFY(f.opt()->isVisible());
    f.opt()->ButtonCloseClick();
  }

  // Apply puts the stay-on-top setting into effect for this dialog without losing it from view.
  void stayOnTopThroughApply() {
    Fixture f;
    f.ctx.state.opt.GlobalOpt_StayOnTop = 2;
    f.opt()->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.opt()));
    f.child<RadioGroup>("RadioGroupStayOnTop")->setItemIndex(0);
    f.opt()->ButtonApplyClick();
    QCOMPARE(f.ctx.state.opt.GlobalOpt_StayOnTop, 0);
    QVERIFY(f.opt()->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(f.opt()->isVisible());
    QVERIFY(!(f.opt()->windowFlags() & Qt::WindowCloseButtonHint));
    f.child<RadioGroup>("RadioGroupStayOnTop")->setItemIndex(2);
    f.opt()->ButtonApplyClick();
    QVERIFY(!(f.opt()->windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(f.opt()->isVisible());
    f.opt()->ButtonCloseClick();
  }

  // Packer runs at once: from one to the cores, filled from the preference, written by Apply (a
  // text that is no number counts as one run), back to one by Reset.
  void packerRunsSpinBox() {
    Fixture f;
    const int cores = RunGroups::MaxRuns();
    GlobalOptions& o = f.ctx.state.opt;
    o.GlobalOpt_PackerRuns = quint32(cores);
    f.opt()->show();
    auto* spin = f.child<QSpinBox>("SpinEditRuns");
    QCOMPARE(spin->minimum(), 1);
    QCOMPARE(spin->maximum(), cores);
    QCOMPARE(spin->value(), cores);
    spin->setValue(1);
    f.opt()->ButtonApplyClick();
    QCOMPARE(o.GlobalOpt_PackerRuns, 1u);
    spin->setValue(cores);
    f.opt()->ButtonApplyClick();
    QCOMPARE(o.GlobalOpt_PackerRuns, quint32(cores));
    spin->findChild<QLineEdit*>()->setText(QStringLiteral("abc"));
    f.opt()->ButtonApplyClick();
    QCOMPARE(o.GlobalOpt_PackerRuns, 1u);
    QCOMPARE(spin->value(), 1);
    o.GlobalOpt_PackerRuns = quint32(cores);
    f.opt()->ButtonResetClick();
    QCOMPARE(o.GlobalOpt_PackerRuns, 1u);
    QCOMPARE(spin->value(), 1);
    f.opt()->ButtonCloseClick();
  }

  // Its caption comes from the language file; a long one wraps and pushes nothing out of the
  // pane, and the pair stays below the history pair.
  void packerRunsCaptionFromTheLanguage() {
    Fixture f;
    const QByteArray longText =
        "How many packers may run at the same time; the selected files are shared out among "
        "them by size, and each packer gets the same options";
    f.applyLongCaptions({"LABEL\\FormOpt.PackerRunsLabel", "LABEL\\FormOpt.CmdLinesMaxLabel"},
                        longText);
    auto* label = f.child<QLabel>("PackerRunsLabel");
    auto* history = f.child<QLabel>("CmdLinesMaxLabel");
    QCOMPARE(label->text(), QString::fromUtf8(longText));
    QVERIFY(label->height() >= label->heightForWidth(label->width()));
    QVERIFY(label->height() > 2 * label->fontMetrics().height());
    QVERIFY(f.child<QWidget>("SpinEditRuns")->y() > history->geometry().bottom());
    QCOMPARE(label->y(), f.child<QWidget>("SpinEditRuns")->y() + 4);
    QVERIFY(label->geometry().right() < f.child<QScrollArea>("ScrollBox1")->widget()->width());
    QVERIFY(f.child<QScrollArea>("ScrollBox1")->widget()->height() > label->geometry().bottom());
    f.opt()->ButtonCloseClick();
  }
};

QTEST_MAIN(TestOptions)
#include "test_options.moc"
