// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/ConsoleSession.h"

#include <QCoreApplication>
#include <QHash>
#include <QLabel>
#include <algorithm>
#include <csignal>

#include "core/batch/RunGroups.h"
#include "core/console/ConsoleEx.h"
#include "core/console/EchoedNames.h"
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

// What assistive technology calls the screen and how it describes it, in the current language.
void nameScreen(ConsoleWindow* window, const ProgramState& state) {
  window->setScreenTexts(state.langText(LangText::ConsoleScreen),
                         state.langText(LangText::ConsoleScreenHint));
}

ConsoleWindow* makeConsoleWindow(const ProgramState& state) {
  auto* screen = new ScreenModel(kBufferColumns, kBufferRows);
  auto* window = new ConsoleWindow(screen);
  screen->setParent(window);
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  followLanguage(window->view(), state);
  nameScreen(window, state);
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

// A file name as the console shows it: control characters (which would move the cursor or
// start an escape sequence) and bytes that are not UTF-8 become visible marks.
QString shownName(const QByteArray& path) {
  QString name = QString::fromUtf8(path);
  for (QChar& c : name)
    if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
      c = QChar(u'?');
  return name;
}

// The header line of a run's pane: its number and its number of files, or its label.
QString paneHeader(const ProgramState& state, int run, int runs, int files,
                   const QByteArray& label) {
  return state.langText(LangText::RunHeader, QString::number(run), QString::number(runs)) +
         QStringLiteral(" \u2014 ") +
         (label.isEmpty() ? state.langText(LangText::RunFiles, QString::number(files))
                          : shownName(label));
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
    : QObject(parent), state_(state), windows_(std::move(windows)) {
  // The program may end while a run goes on: its packers end with it, and the run ends as usual
  // (their unfinished files removed).
  if (QCoreApplication* app = QCoreApplication::instance())
    connect(app, &QCoreApplication::aboutToQuit, this, &ConsoleSession::terminateRun);
}

ConsoleSession::~ConsoleSession() {
  // No packer outlives the program; a run cut off here reports nothing.
  for (PtyRunner* runner : std::as_const(runners_))
    if (runner) runner->disconnect(this);
  qDeleteAll(runners_);
  runners_.clear();
  delete runWindow_.data();
  if (window_ && window_ != runWindow_) delete window_.data();
}

ScreenModel* ConsoleSession::screen() const {
  return window_ ? window_->model() : nullptr;
}

bool ConsoleSession::isRunning() const {
  return run_ != nullptr;
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
    const bool firstTime = opt.GlobalOpt_FirstTimeShowConsol == 0;
    allocConsole();
    ConsoleEx::ConsoleSetBufferSize(kBufferColumns, kBufferRows);
    ConsoleEx::ConsoleSetWindowRect(true, 0, 0, kBufferColumns - 1, kWindowRows - 1);
    int columns = 0, rows = 0;
    ConsoleEx::ConsoleGetScreenSize(columns, rows);
    ConsoleEx::ConsoleHideCursor();
    open_ = true;
    drawHeaderBar(true, columns);
    // After the console is on screen, so that the note shows above it; the run does not wait.
    if (firstTime) emit firstConsoleOpening();
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

// What one run holds from its start to its end.
struct ConsoleSession::Run {
  QList<QList<QByteArray>> argLists;
  // What was beside the inputs and at the output before the run, to know later what it made.
  QList<RunLeftovers> leftovers;
  QList<int> fileCounts;     // empty for a single run
  QList<QByteArray> labels;  // each pane's label now, empty for none
  // A queue: each command's pane, each pane's command now, and the outcomes of the packers that
  // have ended and made way for the next (by command).
  Feeder next;
  QList<int> paneOf;
  QList<int> commandIn;
  QHash<int, RunOutcome> ended;
  // Without a console of the program's own the packer gets one for this run only.
  ConsoleWindow* temporary = nullptr;
  // One run writes to the console's own screen, several each to a pane of their own.
  QList<ScreenModel*> screens;
  QList<QPointer<QWidget>> disabled;  // the windows to enable again at the end
  qsizetype running = 0;              // packers not yet ended
};

bool ConsoleSession::Start(const QList<QByteArray>& commandLines, const QList<int>& fileCounts,
                           Feeder next, const QList<QByteArray>& labels) {
  if (isRunning() || closedByUser_ || commandLines.isEmpty()) return false;
  auto run = std::make_unique<Run>();
  run->next = std::move(next);
  for (const QByteArray& commandLine : commandLines) {
    const QList<QByteArray> args = CommandLine::SplitCommandLine(commandLine);
    if (args.isEmpty()) return false;
    run->argLists.append(args);
    run->leftovers.append(RunLeftovers(args));
    run->paneOf.append(int(run->paneOf.size()));
  }
  run->commandIn = run->paneOf;
  if (commandLines.size() > 1) {
    run->fileCounts = fileCounts;
    run->fileCounts.resize(commandLines.size());
    run->labels = labels;
    run->labels.resize(commandLines.size());
  }
  showRunWindow(*run);
  if (!startRunners(*run)) {
    if (run->temporary) run->temporary->deleteLater();
    runWindow_ = nullptr;
    return false;
  }
  run_ = std::move(run);
  stopRequested_ = false;
  runWindow_->setStopTexts(state_.langText(LangText::StopButton),
                           state_.langText(LangText::StopHint));
  nameScreen(runWindow_, state_);
  connect(runWindow_, &ConsoleWindow::stopRequested, this, &ConsoleSession::StopRun);
  runWindow_->setStopEnabled(true);
  // While the packer runs, only the console takes input.
  for (QWidget* w : windows_())
    if (w->isEnabled()) {
      w->setEnabled(false);
      run_->disabled << w;
    }
  // The job ends when its last packer has.
  run_->running = runners_.size();
  for (PtyRunner* runner : std::as_const(runners_))
    connect(runner, &PtyRunner::finished, this, &ConsoleSession::runnerFinished);
  emit runStarted();
  return true;
}

void ConsoleSession::showRunWindow(Run& run) {
  if (open_ && window_) {
    runWindow_ = window_;
    // Brought forward with the keys, also when it is open already: the other windows take no
    // input while the packer runs, and Escape and Stop are here.
    showConsole(window_);
  } else {
    run.temporary = makeConsoleWindow(state_);
    run.temporary->model()->setTitle(QString::fromLatin1(ConsoleTitle));
    runWindow_ = run.temporary;
  }
  if (!run.fileCounts.isEmpty()) {
    const int count = int(run.fileCounts.size());
    run.screens = makePanes(count);
    QStringList headers;
    for (int i = 0; i < count; ++i)
      headers << paneHeader(state_, i + 1, count, run.fileCounts[i], run.labels[i]);
    runWindow_->setPanes(run.screens, headers);
    for (ConsoleView* pane : runWindow_->panes()) followLanguage(pane, state_);
  } else {
    runWindow_->clearPanes();
    run.screens = {runWindow_->model()};
  }
}

bool ConsoleSession::startRunners(Run& run) {
  const int nice = PtyRunner::NiceForPriorityClass(state_.opt.GlobalOpt_PriorityClass);
  for (qsizetype i = 0; i < run.argLists.size(); ++i) {
    auto* runner = new PtyRunner(this);
    runners_.append(runner);
    ScreenModel* screen = run.screens[i];
    if (!runner->start(run.argLists[i], nice, screen->columns(), screen->rows())) {
      // A job runs whole or not at all: the packers already started are ended, and whatever
      // they made goes, however they ended.
      for (qsizetype k = 0; k < runners_.size(); ++k) {
        runners_[k]->terminate();
        run.leftovers[k].RemoveLeft();
      }
      qDeleteAll(runners_);
      runners_.clear();
      return false;
    }
  }
  // Closing a console of the run's own stops the run, as Stop does.
  if (run.temporary) {
    connect(run.temporary, &ConsoleWindow::closedByUser, this, &ConsoleSession::StopRun);
    showConsole(run.temporary);
  }
  for (qsizetype i = 0; i < runners_.size(); ++i) connectRunner(run, int(i), int(i));
  return true;
}

// The packer of `command` writes to the pane's screen and its output is reported; its first
// packer says there what the pane's packers share.
void ConsoleSession::connectRunner(Run& run, int pane, int command) {
  PtyRunner* runner = runners_[pane];
  ScreenModel* screen = run.screens[pane];
  const QList<QByteArray>& args = run.argLists[command];
  if (command == pane) {
    if (runner->priorityRefused())
      screen->writeNote(state_.langText(LangText::PriorityNotRaised).toUtf8(), 8, 0);
    // The spelling of a switch was guessed: say so where the packer's answer will show.
    const QByteArray versioned = state_.packer().crpSwitch.trimmed();
    if (!state_.packer().known() && std::any_of(args.begin(), args.end(), [&](const QByteArray& a) {
          return a.startsWith(versioned);
        }))
      screen->writeNote(state_.langText(LangText::VersionUnknown).toUtf8(), 8, 0);
  }
  connect(runner, &PtyRunner::output, this,
          [this, command](const QByteArray& out) { emit packerOutput(command, out); });
  auto names = std::make_shared<EchoedNames>(args);
  if (names->isEmpty()) {
    connect(runner, &PtyRunner::output, screen, qOverload<const QByteArray&>(&ScreenModel::feed));
  } else {
    connect(runner, &PtyRunner::output, screen,
            [screen, names](const QByteArray& out) { screen->feed(names->filter(out)); });
    connect(runner, &PtyRunner::finished, screen,
            [screen, names] { screen->feed(names->finish()); });
  }
  connect(screen, &ScreenModel::input, runner, &PtyRunner::write);
}

// A queue's pane whose packer ended on its own takes the next command; false when there is none
// (or it could not start: its files count as not started).
bool ConsoleSession::startNext(Run& run, int pane) {
  PtyRunner* done = runners_[pane];
  const std::optional<NextCommand> next = run.next(pane, done->exitCode());
  if (!next) return false;
  const QList<QByteArray> args = CommandLine::SplitCommandLine(next->commandLine);
  run.ended.insert(run.commandIn[pane], RunOutcome::Exited(done->exitCode()));
  done->disconnect();
  run.screens[pane]->disconnect(done);
  done->deleteLater();
  const int command = int(run.argLists.size());
  run.argLists.append(args);
  run.leftovers.append(RunLeftovers(args));
  run.paneOf.append(pane);
  run.commandIn[pane] = command;
  auto* runner = new PtyRunner(this);
  runners_[pane] = runner;
  ScreenModel* screen = run.screens[pane];
  if (args.isEmpty() ||
      !runner->start(args, PtyRunner::NiceForPriorityClass(state_.opt.GlobalOpt_PriorityClass),
                     screen->columns(), screen->rows())) {
    RunOutcome failed = RunOutcome::Exited(1);
    failed.signal = -1;
    run.ended.insert(command, failed);
    runners_[pane] = nullptr;
    delete runner;
    return false;
  }
  // (A queue that began with one command has no panes to count in.)
  if (pane < run.fileCounts.size()) {
    run.fileCounts[pane] += next->files;
    run.labels[pane] = next->label;
  }
  if (runWindow_ && pane < runWindow_->paneHeaders().size())
    runWindow_->paneHeaders()[pane]->setText(paneHeader(state_, pane + 1, int(run.screens.size()),
                                                        run.fileCounts[pane], run.labels[pane]));
  connectRunner(run, pane, command);
  connect(runner, &PtyRunner::finished, this, &ConsoleSession::runnerFinished);
  return true;
}

void ConsoleSession::runnerFinished() {
  if (!run_) return;
  auto* runner = qobject_cast<PtyRunner*>(sender());
  const int pane = int(runners_.indexOf(runner));
  if (run_->next && pane >= 0 && !stopRequested_ && runner->termSignal() == 0 &&
      startNext(*run_, pane))
    return;
  if (--run_->running == 0) endRun();
}

RunOutcome ConsoleSession::collectOutcome(Run& run) {
  QList<RunOutcome> outcomes;
  const QList<PtyRunner*> runners = runners_;
  runners_.clear();
  for (qsizetype i = 0; i < run.argLists.size(); ++i) {
    if (run.ended.contains(int(i))) {
      outcomes.append(run.ended.value(int(i)));
      continue;
    }
    RunOutcome outcome = RunOutcome::Exited(128 + SIGKILL);
    outcome.signal = SIGKILL;
    const int pane = run.paneOf[i];
    if (PtyRunner* runner = runners.value(pane); runner && run.commandIn[pane] == i) {
      runner->terminate();
      outcome.exitCode = runner->exitCode();
      outcome.signal = runner->termSignal();
      outcome.interrupted = runner->interrupted();
      runner->disconnect();
      if (runWindow_) run.screens[pane]->disconnect(runner);
      runner->deleteLater();
    }
    outcomes.append(outcome);
  }
  if (runWindow_) {
    // An unfinished sequence of a packer's ends with its run, before Packhelm writes its notes.
    for (ScreenModel* screen : std::as_const(run.screens)) screen->finishOutput();
    runWindow_->setStopEnabled(false);
    disconnect(runWindow_, &ConsoleWindow::stopRequested, this, &ConsoleSession::StopRun);
  }
  // A packer that was stopped or killed had no chance to clear up its temporary or partial
  // files, nor had one that a stop reached, whatever its handler made it exit with; one that
  // exited on its own, unasked, has dealt with them.
  for (qsizetype i = 0; i < outcomes.size(); ++i) {
    RunOutcome& outcome = outcomes[i];
    if (outcome.endedNormally() || outcome.signal < 0) continue;
    outcome.removed = run.leftovers[i].RemoveLeft();
    if (runWindow_ && !outcome.removed.isEmpty()) {
      ScreenModel* s = run.screens[run.paneOf[i]];
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
  for (const RunOutcome& o : std::as_const(outcomes)) {
    outcome.removed += o.removed;
    outcome.runSignals.append(o.signal);
    outcome.runsInterrupted.append(o.interrupted);
    outcome.interrupted = outcome.interrupted || o.interrupted;
  }
  outcome.stoppedByUser = stopRequested_;
  return outcome;
}

void ConsoleSession::endRun() {
  const std::unique_ptr<Run> run = std::move(run_);
  lastRun_ = collectOutcome(*run);
  if (runWindow_) {
    runWindow_->view()->refresh();
    for (ConsoleView* pane : runWindow_->panes()) pane->refresh();
  }
  for (const QPointer<QWidget>& w : run->disabled)
    if (w) w->setEnabled(true);
  if (run->temporary) {
    run->temporary->hide();
    run->temporary->deleteLater();
  } else if (runWindow_ && runWindow_ != window_) {
    // The program's console was given up during the run.
    runWindow_->hide();
    runWindow_->deleteLater();
  }
  runWindow_ = nullptr;
  if (freeAfterRun_) {
    freeAfterRun_ = false;
    if (!open_) freeConsole();
  }
  emit runFinished(lastRun_);
}

void ConsoleSession::StopRun() {
  if (runners_.isEmpty() || !run_) return;
  stopRequested_ = true;
  for (PtyRunner* runner : std::as_const(runners_))
    if (runner) runner->stop(PtyRunner::kStopGraceMs);
}

void ConsoleSession::terminateRun() {
  // Each packer ends now, and no queue starts another; with the last the run ends.
  if (run_) stopRequested_ = true;
  const QList<PtyRunner*> runners = runners_;
  for (PtyRunner* runner : runners)
    if (runner) runner->terminate();
}

void ConsoleSession::programConsoleClosed() {
  closedByUser_ = true;
  open_ = false;
  // The main window writes the settings as it closes.
  emit consoleClosedByUser();
  terminateRun();
  if (window_) {
    if (ConsoleEx::Current() == window_->model()) ConsoleEx::SetCurrent(nullptr);
    window_->disconnect(this);
    if (runWindow_ != window_) window_->deleteLater();
    window_ = nullptr;
  }
  QCoreApplication::quit();
}

QString ConsoleSession::StatusText(const RunOutcome& o) const {
  static constexpr LangText statusTexts[] = {LangText::StatusDone, LangText::StatusError,
                                             LangText::StatusWarning};
  QString text;
  if (o.stoppedByUser && (!o.endedNormally() || o.exitCode != 0))
    text = state_.langText(LangText::StatusStopped);
  else if (o.signal > 0)
    text = state_.langText(LangText::StatusSignal,
                           QString::fromLatin1(PtyRunner::SignalName(o.signal)));
  else if (o.exitCode >= 0 && o.exitCode <= 2)
    text = state_.langText(statusTexts[o.exitCode]);
  else
    text = state_.langText(LangText::StatusExitCode, QString::number(o.exitCode));
  if (!o.removed.isEmpty())
    text += u' ' + state_.langText(LangText::StatusRemoved, QString::number(o.removed.size()));
  return text;
}

void ConsoleSession::ReportStartFailure() {
  Prompts::Message(nullptr, Prompts::Icon::Error, state_.langText(LangText::StartFailure),
                   state_.langText(LangText::ErrorCaption));
}
