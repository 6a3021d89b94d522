// SPDX-License-Identifier: GPL-3.0-or-later
// The console session with real windows (offscreen), a real pty and the stand-in packer:
// the header bar cell by cell, the first-time warning, exit codes and start failures, keys,
// the windows during a run, priority, and closing the console.

#include <sys/resource.h>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <functional>

#include "core/console/ScreenModel.h"
#include "core/jobs/JobEngine.h"
#include "core/packer/CommandLine.h"
#include "gui/console/ConsoleSession.h"
#include "gui/console/ConsoleWindow.h"
#include "gui/console/TFormFTSC.h"
#include "gui/dialogs/TFormOpt.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/ConsoleView.h"
#include "gui/widgets/Prompts.h"
#include "support/FormDesign.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

struct Program : TestProgram {
  Program() : TestProgram(true, true) {
    ctx.state.opt.GlobalOpt_FirstTimeShowConsol = 1;
    for (int i = 2; i <= 6; ++i) ctx.state.LangTexts[size_t(i)] = "text " + QByteArray::number(i);
    for (int i = 70; i <= 74; ++i)
      ctx.state.LangTexts[size_t(i)] = "text " + QByteArray::number(i) + " %1";
    status()->setText(QStringLiteral("before"));
    QObject::connect(ctx.engine, &JobEngine::finished, ctx.engine,
                     [this](const JobReport& r) { last = r; });
  }
  std::optional<JobReport> last;  // how the last job ended
  ConsoleSession* session() const { return ctx.console; }
  QLineEdit* status() const {
    return ctx.FormMain->findChild<QLineEdit*>(QStringLiteral("EditStatus"));
  }
  QByteArray command(const QByteArray& args = " x") const {
    return CommandLine::QuoteIfNeeded(ctx.state.UpxLocation) + args;
  }
  // Runs the packer; `during` runs inside the run's event loop once the packer is going.
  std::optional<int> run(std::function<void()> during = {}) {
    return AwaitRun(ctx, command(), during);
  }
};

bool screenContains(const ScreenModel* s, const QString& text) {
  for (int r = 0; r < s->rows(); ++r)
    if (s->rowText(r).contains(text)) return true;
  return false;
}

// The bar drawn by OpenConsole on `row`, with the title centred.
void verifyBar(const ScreenModel* s, int row) {
  const QString title = QStringLiteral("UPX + Packhelm");
  for (int c = 0; c < 80; ++c) {
    const ScreenModel::Cell& cell = s->cell(row, c);
    QCOMPARE(int(cell.fg), 15);
    QCOMPARE(int(cell.bg), 9);
    const char32_t expected =
        (c >= 32 && c < 32 + title.size()) ? char32_t(title.at(c - 32).unicode()) : U' ';
    QCOMPARE(cell.ch, expected);
  }
  for (int c = 0; c < 80; ++c) {
    QCOMPARE(s->cell(row + 1, c).ch, U' ');
    QCOMPARE(int(s->cell(row + 1, c).bg), 0);
  }
}

bool pidExists(qint64 pid) {
  return pid > 0 && ::kill(pid_t(pid), 0) == 0;
}

// The first-console note once it is up (it waits beside the console, modal to nothing).
QWidget* shownNote() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("FormFTSC") && w->isVisible()) return w;
  return nullptr;
}

// Answers the note as soon as it shows.
void answerModal(std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
    if (QWidget* w = shownNote()) {
      timer->stop();
      timer->deleteLater();
      answer(w);
    }
  });
  timer->start(10);
}

}  // namespace

class TestConsole : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    Prompts::Test().active = true;
    UseDesignedFont();
    // Run under a chosen monospace font (tests/CMakeLists.txt), the console really gets it.
    const QString wanted = qEnvironmentVariable("PACKHELM_TEST_MONOSPACE");
    if (!wanted.isEmpty())
      QCOMPARE(QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family(), wanted);
  }
  void init() { Prompts::Test().messages.clear(); }

  void headerBarOnNewConsole();
  void secondRunDrawsBarBelowOutput();
  void firstTimeWarning_data();
  void firstTimeWarning();
  void warningFormControls();
  void closeConsoleAndNewConsoleStartsEmpty();
  void consoleForOneRunWhenNotKept();
  void forcedConsoleStaysWithCloseConZero();
  void exitCodesReported_data();
  void exitCodesReported();
  void startFailures_data();
  void startFailures();
  void megabyteOfOutput();
  void keysReachPacker();
  void ctrlCEndsPackerNotProgram();
  void grandchildDoesNotHang();
  void windowsDisabledDuringRun();
  void priorityIdle();
  void priorityRealtimeEitherWay();
  void selectionAndCopy();
  void viewReadsLikeATerminal();
  void screenReadByAssistiveTechnology();
  void screenChanges_data();
  void screenChanges();
  void stopReachedByTab();
  // Last: closing the console ends the program (the application is told to quit).
  void closingConsoleDuringRunEndsPacker();
  void stopAnswersWhateverIsUp_data();
  void stopAnswersWhateverIsUp();
};

void TestConsole::headerBarOnNewConsole() {
  Program p;
  EnvGuard env{{"PACKHELM_STANDIN_OUTPUT_BYTES", "96"}, {"PACKHELM_STANDIN_EXIT", "0"}};
  p.session()->openConsole(false);
  QVERIFY((p.session()->window() != nullptr));
  ConsoleWindow* w = p.session()->window();
  QVERIFY(w);
  QVERIFY(w->isVisible());
  QCOMPARE(w->objectName(), QStringLiteral("ConsoleWindow"));
  QCOMPARE(w->windowTitle(), QStringLiteral("UPX + Packhelm"));
  const ScreenModel* s = w->model();
  QCOMPARE(s->columns(), 80);
  QCOMPARE(s->rows(), 300);
  QVERIFY(!s->cursorVisible());
  verifyBar(s, 0);
  QCOMPARE(s->cursorRow(), 2);
  QCOMPARE(s->cursorColumn(), 0);

  QCOMPARE(p.run(), std::optional<int>(0));
  QVERIFY2(s->rowText(2).startsWith(QStringLiteral("stand-in output line 0 ")),
           qPrintable(ScreenText(s)));
  QVERIFY(s->rowText(3).startsWith(QStringLiteral("stand-in output line 1 ")));
  for (int c = 0; c < 20; ++c) {
    QCOMPARE(int(s->cell(2, c).fg), 8);
    QCOMPARE(int(s->cell(2, c).bg), 0);
  }
  // 80 columns wide, monospace.
  const ConsoleView* v = w->view();
  // Every character as wide as any other (fontconfig does not flag every monospace face).
  const QFontMetrics fm(v->font());
  QCOMPARE(fm.horizontalAdvance(u'i'), fm.horizontalAdvance(u'M'));
  QCOMPARE(fm.horizontalAdvance(u'.'), fm.horizontalAdvance(u'W'));
  QVERIFY(v->viewport()->width() >= 80 * QFontMetrics(v->font()).horizontalAdvance(u'M'));
}

void TestConsole::secondRunDrawsBarBelowOutput() {
  Program p;
  p.ctx.state.opt.GlobalOpt_CloseCon = 2;
  EnvGuard env{{"PACKHELM_STANDIN_OUTPUT_BYTES", "96"}, {"PACKHELM_STANDIN_EXIT", "0"}};
  p.session()->openConsole(false);
  QCOMPARE(p.run(), std::optional<int>(0));
  ConsoleWindow* first = p.session()->window();
  p.session()->openConsole(false);
  QCOMPARE(p.session()->window(), first);
  const ScreenModel* s = first->model();
  QVERIFY(s->rowText(3).startsWith(QStringLiteral("stand-in output line 1 ")));
  QCOMPARE(s->rowText(4), QString());  // the blank line
  verifyBar(s, 5);
  QCOMPARE(p.run(), std::optional<int>(0));
  QVERIFY2(s->rowText(7).startsWith(QStringLiteral("stand-in output line 0 ")),
           qPrintable(ScreenText(s)));
  QCOMPARE(int(s->cell(7, 0).fg), 8);
  verifyBar(s, 0);  // the first bar is still there
}

void TestConsole::firstTimeWarning_data() {
  QTest::addColumn<bool>("tick");
  QTest::addColumn<int>("flagAfter");
  QTest::newRow("box ticked") << true << 1;
  QTest::newRow("box unticked") << false << 0;
}

void TestConsole::firstTimeWarning() {
  QFETCH(bool, tick);
  QFETCH(int, flagAfter);
  Program p;
  p.ctx.state.opt.GlobalOpt_FirstTimeShowConsol = 0;
  int shown = 0;
  auto answer = [&shown, tick](QWidget* w) {
    ++shown;
    QCOMPARE(w->objectName(), QStringLiteral("FormFTSC"));
    if (tick) w->findChild<QCheckBox*>(QStringLiteral("CheckBoxDontShow"))->setChecked(true);
    w->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
  };
  answerModal(answer);
  p.session()->openConsole(false);
  QTRY_COMPARE(shown, 1);
  QCOMPARE(p.ctx.state.opt.GlobalOpt_FirstTimeShowConsol, flagAfter);
  QVERIFY((p.session()->window() != nullptr));

  // The existing-console path never shows it.
  p.session()->openConsole(false);
  QCOMPARE(shown, 1);

  // A new console shows it again only while the flag is 0.
  p.session()->closeConsole();
  if (flagAfter == 0) answerModal(answer);
  p.session()->openConsole(true);
  QTRY_COMPARE(shown, flagAfter == 0 ? 2 : 1);
  QVERIFY(!p.ctx.formFTSC()->isVisible());

  // No console of the program's own: no warning either.
  p.session()->closeConsole();
  p.ctx.state.opt.GlobalOpt_CloseCon = 0;
  p.session()->openConsole(false);
  QCOMPARE(shown, flagAfter == 0 ? 2 : 1);
  QVERIFY(!(p.session()->window() != nullptr));
}

void TestConsole::warningFormControls() {
  Program p;
  TFormFTSC* f = p.ctx.formFTSC();
  const FormDesign form(QStringLiteral("console/TFormFTSC.ui"));
  QCOMPARE(f->objectName(), form.widgets().first());
  QCOMPARE(f->windowTitle(), form.text(f->objectName(), QStringLiteral("windowTitle")));
  // Laid out as it will be shown (its layout places the controls): the form's size or what a
  // taller font needs; the message, the box below it and the button below that, in the margins.
  f->layout()->activate();
  const QSize designed = form.size(f->objectName(), QStringLiteral("geometry"));
  QVERIFY(f->width() >= designed.width() && f->height() >= designed.height());
  auto* label = f->findChild<QLabel*>(QStringLiteral("LabelMessage"));
  auto* box = f->findChild<QCheckBox*>(QStringLiteral("CheckBoxDontShow"));
  auto* button = f->findChild<QPushButton*>(QStringLiteral("Button1"));
  QVERIFY(label && box && button);
  const QRect inside = f->rect().marginsRemoved(f->layout()->contentsMargins());
  QCOMPARE(label->geometry().topLeft(), inside.topLeft());
  QCOMPARE(label->size(), label->size().expandedTo(form.size(label->objectName())));
  QVERIFY(label->wordWrap());
  QCOMPARE(box->x(), inside.x());
  QCOMPARE(box->width(), inside.width());
  QVERIFY(box->y() > label->geometry().bottom());
  QCOMPARE(box->text(), form.text(box->objectName(), QStringLiteral("text")));
  QCOMPARE(button->size(), form.size(button->objectName(), QStringLiteral("designedSize")));
  QVERIFY(button->y() > box->geometry().bottom());
  QVERIFY(button->x() > inside.x() && button->geometry().right() < inside.right());
  QVERIFY(inside.contains(button->geometry()));
  QCOMPARE(button->text(), form.text(button->objectName(), QStringLiteral("text")));
  // The message fits its label.
  QVERIFY(label->heightForWidth(label->width()) <= label->height());
  // Closing with the title-bar box changes nothing.
  answerModal([](QWidget* w) {
    w->findChild<QCheckBox*>(QStringLiteral("CheckBoxDontShow"))->setChecked(true);
    w->close();
  });
  p.ctx.state.opt.GlobalOpt_FirstTimeShowConsol = 0;
  f->exec();
  QCOMPARE(p.ctx.state.opt.GlobalOpt_FirstTimeShowConsol, 0);
}

void TestConsole::closeConsoleAndNewConsoleStartsEmpty() {
  Program p;
  EnvGuard env{{"PACKHELM_STANDIN_OUTPUT_BYTES", "96"}, {"PACKHELM_STANDIN_EXIT", "0"}};
  p.session()->closeConsole();  // harmless without a console
  QVERIFY(!(p.session()->window() != nullptr));
  p.session()->openConsole(false);
  QCOMPARE(p.run(), std::optional<int>(0));
  QPointer<ConsoleWindow> first = p.session()->window();
  p.session()->closeConsole();
  QVERIFY(!(p.session()->window() != nullptr));
  QVERIFY(!p.session()->window());
  QTRY_VERIFY(!first);
  p.session()->openConsole(false);
  const ScreenModel* s = p.session()->screen();
  verifyBar(s, 0);
  for (int r = 2; r < 300; ++r) QCOMPARE(s->rowText(r), QString());
}

void TestConsole::consoleForOneRunWhenNotKept() {
  Program p;
  p.ctx.state.opt.GlobalOpt_CloseCon = 0;
  EnvGuard env{{"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
  p.session()->openConsole(false);
  QVERIFY(!(p.session()->window() != nullptr));
  QVERIFY(!p.session()->window());
  QPointer<ConsoleWindow> during;
  bool ok = false;
  const auto r = p.run([&] {
    during = p.session()->runWindow();
    QVERIFY(during);
    QVERIFY(during->isVisible());
    QCOMPARE(during->windowTitle(), QStringLiteral("UPX + Packhelm"));
    QTest::keyClicks(during->view(), QStringLiteral("hi"));
    QTest::keyClick(during->view(), Qt::Key_Return);
    QTRY_VERIFY(screenContains(during->model(), QStringLiteral("got: hi")));
    // No bar: the packer's output begins at the top in the default colours.
    QCOMPARE(during->model()->rowText(0), QStringLiteral("hi"));
    QCOMPARE(int(during->model()->cell(0, 0).bg), 0);
    QCOMPARE(int(during->model()->cell(0, 0).fg), 7);
    ok = true;
    QTest::keyClicks(during->view(), QStringLiteral("quit"));
    QTest::keyClick(during->view(), Qt::Key_Return);
  });
  QVERIFY(ok);
  QCOMPARE(r, std::optional<int>(0));
  QVERIFY(!(p.session()->window() != nullptr));
  QVERIFY(!p.session()->runWindow());
  QTRY_VERIFY(!during);  // closed when the packer ended
}

void TestConsole::forcedConsoleStaysWithCloseConZero() {
  Program p;
  p.ctx.state.opt.GlobalOpt_CloseCon = 0;
  EnvGuard env{{"PACKHELM_STANDIN_EXIT", "0"}};
  p.session()->openConsole(true);
  QVERIFY((p.session()->window() != nullptr));
  QCOMPARE(p.run(), std::optional<int>(0));
  QVERIFY((p.session()->window() != nullptr));
  QVERIFY(p.session()->window()->isVisible());
  verifyBar(p.session()->screen(), 0);
}

void TestConsole::exitCodesReported_data() {
  QTest::addColumn<QByteArray>("var");
  QTest::addColumn<QByteArray>("value");
  QTest::addColumn<int>("code");
  QTest::addColumn<QString>("status");
  QTest::newRow("0") << QByteArray("PACKHELM_STANDIN_EXIT") << QByteArray("0") << 0
                     << QStringLiteral("text 2");
  QTest::newRow("1") << QByteArray("PACKHELM_STANDIN_EXIT") << QByteArray("1") << 1
                     << QStringLiteral("text 3");
  QTest::newRow("2") << QByteArray("PACKHELM_STANDIN_EXIT") << QByteArray("2") << 2
                     << QStringLiteral("text 4");
  // Every outcome has a text of its own: the status line never keeps the previous run's.
  QTest::newRow("3") << QByteArray("PACKHELM_STANDIN_EXIT") << QByteArray("3") << 3
                     << QStringLiteral("text 72 3");
  QTest::newRow("139 is a code") << QByteArray("PACKHELM_STANDIN_EXIT") << QByteArray("139") << 139
                                 << QStringLiteral("text 72 139");
  QTest::newRow("SIGSEGV") << QByteArray("PACKHELM_STANDIN_SIGNAL") << QByteArray("11") << 128 + 11
                           << QStringLiteral("text 71 SIGSEGV");
}

void TestConsole::exitCodesReported() {
  QFETCH(QByteArray, var);
  QFETCH(QByteArray, value);
  QFETCH(int, code);
  QFETCH(QString, status);
  Program p;
  EnvGuard env{{var.constData(), value}};
  p.session()->openConsole(false);
  const auto r = p.run();
  QCOMPARE(r, std::optional<int>(code));
  QCOMPARE(p.last->outcome.exitCode, code);
  p.ctx.FormMain->showExitStatus(JobEngine::statusText(p.ctx.state.texts(), p.last->outcome));
  QCOMPARE(p.status()->text(), status);
  QVERIFY(Prompts::Test().messages.isEmpty());
}

void TestConsole::startFailures_data() {
  QTest::addColumn<QString>("kind");
  QTest::newRow("missing") << QStringLiteral("missing");
  QTest::newRow("not executable") << QStringLiteral("noexec");
  QTest::newRow("empty command line") << QStringLiteral("empty");
}

void TestConsole::startFailures() {
  QFETCH(QString, kind);
  Program p;
  const QString packer = QFile::decodeName(p.dir.packerPath());
  if (kind == QLatin1String("missing")) QVERIFY(QFile::remove(packer));
  if (kind == QLatin1String("noexec"))
    QVERIFY(QFile::setPermissions(packer, QFile::ReadOwner | QFile::WriteOwner));
  p.session()->openConsole(false);
  const auto r = kind == QLatin1String("empty") ? AwaitRun(p.ctx, "   ") : p.run();
  QVERIFY(!r.has_value());
  QVERIFY(!p.session()->isRunning());
  // Said once, by the window's jobs, which hear of every job's end.
  QCOMPARE(Prompts::Test().messages.size(), 1);
  const Prompts::MessageRecord& m = Prompts::Test().messages.first();
  QCOMPARE(m.text, QStringLiteral("text 5"));
  QCOMPARE(m.caption, QStringLiteral("text 6"));
  QVERIFY(m.icon == Prompts::Icon::Error);
  QCOMPARE(p.status()->text(), QStringLiteral("before"));
  // The console stays as OpenConsole left it, and the windows take input again.
  QVERIFY((p.session()->window() != nullptr));
  QVERIFY(p.ctx.FormMain->isEnabled());
}

void TestConsole::megabyteOfOutput() {
  Program p;
  const int size = 1024 * 1024;
  EnvGuard env{{"PACKHELM_STANDIN_OUTPUT_BYTES", QByteArray::number(size)},
               {"PACKHELM_STANDIN_EXIT", "0"}};
  p.session()->openConsole(false);
  QCOMPARE(p.run(), std::optional<int>(0));
  // The last (cut) line of the output is the last text on the screen.
  QByteArray text;
  QByteArray line;
  for (long row = 0; text.size() < size; ++row) {
    line = "stand-in output line " + QByteArray::number(row) + " ........................\n";
    if (line.size() > size - text.size()) line.truncate(size - text.size());
    text += line;
  }
  const ScreenModel* s = p.session()->screen();
  QCOMPARE(s->rowText(s->cursorRow()), QString::fromLatin1(line));
  QCOMPARE(s->rowText(s->cursorRow() - 1),
           QString::fromLatin1(
               text.left(text.size() - line.size() - 1)
                   .mid(text.left(text.size() - line.size() - 1).lastIndexOf('\n') + 1)));
  // The view followed the output to the end.
  ConsoleView* v = p.session()->window()->view();
  v->refresh();
  QVERIFY(v->following());
  QCOMPARE(v->topRow() + v->visibleRows() - 1, s->cursorRow());
}

void TestConsole::keysReachPacker() {
  Program p;
  EnvGuard env{{"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
  p.session()->openConsole(false);
  const ScreenModel* s = p.session()->screen();
  bool ok = false;
  const auto r = p.run([&] {
    ConsoleView* v = p.session()->window()->view();
    QTest::keyClicks(v, QStringLiteral("abx"));
    QTest::keyClick(v, Qt::Key_Backspace);
    QTest::keyClick(v, Qt::Key_Left);
    QTest::keyClick(v, Qt::Key_Right);
    QTest::keyClicks(v, QStringLiteral("c d"));
    QTest::keyClick(v, Qt::Key_Return);
    QTRY_VERIFY2(screenContains(s, QStringLiteral("got: abc d")), qPrintable(ScreenText(s)));
    ok = true;
    QTest::keyClicks(v, QStringLiteral("quit"));
    QTest::keyClick(v, Qt::Key_Enter);
  });
  QVERIFY(ok);
  QCOMPARE(r, std::optional<int>(0));
}

void TestConsole::ctrlCEndsPackerNotProgram() {
  Program p;
  p.ctx.FormMain->show();
  p.session()->openConsole(false);
  std::optional<int> r;
  {
    EnvGuard env{{"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
    r = p.run(
        [&] { QTest::keyClick(p.session()->window()->view(), Qt::Key_C, Qt::ControlModifier); });
  }
  QCOMPARE(r, std::optional<int>(128 + SIGINT));
  // The program goes on: its windows are there and the next run works.
  QVERIFY(p.ctx.FormMain->isVisible());
  QVERIFY((p.session()->window() != nullptr));
  EnvGuard env{{"PACKHELM_STANDIN_EXIT", "2"}};
  QCOMPARE(p.run(), std::optional<int>(2));
}

void TestConsole::grandchildDoesNotHang() {
  Program p;
  EnvGuard env{{"PACKHELM_STANDIN_GRANDCHILD", "1"}, {"PACKHELM_STANDIN_EXIT", "1"}};
  p.session()->openConsole(false);
  QElapsedTimer t;
  t.start();
  QCOMPARE(p.run(), std::optional<int>(1));
  QVERIFY(t.elapsed() < 10000);
}

void TestConsole::windowsDisabledDuringRun() {
  Program p;
  p.ctx.FormMain->show();
  p.ctx.formOpt()->setEnabled(false);  // stays as it was
  EnvGuard env{{"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
  p.session()->openConsole(false);
  bool checked = false;
  const auto r = p.run([&] {
    for (QWidget* w : p.ctx.forms()) QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(p.session()->window()->isEnabled());
    QVERIFY(p.session()->isRunning());
    // No second run while one is going on.
    QVERIFY(!p.ctx.engine->start(JobSpec{}));
    checked = true;
    QTest::keyClicks(p.session()->window()->view(), QStringLiteral("quit\r"));
  });
  QVERIFY(checked);
  QCOMPARE(r, std::optional<int>(0));
  QVERIFY(!p.session()->isRunning());
  for (QWidget* w : p.ctx.forms())
    QCOMPARE(w->isEnabled(), w != static_cast<QWidget*>(p.ctx.formOpt()));
}

void TestConsole::priorityIdle() {
  Program p;
  p.ctx.state.opt.GlobalOpt_PriorityClass = 64;
  EnvGuard env{{"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
  p.session()->openConsole(false);
  int nice = 1000;
  const auto r = p.run([&] {
    errno = 0;
    nice = ::getpriority(PRIO_PROCESS, id_t(ChildProcesses().value(0, -1)));
    QTest::keyClicks(p.session()->window()->view(), QStringLiteral("quit\r"));
  });
  QCOMPARE(r, std::optional<int>(0));
  QCOMPARE(nice, 19);
  QVERIFY(!screenContains(p.session()->screen(), QStringLiteral("priority")));
}

void TestConsole::priorityRealtimeEitherWay() {
  Program p;
  p.ctx.state.opt.GlobalOpt_PriorityClass = 256;
  EnvGuard env{{"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
  p.session()->openConsole(false);
  int nice = 1000;
  const auto r = p.run([&] {
    nice = ::getpriority(PRIO_PROCESS, id_t(ChildProcesses().value(0, -1)));
    QTest::keyClicks(p.session()->window()->view(), QStringLiteral("quit\r"));
  });
  QCOMPARE(r, std::optional<int>(0));
  const ScreenModel* s = p.session()->screen();
  // With the privilege the packer runs at -20 and nothing is said; without it, at 0 with one
  // dark-grey line right below the bar.
  if (nice == -20) {
    QVERIFY(!screenContains(s, QStringLiteral("priority")));
  } else {
    QCOMPARE(nice, 0);
    QVERIFY2(s->rowText(2).contains(QStringLiteral("priority")), qPrintable(ScreenText(s)));
    QCOMPARE(int(s->cell(2, 0).fg), 8);
  }
}

void TestConsole::selectionAndCopy() {
  Program p;
  EnvGuard env{{"PACKHELM_STANDIN_OUTPUT_BYTES", "96"}, {"PACKHELM_STANDIN_EXIT", "0"}};
  p.session()->openConsole(false);
  QCOMPARE(p.run(), std::optional<int>(0));
  ConsoleView* v = p.session()->window()->view();
  v->refresh();
  const QFontMetrics fm(v->font());
  const int cw = fm.horizontalAdvance(u'M'), lh = fm.height();
  // Drag from the start of row 2 to column 8 of row 3.
  QTest::mousePress(v->viewport(), Qt::LeftButton, {}, QPoint(1, 2 * lh + lh / 2));
  QMouseEvent move(QEvent::MouseMove, QPointF(8 * cw + 1, 3 * lh + lh / 2),
                   QPointF(v->viewport()->mapToGlobal(QPoint(8 * cw + 1, 3 * lh + lh / 2))),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(v->viewport(), &move);
  QTest::mouseRelease(v->viewport(), Qt::LeftButton, {}, QPoint(8 * cw + 1, 3 * lh + lh / 2));
  QCOMPARE(v->selectedText(),
           QStringLiteral("stand-in output line 0 ........................\nstand-in"));
  QApplication::clipboard()->clear();
  QTest::keyClick(v, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(QApplication::clipboard()->text(), v->selectedText());
}

// A real pack, then a full 80-column line as the packer's own output would bring it, rendered the
// way the window shows it: the pixels say what a user sees.
void TestConsole::viewReadsLikeATerminal() {
  Program p;
  const QByteArray file = p.dir.makeFile("tool.exe", 40000);
  p.session()->openConsole(false);
  QCOMPARE(AwaitRun(p.ctx, p.command(" " + file)), std::optional<int>(0));
  ConsoleWindow* w = p.session()->window();
  ConsoleView* v = w->view();
  ScreenModel* s = p.session()->screen();
  QVERIFY2(screenContains(s, QStringLiteral("Packed 1 file.")), qPrintable(ScreenText(s)));
  // Columns 70 to 80 hold the letters A to K.
  QByteArray line(69, '.');
  for (char c = 'A'; c <= 'K'; ++c) line += c;
  // Below it, a name with underscores (their glyphs may reach below the row) and a row of text.
  // Last, a row of bars, one in the first column, in every tenth and in the last.
  QByteArray bars(80, ' ');
  for (int c = 0; c < 80; c += 10) bars[c] = '|';
  bars[79] = '|';
  s->feed("\r\n" + line + "\r\n__________\r\nnext\r\n" + bars);
  v->refresh();
  int lineRow = -1;
  for (int r = 0; r < s->rows() && lineRow < 0; ++r)
    if (s->rowText(r) == QString::fromLatin1(line)) lineRow = r;
  QVERIFY2(lineRow >= 0, qPrintable(ScreenText(s)));
  const int top = v->topRow();
  QVERIFY(lineRow >= top && lineRow < top + v->visibleRows());

  // The window: 80 x 25 cells and the scroll bar, nothing cut off.
  QCOMPARE(v->visibleRows(), 25);
  QVERIFY(v->columnX(80) <= v->viewport()->width());
  QVERIFY(v->viewport()->width() - v->columnX(80) < 2);
  QCOMPARE(w->width(), v->sizeHint().width());

  const QImage img = v->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const qreal dpr = img.devicePixelRatio();
  // PACKHELM_SHOTS=FOLDER keeps the picture, for a person to look at.
  if (const QString shots = qEnvironmentVariable("PACKHELM_SHOTS"); !shots.isEmpty())
    QVERIFY(img.save(QDir(shots).filePath(
        QStringLiteral("console-%1.png").arg(QFontInfo(v->font()).family().remove(' ')))));
  auto lit = [](QRgb c) { return qMax(qRed(c), qMax(qGreen(c), qBlue(c))); };
  // Under the output (rows whose cells all have background 0 and grey text) the pixels are
  // black or the grey of the glyphs, never lighter; most of them are black.
  int outputRows = 0;
  for (int r = top; r < top + v->visibleRows(); ++r) {
    bool plain = true;
    for (int c = 0; c < 80 && plain; ++c) plain = s->cell(r, c).bg == 0 && s->cell(r, c).fg <= 8;
    if (!plain) continue;
    ++outputRows;
    int black = 0, all = 0;
    const int y0 = int((r - top) * v->lineHeight() * dpr),
              y1 = int((r - top + 1) * v->lineHeight() * dpr);
    for (int y = y0; y < y1 && y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) {
        const QRgb c = img.pixel(x, y);
        QVERIFY2(
            lit(c) <= 0xC0,
            qPrintable(
                QStringLiteral("row %1 pixel %2,%3 is %4").arg(r).arg(x).arg(y).arg(c, 0, 16)));
        black += c == qRgb(0, 0, 0);
        ++all;
      }
    QVERIFY2(black * 10 > all * 6,
             qPrintable(QStringLiteral("row %1: %2 of %3 black").arg(r).arg(black).arg(all)));
  }
  QVERIFY(outputRows >= 5);

  // Column 80 of the full line has its glyph inside its cell, and the cell inside the view.
  const int y0 = int((lineRow - top) * v->lineHeight() * dpr);
  auto inked = [&](int fromX, int toX) {
    int n = 0;
    for (int y = y0; y < y0 + int(v->lineHeight() * dpr); ++y)
      for (int x = qMax(0, fromX); x < qMin(toX, img.width()); ++x)
        n += lit(img.pixel(x, y)) > 0x40;
    return n;
  };
  QVERIFY(inked(int(v->columnX(79) * dpr), int(v->columnX(80) * dpr)) > 0);
  QCOMPARE(inked(int(v->columnX(80) * dpr) + 1, img.width()), 0);
  // The bars on their own cells and nothing in the blank ones: the glyphs keep to the grid over
  // the whole row, whatever the font's advance (a run drawn with another advance than the grid's
  // would drift off it, or out of the view).
  {
    int barsRow = -1;
    for (int r = 0; r < s->rows() && barsRow < 0; ++r)
      if (s->rowText(r) == QString::fromLatin1(bars)) barsRow = r;
    QVERIFY2(barsRow >= top && barsRow < top + v->visibleRows(), qPrintable(ScreenText(s)));
    const int by0 = int((barsRow - top) * v->lineHeight() * dpr);
    for (int c = 0; c < 80; ++c) {
      int n = 0;
      for (int y = by0; y < by0 + int(v->lineHeight() * dpr); ++y)
        for (int x = int(v->columnX(c) * dpr); x < int(v->columnX(c + 1) * dpr); ++x)
          n += lit(img.pixel(x, y)) > 0x40;
      QVERIFY2((n > 0) == (bars[c] == '|'), qPrintable(QStringLiteral("column %1").arg(c + 1)));
    }
  }
  // The underscores show, in their row or just below it, not painted over by the next row.
  {
    int n = 0;
    const int uy0 = int((lineRow + 1 - top) * v->lineHeight() * dpr);
    for (int y = uy0; y < uy0 + int((v->lineHeight() + 3) * dpr) && y < img.height(); ++y)
      for (int x = 0; x < int(v->columnX(10) * dpr); ++x) n += lit(img.pixel(x, y)) > 0x20;
    QVERIFY2(n >= int(v->columnX(8) * dpr), qPrintable(QString::number(n)));
  }

  // A drag over columns 70 to 80 copies the characters whose cells (as painted) it covers: a
  // pointer in the left half of a cell takes it in at the start and leaves it out at the end,
  // in the right half the other way round. Every pixel of the first and the last cell is tried
  // (but the middle one of a cell with an odd width, which is neither).
  const int y = (lineRow - top) * v->lineHeight() + v->lineHeight() / 2;
  auto drag = [&](int fromX, int toX) {
    const QPoint from(fromX, y), to(toX, y);
    QTest::mousePress(v->viewport(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(v->viewport()->mapToGlobal(to)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(v->viewport(), &move);
    QTest::mouseRelease(v->viewport(), Qt::LeftButton, {}, to);
    return v->selectedText();
  };
  const QString all = QStringLiteral("ABCDEFGHIJK");
  for (const int column : {69, 79}) {
    const int left = v->columnX(column), right = v->columnX(column + 1);
    for (int x = left; x < right; ++x) {
      if (2 * x + 1 == left + right) continue;
      const bool leftHalf = 2 * x + 1 < left + right;
      const QString where = QStringLiteral("pixel %1 of cell %2..%3").arg(x).arg(left).arg(right);
      if (column == 69)
        QVERIFY2(drag(x, v->columnX(80) - 1) == (leftHalf ? all : all.mid(1)), qPrintable(where));
      else
        QVERIFY2(drag(v->columnX(69), x) == (leftHalf ? all.chopped(1) : all), qPrintable(where));
    }
  }
  QCOMPARE(drag(v->columnX(69), v->columnX(80) - 1), all);
  QApplication::clipboard()->clear();
  QTest::keyClick(v, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("ABCDEFGHIJK"));
}

void TestConsole::closingConsoleDuringRunEndsPacker() {
  Program p;
  p.ctx.FormMain->show();
  EnvGuard env{{"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
  p.session()->openConsole(false);
  QSignalSpy closed(p.session(), &ConsoleSession::consoleClosedByUser);
  qint64 pid = -1;
  const auto r = p.run([&] {
    pid = ChildProcesses().value(0, -1);
    QVERIFY(pidExists(pid));
    p.session()->window()->close();
  });
  QVERIFY(pid > 0);
  QVERIFY(!pidExists(pid));
  QVERIFY(r.has_value());
  QCOMPARE(closed.size(), 1);
  QVERIFY(p.session()->closedByUser());
  QVERIFY(!(p.session()->window() != nullptr));
  QVERIFY(!p.ctx.FormMain->isVisible());
  QVERIFY(!p.session()->isRunning());
}

// Stop, Esc and Ctrl+C reach the console as the window system delivers them (so a window that a
// modal dialog blocks would not get them), whatever note, message or dialog is up at the time.
void TestConsole::stopAnswersWhateverIsUp_data() {
  QTest::addColumn<QString>("up");
  QTest::addColumn<QString>("how");
  for (const char* up : {"first-console note", "message", "options"})
    for (const char* how : {"Stop", "Esc", "Ctrl+C"})
      QTest::addRow("%s, %s", up, how) << QString::fromLatin1(up) << QString::fromLatin1(how);
}

void TestConsole::stopAnswersWhateverIsUp() {
  QFETCH(QString, up);
  QFETCH(QString, how);
  Program p;
  p.ctx.FormMain->show();
  p.ctx.state.opt.GlobalOpt_FirstTimeShowConsol = up == QLatin1String("first-console note") ? 0 : 1;
  Prompts::Test().active = false;
  const auto scripted = qScopeGuard([] { Prompts::Test().active = true; });
  // The stand-in waits for input that never comes: only a stop ends it.
  EnvGuard env{{"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
  p.session()->openConsole(false);
  QPointer<QWidget> shown;
  bool stopped = false;
  const auto r = AwaitRun(
      p.ctx, p.command(),
      [&] {
        if (up == QLatin1String("message"))
          Prompts::Message(p.ctx.FormMain, Prompts::Icon::Error, QStringLiteral("note"),
                           QStringLiteral("cap"));
        else if (up == QLatin1String("options"))
          emit p.ctx.FormMain->optionsRequested();
        QTRY_VERIFY(shown = up == QLatin1String("first-console note")
                                ? shownNote()
                                : QApplication::activeModalWidget());
        ConsoleWindow* console = p.session()->window();
        QWindow* window = console->windowHandle();
        QVERIFY(window);
        if (how == QLatin1String("Stop")) {
          auto* stop = console->findChild<QPushButton*>(QStringLiteral("ButtonStop"));
          QTRY_VERIFY(stop->isEnabled());
          QTest::mouseClick(window, Qt::LeftButton, {},
                            stop->mapTo(console, stop->rect().center()));
        } else if (how == QLatin1String("Esc")) {
          QTest::keyClick(window, Qt::Key_Escape);
        } else {
          QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier);
        }
        stopped = true;
      },
      {}, 15000);
  QVERIFY(stopped);
  QVERIFY2(r.has_value(), "the run went on behind what was up");
  // What was up is still there, for the user to read.
  QVERIFY(shown && shown->isVisible());
  shown->close();
}

// A screen reader reads the console's screen as text, under a name in the user's language, as
// the output comes; where a character is and which one is under a point.
void TestConsole::screenReadByAssistiveTechnology() {
  Program p;
  p.ctx.changeLanguage("German.lng");
  p.session()->openConsole(false);
  ConsoleView* v = p.session()->window()->view();
  ScreenModel* s = p.session()->screen();
  QAccessibleInterface* screen = QAccessible::queryAccessibleInterface(v);
  QCOMPARE(screen->role(), QAccessible::Terminal);
  QCOMPARE(screen->text(QAccessible::Name), p.ctx.state.langText(LangText::ConsoleScreen));
  QCOMPARE(screen->text(QAccessible::Description),
           p.ctx.state.langText(LangText::ConsoleScreenHint));
  QAccessibleTextInterface* text = screen->textInterface();
  QVERIFY(text);
  const auto all = [&] { return text->text(0, text->characterCount()); };
  v->refresh();
  const QString before = all();
  QCOMPARE(before.count(u'\n'), v->visibleRows() - 1);
  QVERIFY2(before.contains(QLatin1String("UPX + Packhelm")), qPrintable(before));
  s->feed("\r\npacking tool.exe: 45%\r\n");
  v->refresh();
  QVERIFY(all().contains(QLatin1String("packing tool.exe: 45%\n")));
  // The cursor, and characters by place.
  const int at = int(all().indexOf(QLatin1String("tool.exe")));
  QCOMPARE(text->text(at, at + 4), QStringLiteral("tool"));
  const QRect r = text->characterRect(at);
  QVERIFY(!r.isEmpty());
  QCOMPARE(text->offsetAtPoint(r.topLeft() + QPoint(1, r.height() / 2)), at);
  QCOMPARE(text->cursorPosition(), int(all().indexOf(QLatin1String("45%\n")) + 4));
  p.session()->closeConsole();
}

// What a screen reader is told of a change: the changed part alone.
void TestConsole::screenChanges_data() {
  QTest::addColumn<QString>("before");
  QTest::addColumn<QString>("after");
  QTest::addColumn<int>("position");
  QTest::addColumn<QString>("removed");
  QTest::addColumn<QString>("inserted");
  QTest::newRow("output added") << "a\nb\n\n"
                                << "a\nb\nc\n"
                                << 4 << ""
                                << "c";
  QTest::newRow("progress rewritten") << "x  35%\n"
                                      << "x  40%\n"
                                      << 3 << "35"
                                      << "40";
  QTest::newRow("scrolled") << "1\n2\n3"
                            << "2\n3\n4" << 0 << "1\n2\n3"
                            << "2\n3\n4";
  QTest::newRow("same") << "abc"
                        << "abc" << 3 << ""
                        << "";
  QTest::newRow("repeated letters") << "aa"
                                    << "aaa" << 2 << ""
                                    << "a";
  QTest::newRow("from nothing") << ""
                                << "ab" << 0 << ""
                                << "ab";
}
void TestConsole::screenChanges() {
  QFETCH(QString, before);
  QFETCH(QString, after);
  QFETCH(int, position);
  QFETCH(QString, removed);
  QFETCH(QString, inserted);
  const ConsoleView::Change c = ConsoleView::changeBetween(before, after);
  QCOMPARE(c.position, position);
  QCOMPARE(c.removed, removed);
  QCOMPARE(c.inserted, inserted);
}

// A run takes the keys to the console, open already or not (the main window takes none while it
// runs); Tab moves on to Stop, which Space presses: a run stops without a mouse.
void TestConsole::stopReachedByTab() {
  Program p;
  EnvGuard env{{"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
  p.session()->openConsole(false);
  p.ctx.FormMain->show();
  QApplication::setActiveWindow(p.ctx.FormMain);
  bool reached = false;
  const auto r = p.run([&] {
    ConsoleView* v = p.session()->window()->view();
    QTRY_COMPARE(QApplication::activeWindow(), p.session()->window());
    QCOMPARE(QApplication::focusWidget(), v);
    QTest::keyClick(v, Qt::Key_Tab);
    QPushButton* stop = p.session()->window()->stopButton();
    QCOMPARE(QApplication::focusWidget(), stop);
    reached = true;
    QTest::keyClick(stop, Qt::Key_Space);
  });
  QVERIFY(reached);
  QVERIFY(p.last->outcome.stoppedByUser);
  QVERIFY(r != std::optional<int>(0));
}

QTEST_MAIN(TestConsole)
#include "test_console.moc"
