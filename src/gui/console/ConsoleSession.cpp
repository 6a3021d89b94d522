// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/ConsoleSession.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QScopeGuard>
#include <algorithm>
#include <csignal>

#include "core/batch/RunGroups.h"
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

// The context menu speaks the language of the moment it opens, also after a change.
void followLanguage(ConsoleView* view, const ProgramState& state) {
  QObject::connect(view, &ConsoleView::menuAboutToShow, view, [view, &state] {
    view->setMenuTexts(state.langText(LangText::ConsoleCopy),
                       state.langText(LangText::ConsoleSelectAll));
  });
}

ConsoleWindow* makeConsoleWindow(const ProgramState& state) {
  auto* screen = new ScreenModel(kBufferColumns, kBufferRows);
  auto* window = new ConsoleWindow(screen);
  screen->setParent(window);
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  followLanguage(window->view(), state);
  return window;
}

// The screens of several runs at once; together they take about the height of one console.
QList<ScreenModel*> makePanes(int count) {
  QList<ScreenModel*> screens;
  const int rows = qMax(8, kWindowRows / qMax(count, 1));
  for (int i = 0; i < count; ++i) {
    auto* screen = new ScreenModel(kBufferColumns, kBufferRows);
    screen->setWindowRect(0, 0, kBufferColumns - 1, rows - 1);
    screen->setCursorVisible(false);
    screens.append(screen);
  }
  return screens;
}

// The header line of a run's pane: its number and its number of files.
QString paneHeader(const ProgramState& state, int run, int runs, int files) {
  return state.langText(LangText::RunHeader, QString::number(run), QString::number(runs)) +
         QStringLiteral(" \u2014 ") + state.langText(LangText::RunFiles, QString::number(files));
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
  qDeleteAll(runners_);
  runners_.clear();
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
  const QList<qint64> pids = packerPids();
  return pids.isEmpty() ? -1 : pids.first();
}

QList<qint64> ConsoleSession::packerPids() const {
  QList<qint64> pids;
  for (const PtyRunner* r : runners_)
    if (r && r->isRunning()) pids.append(r->pid());
  return pids;
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
  return runAll({commandLine}, {});
}

std::optional<int> ConsoleSession::RunPackers(const QList<QByteArray>& commandLines,
                                              const QList<int>& fileCounts) {
  if (commandLines.size() <= 1)
    return commandLines.isEmpty() ? std::nullopt : RunPacker(commandLines.first());
  QList<int> counts = fileCounts;
  counts.resize(commandLines.size());
  return runAll(commandLines, counts);
}

std::optional<int> ConsoleSession::runAll(const QList<QByteArray>& commandLines,
                                          const QList<int>& fileCounts) {
  if (isRunning() || closedByUser_) return std::nullopt;
  const bool several = commandLines.size() > 1;
  QList<QList<QByteArray>> argLists;
  QList<RunLeftovers> leftovers;
  for (const QByteArray& commandLine : commandLines) {
    const QList<QByteArray> args = CommandLine::SplitCommandLine(commandLine);
    if (args.isEmpty()) return std::nullopt;
    argLists.append(args);
    // What is beside the inputs and at the output now, to know later what the run made.
    leftovers.append(RunLeftovers(args));
  }

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
  // One run writes to the console's own screen, several each to a pane of their own.
  QList<ScreenModel*> screens;
  if (several) {
    screens = makePanes(int(fileCounts.size()));
    QStringList headers;
    for (int i = 0; i < fileCounts.size(); ++i)
      headers << paneHeader(state_, i + 1, int(fileCounts.size()), fileCounts[i]);
    runWindow_->setPanes(screens, headers);
    for (ConsoleView* pane : runWindow_->panes()) followLanguage(pane, state_);
  } else {
    runWindow_->clearPanes();
    screens = {runWindow_->model()};
  }

  const int nice = PtyRunner::NiceForPriorityClass(state_.opt.GlobalOpt_PriorityClass);
  for (qsizetype i = 0; i < argLists.size(); ++i) {
    auto* runner = new PtyRunner(this);
    runners_.append(runner);
    if (!runner->start(argLists[i], nice, screens[i]->columns(), screens[i]->rows())) {
      // A job runs whole or not at all: the packers already started are ended, and what they
      // left unfinished goes.
      for (qsizetype k = 0; k < runners_.size(); ++k) {
        runners_[k]->terminate();
        if (runners_[k]->termSignal() != 0) leftovers[k].RemoveLeft();
      }
      qDeleteAll(runners_);
      runners_.clear();
      return std::nullopt;
    }
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
  // The spelling of a switch was guessed: say so where the packer's answer will show.
  const QByteArray versioned = state_.packer().crpSwitch.trimmed();
  for (qsizetype i = 0; i < runners_.size(); ++i) {
    PtyRunner* runner = runners_[i];
    ScreenModel* screen = screens[i];
    const QList<QByteArray>& args = argLists[i];
    if (runner->priorityRefused())
      screen->writeNote(state_.langText(LangText::PriorityNotRaised).toUtf8(), 8, 0);
    if (!state_.packer().known() && std::any_of(args.begin(), args.end(), [&](const QByteArray& a) {
          return a.startsWith(versioned);
        }))
      screen->writeNote(state_.langText(LangText::VersionUnknown).toUtf8(), 8, 0);
    connect(runner, &PtyRunner::output, screen, qOverload<const QByteArray&>(&ScreenModel::feed));
    connect(screen, &ScreenModel::input, runner, &PtyRunner::write);
  }

  // While the packer runs, only the console takes input.
  QList<QPointer<QWidget>> disabled;
  for (QWidget* w : windows_())
    if (w->isEnabled()) {
      w->setEnabled(false);
      disabled << w;
    }

  QEventLoop loop;
  loop_ = &loop;
  // The job ends when its last packer has.
  qsizetype running = runners_.size();
  for (PtyRunner* runner : std::as_const(runners_))
    connect(runner, &PtyRunner::finished, &loop, [&running, &loop] {
      if (--running == 0) loop.quit();
    });
  emit runStarted();
  if (running > 0) loop.exec();
  loop_ = nullptr;
  // The loop also ends when the program quits: the packers go with it.
  QList<RunOutcome> outcomes;
  const QList<PtyRunner*> runners = runners_;
  runners_.clear();
  for (qsizetype i = 0; i < argLists.size(); ++i) {
    RunOutcome outcome = RunOutcome::Exited(128 + SIGKILL);
    outcome.signal = SIGKILL;
    if (i < runners.size()) {
      PtyRunner* runner = runners[i];
      runner->terminate();
      outcome.exitCode = runner->exitCode();
      outcome.signal = runner->termSignal();
      runner->disconnect();
      if (runWindow_) screens[i]->disconnect(runner);
      runner->deleteLater();
    }
    outcomes.append(outcome);
  }
  if (runWindow_) {
    // An unfinished sequence of a packer's ends with its run, before Packhelm writes its notes.
    for (ScreenModel* screen : std::as_const(screens)) screen->finishOutput();
    runWindow_->setStopEnabled(false);
    disconnect(runWindow_, &ConsoleWindow::stopRequested, this, &ConsoleSession::StopRun);
  }
  // A packer that was stopped or killed had no chance to clear up its temporary or partial
  // files; one that exited on its own has dealt with them.
  for (qsizetype i = 0; i < outcomes.size(); ++i) {
    RunOutcome& outcome = outcomes[i];
    if (outcome.endedNormally()) continue;
    outcome.removed = leftovers[i].RemoveLeft();
    if (runWindow_ && !outcome.removed.isEmpty()) {
      ScreenModel* s = screens[i];
      // The packer may have been cut off in the middle of a line.
      if (s->cursorColumn() != 0) s->writeConsoleText("\n");
      for (const QByteArray& path : outcome.removed)
        s->writeNote(state_.langText(LangText::ConsoleRemoved, shownName(path)).toUtf8(), 8, 0);
    }
  }
  // The job's outcome is its worst run's, with every run's removed files.
  QList<int> codes;
  for (const RunOutcome& o : std::as_const(outcomes)) codes.append(o.exitCode);
  RunOutcome outcome = outcomes[RunGroups::WorstRun(codes)];
  outcome.removed.clear();
  for (const RunOutcome& o : std::as_const(outcomes)) outcome.removed += o.removed;
  outcome.stoppedByUser = stopRequested_;
  lastRun_ = outcome;
  if (runWindow_) {
    runWindow_->view()->refresh();
    for (ConsoleView* pane : runWindow_->panes()) pane->refresh();
  }

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
  if (runners_.isEmpty() || !loop_) return;
  stopRequested_ = true;
  for (PtyRunner* runner : std::as_const(runners_)) runner->stop(PtyRunner::kStopGraceMs);
}

void ConsoleSession::programConsoleClosed() {
  closedByUser_ = true;
  open_ = false;
  // The main window writes the settings as it closes.
  emit consoleClosedByUser();
  if (!runners_.isEmpty() && loop_) stopRequested_ = true;
  for (PtyRunner* runner : std::as_const(runners_)) runner->terminate();
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
