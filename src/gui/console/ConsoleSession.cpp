// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/ConsoleSession.h"

#include <QCoreApplication>
#include <QLabel>

#include "core/console/ConsoleEx.h"
#include "core/console/EchoedNames.h"
#include "core/console/ScreenModel.h"
#include "core/jobs/JobEngine.h"
#include "core/settings/ProgramState.h"
#include "gui/console/ConsoleWindow.h"
#include "gui/widgets/ConsoleView.h"
#include "gui/widgets/Prompts.h"

namespace {

// The screens are as large as the terminal the packer gets.
constexpr int kBufferColumns = JobEngine::TerminalColumns;
constexpr int kBufferRows = JobEngine::TerminalRows;
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

ConsoleSession::ConsoleSession(ProgramState& state, JobEngine& engine,
                               std::function<QList<QWidget*>()> windows, QObject* parent)
    : QObject(parent), state_(state), engine_(engine), windows_(std::move(windows)) {
  connect(&engine_, &JobEngine::batchStarted, this, &ConsoleSession::batchStarted);
  connect(&engine_, &JobEngine::runStarted, this, &ConsoleSession::runStarted);
  connect(&engine_, &JobEngine::output, this, &ConsoleSession::output);
  connect(&engine_, &JobEngine::runEnded, this, &ConsoleSession::runEnded);
  connect(&engine_, &JobEngine::batchEnded, this, &ConsoleSession::batchEnded);
  connect(&engine_, &JobEngine::removed, this, &ConsoleSession::removed);
  connect(&engine_, &JobEngine::finished, this, &ConsoleSession::jobEnded);
}

ConsoleSession::~ConsoleSession() {
  // (A window deleted first leaves the other pointer null when they are one.)
  delete runWindow_.data();
  delete window_.data();
}

ScreenModel* ConsoleSession::screen() const {
  return window_ ? window_->model() : nullptr;
}

bool ConsoleSession::isRunning() const {
  return engine_.busy();
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

void ConsoleSession::openConsole(bool forced) {
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

void ConsoleSession::closeConsole() {
  open_ = false;
  // The console the packer is writing to stays until the run is over.
  if (isRunning() && runWindow_ && runWindow_ == window_) {
    freeAfterRun_ = true;
    return;
  }
  freeConsole();
}

// What the packers of one job need on screen, from its first start to its end.
struct ConsoleSession::Run {
  // Without a console of the program's own the packers get one for this job only.
  QPointer<ConsoleWindow> temporary;
  // One packer writes to the console's own screen, several each to a pane of their own.
  QList<ScreenModel*> screens;
  QList<std::shared_ptr<EchoedNames>> names;  // each pane's packer's
  QList<int> fileCounts;                      // each pane's files so far
  QList<QByteArray> labels;                   // each pane's label now, empty for none
  QList<QPointer<QWidget>> disabled;          // the windows to enable again at the end
};

void ConsoleSession::batchStarted(int panes) {
  if (!run_) {
    run_ = std::make_unique<Run>();
    if (open_ && window_) {
      runWindow_ = window_;
      // Brought forward with the keys, also when it is open already: the other windows take no
      // input while the packer runs, and Escape and Stop are here.
      showConsole(window_);
    } else {
      run_->temporary = makeConsoleWindow(state_);
      run_->temporary->model()->setTitle(QString::fromLatin1(ConsoleTitle));
      runWindow_ = run_->temporary;
      // Closing a console of the job's own stops the job, as Stop does.
      connect(run_->temporary, &ConsoleWindow::closedByUser, &engine_, &JobEngine::stop);
      showConsole(run_->temporary);
    }
    runWindow_->setStopTexts(state_.langText(LangText::StopButton),
                             state_.langText(LangText::StopHint));
    nameScreen(runWindow_, state_);
    connect(runWindow_, &ConsoleWindow::stopRequested, &engine_, &JobEngine::stop);
    // While the packers run, only the console takes input.
    for (QWidget* w : windows_())
      if (w->isEnabled()) {
        w->setEnabled(false);
        run_->disabled << w;
      }
  }
  const int count = qMax(panes, 1);
  run_->names = QList<std::shared_ptr<EchoedNames>>(count);
  run_->fileCounts = QList<int>(count, 0);
  run_->labels = QList<QByteArray>(count);
  if (panes > 0) {
    run_->screens = makePanes(panes);
    QStringList headers;
    for (int i = 0; i < panes; ++i) headers << paneHeader(state_, i + 1, panes, 0, {});
    runWindow_->setPanes(run_->screens, headers);
    for (ConsoleView* pane : runWindow_->panes()) followLanguage(pane, state_);
  } else {
    runWindow_->clearPanes();
    run_->screens = {runWindow_->model()};
  }
  for (int pane = 0; pane < count; ++pane)
    connect(run_->screens[pane], &ScreenModel::input, this,
            [this, pane](const QByteArray& keys) { engine_.write(pane, keys); });
  runWindow_->setStopEnabled(true);
}

void ConsoleSession::runStarted(int pane, const QList<QByteArray>& args, int files,
                                const QByteArray& label, const QStringList& notes) {
  ScreenModel* screen = run_->screens[pane];
  for (const QString& note : notes) screen->writeNote(note.toUtf8(), 8, 0);
  auto names = std::make_shared<EchoedNames>(args);
  run_->names[pane] = names->isEmpty() ? nullptr : names;
  run_->fileCounts[pane] += files;
  run_->labels[pane] = label;
  if (pane < runWindow_->paneHeaders().size())
    runWindow_->paneHeaders()[pane]->setText(
        paneHeader(state_, pane + 1, int(run_->screens.size()), run_->fileCounts[pane], label));
}

void ConsoleSession::output(int pane, const QByteArray& bytes) {
  ScreenModel* screen = run_->screens[pane];
  const std::shared_ptr<EchoedNames>& names = run_->names[pane];
  screen->feed(names ? names->filter(bytes) : bytes);
}

void ConsoleSession::runEnded(int pane) {
  if (const std::shared_ptr<EchoedNames>& names = run_->names[pane])
    run_->screens[pane]->feed(names->finish());
}

void ConsoleSession::batchEnded() {
  // An unfinished sequence of a packer's ends with it, before Packhelm writes its notes.
  for (ScreenModel* screen : std::as_const(run_->screens)) screen->finishOutput();
  runWindow_->setStopEnabled(false);
}

void ConsoleSession::removed(int pane, const QByteArray& path) {
  ScreenModel* s = run_->screens[pane];
  // The packer may have been cut off in the middle of a line.
  if (s->cursorColumn() != 0) s->writeConsoleText("\n");
  s->writeNote(state_.langText(LangText::ConsoleRemoved, shownName(path)).toUtf8(), 8, 0);
}

void ConsoleSession::jobEnded() {
  if (!run_) return;  // nothing was started
  const std::unique_ptr<Run> run = std::move(run_);
  if (runWindow_) {
    disconnect(runWindow_, &ConsoleWindow::stopRequested, &engine_, &JobEngine::stop);
    runWindow_->view()->refresh();
    for (ConsoleView* pane : runWindow_->panes()) pane->refresh();
  }
  for (const QPointer<QWidget>& w : run->disabled)
    if (w) w->setEnabled(true);
  if (run->temporary) {
    run->temporary->hide();
    run->temporary->deleteLater();
  } else if (runWindow_ && runWindow_ != window_) {
    // The program's console was given up during the job.
    runWindow_->hide();
    runWindow_->deleteLater();
  }
  runWindow_ = nullptr;
  if (freeAfterRun_) {
    freeAfterRun_ = false;
    if (!open_) freeConsole();
  }
}

void ConsoleSession::stopRun() {
  engine_.stop();
}

void ConsoleSession::programConsoleClosed() {
  closedByUser_ = true;
  open_ = false;
  // The main window writes the settings as it closes.
  emit consoleClosedByUser();
  engine_.terminate();
  if (window_) {
    if (ConsoleEx::Current() == window_->model()) ConsoleEx::SetCurrent(nullptr);
    window_->disconnect(this);
    if (runWindow_ != window_) window_->deleteLater();
    window_ = nullptr;
  }
  QCoreApplication::quit();
}

void ConsoleSession::reportStartFailure() {
  Prompts::Message(nullptr, Prompts::Icon::Error, state_.langText(LangText::StartFailure),
                   state_.langText(LangText::ErrorCaption));
}
