// SPDX-License-Identifier: GPL-3.0-or-later
// Every text in the chosen language: Qt's own dialogs follow the applied language file (through
// the system's Qt translations), and the texts that were written in code (the console's context
// menu and priority note, the About box's message) come from the language file.
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QtTest>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "core/console/ScreenModel.h"
#include "core/jobs/JobEngine.h"
#include "core/packer/CommandLine.h"
#include "gui/console/ConsoleSession.h"
#include "gui/console/ConsoleWindow.h"
#include "gui/dialogs/TFormAbout.h"
#include "gui/dialogs/TFormChooseLang.h"
#include "gui/i18n/ApplyLanguage.h"
#include "gui/i18n/QtTranslations.h"
#include "gui/main/AppContext.h"
#include "gui/widgets/ConsoleView.h"
#include "gui/widgets/Prompts.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

// Takes CAP_SYS_NICE out of the effective set while it lives, so that raising a priority fails
// even for root, as it does for a user; the permitted set keeps it, so it can be put back.
class WithoutNicePrivilege {
 public:
  WithoutNicePrivilege() {
    if (syscall(SYS_capget, &header_, data_) != 0) return;
    __user_cap_data_struct less[2] = {data_[0], data_[1]};
    less[CAP_TO_INDEX(CAP_SYS_NICE)].effective &= ~CAP_TO_MASK(CAP_SYS_NICE);
    ok_ = syscall(SYS_capset, &header_, less) == 0;
  }
  ~WithoutNicePrivilege() {
    if (ok_) syscall(SYS_capset, &header_, data_);
  }
  bool ok() const { return ok_; }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data_[2]{};
  bool ok_ = false;
};

QStringList menuTexts(ConsoleView* view) {
  QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5), view->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(view->viewport(), &e);
  QStringList texts;
  if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
    for (QAction* a : menu->actions()) texts << a->text();
    menu->close();
  }
  return texts;
}

}  // namespace

class TestTranslations : public QObject {
  Q_OBJECT

  std::unique_ptr<TestProgram> prog_;

  void apply(const char* file) {
    QVERIFY(ApplyLanguage(prog_->ctx.state.LangDir + file, prog_->ctx.state.LangTexts,
                          LangTextHighest, "FormMain", prog_->ctx.forms()));
  }

 private slots:
  void initTestCase() { Prompts::Test().active = true; }
  void init() {
    prog_ = std::make_unique<TestProgram>(true, true);
    prog_->ctx.state.opt.GlobalOpt_FirstTimeShowConsol = 1;
    Prompts::Test().messages.clear();
  }
  void cleanup() {
    prog_.reset();
    QtTranslations::Load("English");
  }

  void languageOfAnEnglishName_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("language");
    QTest::newRow("German") << QByteArray("German") << int(QLocale::German);
    QTest::newRow("Russian") << QByteArray("Russian") << int(QLocale::Russian);
    QTest::newRow("English") << QByteArray("English") << int(QLocale::English);
    QTest::newRow("lower case") << QByteArray("german") << int(QLocale::German);
    QTest::newRow("blanks around") << QByteArray(" French ") << int(QLocale::French);
    QTest::newRow("unknown") << QByteArray("Klingonish") << int(QLocale::C);
    QTest::newRow("empty") << QByteArray() << int(QLocale::C);
  }
  void languageOfAnEnglishName() {
    QFETCH(QByteArray, name);
    QFETCH(int, language);
    QCOMPARE(int(QtTranslations::LanguageFor(name)), language);
  }

  // Qt's own file dialog and buttons speak the language file's language, and English again
  // after English is chosen: whichever way the language came (the program's start or the
  // Options dialog, the chooser's preview, the language function itself).
  void qtDialogsFollowTheLanguage_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("route");
    QTest::addColumn<QString>("lookIn");
    QTest::addColumn<QString>("cancel");
    for (const QString route : {"program", "chooser", "function"}) {
      const auto row = [&](const char* name) -> QTestData& {
        return QTest::addRow("%s %s", name, qPrintable(route));
      };
      row("German") << QByteArray("German.lng") << route << "Suchen in:"
                    << "Abbrechen";
      row("Russian") << QByteArray("Russian.lng") << route << "Перейти к:"
                     << "Отмена";
      row("English") << QByteArray("English.lng") << route << "Look in:"
                     << "Cancel";
    }
  }
  void qtDialogsFollowTheLanguage() {
    QFETCH(QByteArray, file);
    QFETCH(QString, route);
    QFETCH(QString, lookIn);
    QFETCH(QString, cancel);
    AppContext& ctx = prog_->ctx;
    const auto applyBy = [&](const QByteArray& f) {
      if (route == QLatin1String("program"))
        ctx.changeLanguage(f);
      else if (route == QLatin1String("chooser"))
        emit ctx.formChooseLang()->languageSelected(f);
      else
        apply(f.constData());
    };
    // Another language first, so that the change is what is seen.
    applyBy(file == "Russian.lng" ? "German.lng" : "Russian.lng");
    applyBy(file);
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"))->text(), lookIn);
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), cancel);
  }

  // A language without Qt translations (here: unknown to Qt) leaves Qt in English, not in the
  // language chosen before.
  void languageWithoutQtTranslations() {
    apply("German.lng");
    QCOMPARE(QtTranslations::Loaded(), QLocale::German);
    QByteArray text = readFileBytes(prog_->ctx.state.LangDir + "English.lng");
    text.replace("LanguageName_en=English", "LanguageName_en=Klingonish");
    QVERIFY(writeFileBytes(prog_->dir.file("Klingonish.lng"), text));
    QVERIFY(ApplyLanguage(prog_->dir.file("Klingonish.lng"), prog_->ctx.state.LangTexts,
                          LangTextHighest, "FormMain", prog_->ctx.forms()));
    QCOMPARE(QtTranslations::Loaded(), QLocale::C);
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
  }

  // The console's context menu in the language of the moment it opens.
  void consoleMenu() {
    apply("Russian.lng");
    prog_->ctx.console->openConsole(false);
    ConsoleView* view = prog_->ctx.console->window()->view();
    QCOMPARE(menuTexts(view),
             (QStringList{QStringLiteral("Копировать"), QStringLiteral("Выделить всё")}));
    apply("German.lng");
    QCOMPARE(menuTexts(view),
             (QStringList{QStringLiteral("Kopieren"), QStringLiteral("Alles auswählen")}));
    prog_->ctx.console->closeConsole();
  }

  // The note that the packer's priority could not be raised, in the chosen language.
  void priorityNote() {
    apply("German.lng");
    prog_->ctx.state.opt.GlobalOpt_PriorityClass = 256;  // nice -20
    EnvGuard env{{"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
    WithoutNicePrivilege unprivileged;
    QVERIFY(unprivileged.ok());
    ConsoleSession* session = prog_->ctx.console;
    session->openConsole(false);
    const auto r = AwaitRun(
        prog_->ctx, CommandLine::QuoteIfNeeded(prog_->ctx.state.UpxLocation) + " x",
        [session] { QTest::keyClicks(session->window()->view(), QStringLiteral("quit\r")); });
    QCOMPARE(r, std::optional<int>(0));
    QString rows;
    for (int i = 0; i < 6; ++i) rows += session->screen()->rowText(i) + '\n';
    QVERIFY2(rows.contains(QStringLiteral("Packhelm: Die Priorität des Packers ließ sich nicht")),
             qPrintable(rows));
    session->closeConsole();
  }

  void aboutLinkMessage() {
    apply("Russian.lng");
    prog_->ctx.formAbout()->openUrl = [](const QUrl&) { return false; };
    prog_->ctx.formAbout()->Label10Click();
    QCOMPARE(Prompts::Test().messages.size(), 1);
    QCOMPARE(Prompts::Test().messages[0].text,
             QStringLiteral("На этом рабочем столе нет программы, которая открывает "
                            "https://upx.github.io/"));
  }
};

QTEST_MAIN(TestTranslations)
#include "test_translations.moc"
