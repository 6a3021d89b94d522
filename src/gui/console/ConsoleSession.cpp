#include "gui/console/ConsoleSession.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QScopeGuard>

#include "core/console/ConsoleEx.h"
#include "core/console/PtyRunner.h"
#include "core/console/ScreenModel.h"
#include "core/packer/CommandLine.h"
#include "core/settings/ProgramState.h"
#include "gui/console/TConsoleWindow.h"
#include "gui/widgets/ConsoleView.h"
#include "gui/widgets/Prompts.h"

namespace {

constexpr int kBufferColumns = 80;
constexpr int kBufferRows = 300;
constexpr int kWindowRows = 25;

TConsoleWindow* makeConsoleWindow(const ProgramState& state) {
  auto* screen = new ScreenModel(kBufferColumns, kBufferRows);
  auto* window = new TConsoleWindow(screen);
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

void showConsole(TConsoleWindow* window) {
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
  connect(window_, &TConsoleWindow::closedByUser, this, &ConsoleSession::programConsoleClosed);
  ConsoleEx::SetCurrent(window_->model());
  showConsole(window_);
}

void ConsoleSession::freeConsole() {
  if (!window_) return;
  if (ConsoleEx::Current() == window_->model()) ConsoleEx::SetCurrent(nullptr);
  TConsoleWindow* w = window_;
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

  // Without a console of the program's own the packer gets one for this run only.
  TConsoleWindow* temporary = nullptr;
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
  if (temporary) {
    connect(temporary, &TConsoleWindow::closedByUser, runner_, &PtyRunner::terminate);
    showConsole(temporary);
  }
  if (runner_->priorityRefused())
    screen->writeNote(state_.langText(LangText::PriorityNotRaised).toUtf8(), 8, 0);
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
  int code = 128 + 9;
  if (runner_) {
    runner_->terminate();
    code = runner_->exitCode();
    runner_->disconnect();
    screen->disconnect(runner_);
    runner_->deleteLater();
    runner_ = nullptr;
  }
  if (runWindow_) {
    runWindow_->model()->finishOutput();
    runWindow_->view()->refresh();
  }

  for (const QPointer<QWidget>& w : disabled)
    if (w) w->setEnabled(true);
  if (freeAfterRun_) {
    freeAfterRun_ = false;
    if (!open_) freeConsole();
  }
  emit runFinished(code);
  return code;
}

void ConsoleSession::programConsoleClosed() {
  closedByUser_ = true;
  open_ = false;
  // The main window writes the settings as it closes.
  emit consoleClosedByUser();
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

void ConsoleSession::ReportExit(int exitCode) {
  static constexpr LangText statusTexts[] = {LangText::StatusDone, LangText::StatusError,
                                             LangText::StatusWarning};
  if (exitCode < 0 || exitCode > 2) return;
  emit exitReported(exitCode, state_.langText(statusTexts[exitCode]));
}

void ConsoleSession::ReportStartFailure() {
  Prompts::Message(nullptr, Prompts::Icon::Error, state_.langText(LangText::StartFailure),
                   state_.langText(LangText::ErrorCaption));
}
