#include "gui/console/ConsoleSession.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QScopeGuard>
#include <algorithm>
#include <csignal>

#include "core/console/ConsoleEx.h"
#include "core/console/PtyRunner.h"
#include "core/console/ScreenModel.h"
#include "core/packer/CommandLine.h"
#include "core/packer/RunLeftovers.h"
#include "core/settings/ProgramState.h"
#include "gui/console/ConsoleWindow.h"
#include "gui/widgets/ConsoleView.h"
#include "gui/widgets/Prompts.h"

namespace {

constexpr int kBufferColumns = 80;
constexpr int kBufferRows = 300;
constexpr int kWindowRows = 25;

ConsoleWindow* makeConsoleWindow(const ProgramState& state) {
  auto* screen = new ScreenModel(kBufferColumns, kBufferRows);
  auto* window = new ConsoleWindow(screen);
  screen->setParent(window);
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  // The context menu speaks the language of the moment it opens, also after a change.
  ConsoleView* view = window->view();
  QObject::connect(view, &ConsoleView::menuAboutToShow, view, [view, &state] {
    view->setMenuTexts(state.langText(LangText::ConsoleCopy),
                       state.langText(LangText::ConsoleSelectAll));
  });
  return window;
}

// A file name as the console shows it: control characters (which would move the cursor or
// start an escape sequence) and bytes that are not UTF-8 become visible marks.
QString shownName(const QByteArray& path) {
  QString name = QString::fromUtf8(path);
  for (QChar& c : name)
    if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
      c = QChar(u'?');
  return name;
}

void showConsole(ConsoleWindow* window) {
  window->show();
  window->raise();
  window->activateWindow();
  window->view()->setFocus(Qt::OtherFocusReason);
}

}  // namespace

ConsoleSession::ConsoleSession(ProgramState& state, std::function<QList<QWidget*>()> windows,
                               QObject* parent)
    : QObject(parent), state_(state), windows_(std::move(windows)) {}

ConsoleSession::~ConsoleSession() {
  // No packer outlives the program.
  delete runner_;
  runner_ = nullptr;
  if (loop_) loop_->quit();
  delete runWindow_.data();
  if (window_ && window_ != runWindow_) delete window_.data();
}

ScreenModel* ConsoleSession::screen() const {
  return window_ ? window_->model() : nullptr;
}

bool ConsoleSession::isRunning() const {
  return loop_ != nullptr;
}

qint64 ConsoleSession::packerPid() const {
  return runner_ && runner_->isRunning() ? runner_->pid() : -1;
}

void ConsoleSession::allocConsole() {
  // A new console starts empty.
  freeConsole();
  window_ = makeConsoleWindow(state_);
  connect(window_, &ConsoleWindow::closedByUser, this, &ConsoleSession::programConsoleClosed);
  ConsoleEx::SetCurrent(window_->model());
  showConsole(window_);
}

void ConsoleSession::freeConsole() {
  if (!window_) return;
  if (ConsoleEx::Current() == window_->model()) ConsoleEx::SetCurrent(nullptr);
  ConsoleWindow* w = window_;
  window_ = nullptr;
  w->disconnect(this);
  w->hide();
  w->deleteLater();
}

void ConsoleSession::OpenConsole(bool forced) {
  const GlobalOptions& opt = state_.opt;
  if (!open_ && (opt.closeCon() != CloseCon::AfterEveryRun || forced)) {
    if (opt.GlobalOpt_FirstTimeShowConsol == 0) emit firstConsoleOpening();
    allocConsole();
    ConsoleEx::ConsoleSetBufferSize(kBufferColumns, kBufferRows);
    ConsoleEx::ConsoleSetWindowRect(true, 0, 0, kBufferColumns - 1, kWindowRows - 1);
    int columns = 0, rows = 0;
    ConsoleEx::ConsoleGetScreenSize(columns, rows);
    ConsoleEx::ConsoleHideCursor();
    open_ = true;
    drawHeaderBar(true, columns);
  } else if (open_) {
    ConsoleEx::SetCurrent(screen());
    if (window_ && !window_->isVisible()) showConsole(window_);
    int columns = 0, rows = 0;
    ConsoleEx::ConsoleGetScreenSize(columns, rows);
    ConsoleEx::ConsoleHideCursor();
    drawHeaderBar(false, columns);
  }
}

void ConsoleSession::drawHeaderBar(bool newConsole, int columns) {
  using namespace ConsoleEx;
  const QByteArray title(ConsoleTitle);
  ConsoleSetTitle(title);
  ConsoleSetTextAttr(15, 9);
  if (newConsole)
    ConsoleGotoX(0);
  else
    ConsoleWriteLn("");
  for (int i = 0; i < columns; ++i) ConsoleWrite(" ");
  ConsoleSetTextAttr(15, 9);
  const quint16 x = quint16(quint16((columns - 1) / 2) - quint16(title.size() / 2));
  ConsoleGotoXY(x, quint16(ConsoleWhereY() - 1));
  ConsoleWriteLn(title);
  ConsoleSetTextAttr(8, 0);
  ConsoleWriteLn("");
}

void ConsoleSession::CloseConsole() {
  open_ = false;
  // The console the packer is writing to stays until the run is over.
  if (isRunning() && runWindow_ && runWindow_ == window_) {
    freeAfterRun_ = true;
    return;
  }
  freeConsole();
}

std::optional<int> ConsoleSession::RunPacker(const QByteArray& commandLine) {
  if (isRunning() || closedByUser_) return std::nullopt;
  const QList<QByteArray> args = CommandLine::SplitCommandLine(commandLine);
  if (args.isEmpty()) return std::nullopt;
  // What is beside the inputs and at the output now, to know later what the run made.
  const RunLeftovers leftovers(args);

  // Without a console of the program's own the packer gets one for this run only.
  ConsoleWindow* temporary = nullptr;
  if (open_ && window_) {
    runWindow_ = window_;
    if (!window_->isVisible()) showConsole(window_);
  } else {
    temporary = makeConsoleWindow(state_);
    temporary->model()->setTitle(QString::fromLatin1(ConsoleTitle));
    runWindow_ = temporary;
  }
  auto dropTemporary = qScopeGuard([&] {
    if (temporary) {
      temporary->hide();
      temporary->deleteLater();
    } else if (runWindow_ && runWindow_ != window_) {
      // The program's console was given up during the run.
      runWindow_->hide();
      runWindow_->deleteLater();
    }
    runWindow_ = nullptr;
  });
  ScreenModel* screen = runWindow_->model();

  delete runner_;
  runner_ = new PtyRunner(this);
  const int nice = PtyRunner::NiceForPriorityClass(state_.opt.GlobalOpt_PriorityClass);
  if (!runner_->start(args, nice, screen->columns(), screen->rows())) {
    delete runner_;
    runner_ = nullptr;
    return std::nullopt;
  }
  stopRequested_ = false;
  // Closing a console of the run's own stops the run, as Stop does.
  if (temporary) {
    connect(temporary, &ConsoleWindow::closedByUser, this, &ConsoleSession::StopRun);
    showConsole(temporary);
  }
  runWindow_->setStopTexts(state_.langText(LangText::StopButton),
                           state_.langText(LangText::StopHint));
  connect(runWindow_, &ConsoleWindow::stopRequested, this, &ConsoleSession::StopRun);
  runWindow_->setStopEnabled(true);
  if (runner_->priorityRefused())
    screen->writeNote(state_.langText(LangText::PriorityNotRaised).toUtf8(), 8, 0);
  // The spelling of a switch was guessed: say so where the packer's answer will show.
  const QByteArray versioned = state_.packer().crpSwitch.trimmed();
  if (!state_.packer().known() && std::any_of(args.begin(), args.end(), [&](const QByteArray& a) {
        return a.startsWith(versioned);
      }))
    screen->writeNote(state_.langText(LangText::VersionUnknown).toUtf8(), 8, 0);
  connect(runner_, &PtyRunner::output, screen, qOverload<const QByteArray&>(&ScreenModel::feed));
  connect(screen, &ScreenModel::input, runner_, &PtyRunner::write);

  // While the packer runs, only the console takes input.
  QList<QPointer<QWidget>> disabled;
  for (QWidget* w : windows_())
    if (w->isEnabled()) {
      w->setEnabled(false);
      disabled << w;
    }

  QEventLoop loop;
  loop_ = &loop;
  connect(runner_, &PtyRunner::finished, &loop, &QEventLoop::quit);
  emit runStarted();
  if (runner_->isRunning()) loop.exec();
  loop_ = nullptr;
  // The loop also ends when the program quits: the packer goes with it.
  RunOutcome outcome = RunOutcome::Exited(128 + SIGKILL);
  outcome.signal = SIGKILL;
  if (runner_) {
    runner_->terminate();
    outcome.exitCode = runner_->exitCode();
    outcome.signal = runner_->termSignal();
    runner_->disconnect();
    screen->disconnect(runner_);
    runner_->deleteLater();
    runner_ = nullptr;
  }
  outcome.stoppedByUser = stopRequested_;
  if (runWindow_) {
    // An unfinished sequence of the packer's ends with the run, before Packhelm writes its notes.
    runWindow_->model()->finishOutput();
    runWindow_->setStopEnabled(false);
    disconnect(runWindow_, &ConsoleWindow::stopRequested, this, &ConsoleSession::StopRun);
  }
  // A packer that was stopped or killed had no chance to clear up its temporary or partial
  // files; one that exited on its own has dealt with them.
  if (!outcome.endedNormally()) {
    outcome.removed = leftovers.RemoveLeft();
    if (runWindow_ && !outcome.removed.isEmpty()) {
      ScreenModel* s = runWindow_->model();
      // The packer may have been cut off in the middle of a line.
      if (s->cursorColumn() != 0) s->writeConsoleText("\n");
      for (const QByteArray& path : outcome.removed)
        s->writeNote(state_.langText(LangText::ConsoleRemoved, shownName(path)).toUtf8(), 8, 0);
    }
  }
  lastRun_ = outcome;
  if (runWindow_) runWindow_->view()->refresh();

  for (const QPointer<QWidget>& w : disabled)
    if (w) w->setEnabled(true);
  if (freeAfterRun_) {
    freeAfterRun_ = false;
    if (!open_) freeConsole();
  }
  emit runFinished(outcome.exitCode);
  return outcome.exitCode;
}

void ConsoleSession::StopRun() {
  if (!runner_ || !loop_) return;
  stopRequested_ = true;
  runner_->stop(PtyRunner::kStopGraceMs);
}

void ConsoleSession::programConsoleClosed() {
  closedByUser_ = true;
  open_ = false;
  // The main window writes the settings as it closes.
  emit consoleClosedByUser();
  if (runner_ && loop_) stopRequested_ = true;
  if (runner_) runner_->terminate();
  if (loop_) loop_->quit();
  if (window_) {
    if (ConsoleEx::Current() == window_->model()) ConsoleEx::SetCurrent(nullptr);
    window_->disconnect(this);
    if (runWindow_ != window_) window_->deleteLater();
    window_ = nullptr;
  }
  QCoreApplication::quit();
}

void ConsoleSession::ReportExit(const RunOutcome& o) {
  static constexpr LangText statusTexts[] = {LangText::StatusDone, LangText::StatusError,
                                             LangText::StatusWarning};
  QString text;
  if (o.stoppedByUser && (o.signal != 0 || o.exitCode != 0))
    text = state_.langText(LangText::StatusStopped);
  else if (o.signal != 0)
    text = state_.langText(LangText::StatusSignal,
                           QString::fromLatin1(PtyRunner::SignalName(o.signal)));
  else if (o.exitCode >= 0 && o.exitCode <= 2)
    text = state_.langText(statusTexts[o.exitCode]);
  else
    text = state_.langText(LangText::StatusExitCode, QString::number(o.exitCode));
  if (!o.removed.isEmpty())
    text += u' ' + state_.langText(LangText::StatusRemoved, QString::number(o.removed.size()));
  emit exitReported(o.exitCode, text);
}

void ConsoleSession::ReportStartFailure() {
  Prompts::Message(nullptr, Prompts::Icon::Error, state_.langText(LangText::StartFailure),
                   state_.langText(LangText::ErrorCaption));
}
