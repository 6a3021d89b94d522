// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/TFormMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "core/batch/DroppedNames.h"
#include "core/packer/CommandLine.h"
#include "core/packer/SizeReport.h"
#include "core/packer/SizeTask.h"
#include "core/settings/ProgramCommands.h"
#include "core/settings/ProgramState.h"
#include "core/settings/SettingsFile.h"
#include "gui/main/FolderInput.h"
#include "gui/main/JobRunner.h"
#include "gui/main/MethodChoice.h"
#include "gui/widgets/PanelSlideLayout.h"
#include "gui/widgets/Pictures.h"
#include "gui/widgets/Placement.h"
#include "gui/widgets/Prompts.h"
#include "gui/widgets/TMultiHint.h"
#include "ui_TFormMain.h"

TFormMain::TFormMain(ProgramState& state, JobRunner& jobs, QWidget* parent)
    : QWidget(parent), ui(new Ui::TFormMain), state_(state), jobs_(jobs) {
  ui->setupUi(this);
  // A fixed window: title, system menu, minimize and close, no maximize.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  // The column of controls and the option panel grow with their texts; the window follows.
  new PanelSlideLayout(this, ui->LeftColumn, ui->OptPanel);
  // Also when the panel opens near the screen's edge, or a restored place is off the screen.
  Placement::KeepOnScreen(this);
  // The panel starts closed. The layout itself is computed when the window is shown, once the
  // language has set the texts: computed here, for the form's own texts, it would be thrown away.
  static_cast<PanelSlideLayout*>(layout())->setShownWidth(0);

  // The edit shows the button-face colour while it is disabled.
  QPalette pal = ui->EditOutFile->palette();
  pal.setColor(QPalette::Disabled, QPalette::Base, pal.color(QPalette::Active, QPalette::Button));
  ui->EditOutFile->setPalette(pal);

  ui->ButtonIntegration->setIcon(Pictures::IntegrationIcon());
  ui->ButtonIntegration->setIconSize(QSize(20, 20));

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(50);
  connect(Timer1, &QTimer::timeout, this, &TFormMain::Timer1Timer);

  methods_ = new MethodChoice(state_, this);
  MultiHint1 = new TMultiHint(this);
  MultiHint1->setAlwaysShowHint(ui->ButtonIntegration);
  // The status line's whole message, which may be longer than the line.
  MultiHint1->setAlwaysShowHint(ui->EditStatus);

  input_ = new FolderInput(state_, jobs_, this);
  connect(input_, &FolderInput::searchStarted, this, &TFormMain::searchStarted);
  connect(input_, &FolderInput::searchEnded, this, &TFormMain::searchEnded);
  connect(input_, &FolderInput::selected, this, &TFormMain::searchTaken);
  sizes_ = new SizeTask(this);
  connect(sizes_, &SizeTask::summed, this, &TFormMain::showSelectionTotal);
  setupDialogs();
  connectControls();
  updateAddOptArrow();
  setAcceptDrops(true);
}

TFormMain::~TFormMain() {
  delete ui;
}

void TFormMain::setupDialogs() {
  OpenDialog = new FileDialogSpec(QStringLiteral("OpenDialog"), FileDialogSpec::Kind::Open, this);
  OpenDialog->title = QStringLiteral("Выберите файл");
  OpenDialog->filter = QStringLiteral("Все файлы (*.*)|*.*|(*.exe)|*.exe|(*.com)|*.com");
  OpenDialog->multiSelect = true;
  OpenDialog->showHidden = true;

  OpenDialogUPX =
      new FileDialogSpec(QStringLiteral("OpenDialogUPX"), FileDialogSpec::Kind::Open, this);
  OpenDialogUPX->title = QStringLiteral("Выберите файл UPX.EXE");
  // The packer has no extension here; the Windows name stays in the list for familiarity.
  OpenDialogUPX->filter = QStringLiteral("UPX.EXE|upx.exe;upx");

  SaveDialog = new FileDialogSpec(QStringLiteral("SaveDialog"), FileDialogSpec::Kind::Save, this);
  SaveDialog->title = QStringLiteral("Выберите файл");
  SaveDialog->filter = QStringLiteral("(*.*)|*.*");
  SaveDialog->showHidden = true;
}

void TFormMain::connectControls() {
  connect(ui->ButtonIn, &QPushButton::clicked, this, &TFormMain::ButtonInClick);
  connect(ui->ButtonOut, &QPushButton::clicked, this, &TFormMain::ButtonOutClick);
  connect(ui->OutFileBox, &QCheckBox::toggled, this, &TFormMain::OutFileBoxClick);
  connect(ui->Compress1CheckBox, &QCheckBox::toggled, this, &TFormMain::Compress1CheckBoxClick);
  connect(ui->CheckBoxTryMulti, &QCheckBox::toggled, this, &TFormMain::CheckBoxTryMultiClick);
  connect(ui->CompressValueBar, &QSlider::valueChanged, this, &TFormMain::CompressValueBarChange);
  // Only the user's click slides the panel; restoring the button's state does not.
  connect(ui->SpeedButtonAddOpt, &QToolButton::clicked, this, &TFormMain::SpeedButtonAddOptClick);
  connect(ui->SpeedButtonAddOpt, &QToolButton::toggled, this, &TFormMain::updateAddOptArrow);

  connect(ui->ButtonPack, &QPushButton::clicked, this, &TFormMain::ButtonPackClick);
  connect(ui->ButtonUnPack, &QPushButton::clicked, this, &TFormMain::ButtonUnPackClick);
  connect(ui->ButtonReset, &QPushButton::clicked, this, &TFormMain::ButtonResetClick);
  connect(ui->ButtonMax, &QPushButton::clicked, this, &TFormMain::ButtonMaxClick);

  connect(ui->ButtonShowUPXVer, &QPushButton::clicked, this, &TFormMain::ButtonShowUPXVerClick);
  connect(ui->ButtonShowUPXHelp, &QPushButton::clicked, this, &TFormMain::ButtonShowUPXHelpClick);
  connect(ui->ButtonTest, &QPushButton::clicked, this, &TFormMain::ButtonTestClick);
  connect(ui->ButtonList, &QPushButton::clicked, this, &TFormMain::ButtonListClick);
  connect(ui->ButtonShowUPXL, &QPushButton::clicked, this, &TFormMain::ButtonShowUPXLClick);
  connect(ui->ButtonCloseConsole, &QPushButton::clicked, this, [this] { jobs_.closeConsole(); });

  connect(ui->ButtonPackE, &QPushButton::clicked, this, [this] { editCommandLine(true); });
  connect(ui->ButtonUnPackE, &QPushButton::clicked, this, [this] { editCommandLine(false); });
  connect(ui->ButtonOpt, &QPushButton::clicked, this, &TFormMain::optionsRequested);
  connect(ui->ButtonAbout, &QPushButton::clicked, this, &TFormMain::aboutRequested);
  connect(ui->ButtonResults, &QToolButton::clicked, this, &TFormMain::resultsRequested);
  connect(ui->ButtonIntegration, &QToolButton::clicked, this, &TFormMain::integrationRequested);
}

void TFormMain::editCommandLine(bool pack) {
  const ProgramState& s = state_;
  const PackOptions o = packOptions();
  // The editor's accept button reads like the job button it stands for.
  if (pack)
    emit commandLineEditRequested(0, ui->ButtonPack->text(), CommandLine::GetCmdPack(o, s));
  else
    emit commandLineEditRequested(1, ui->ButtonUnPack->text(), CommandLine::GetCmdUnPack(o, s));
}

void TFormMain::runEditedCommandLine(int editMode) {
  if (editMode == 0)
    ButtonPackClick();
  else if (editMode == 1)
    ButtonUnPackClick();
}

// --- showing and closing ---

void TFormMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  emit firstShown();
}

void TFormMain::placeAtStart() {
  // Laid out first: the language just changed the sizes.
  layout()->activate();
  if (const QScreen* screen = Placement::ScreenOf(this)) {
    const QRect g = screen->availableGeometry();
    const int left = g.width() / 2 - ui->OptPanel->x() - 1;
    const int top = (g.height() - frameGeometry().height()) / 2;
    move(g.x() + left, g.y() + top);
  }
  // The first-show flag makes one step of the slide final.
  SpeedButtonAddOptClick();
  Timer1Timer();
}

bool TFormMain::focusNextPrevChild(bool next) {
  const bool panelShut = static_cast<PanelSlideLayout*>(layout())->shownWidth() == 0;
  QWidget* from = focusWidget();
  if (!QWidget::focusNextPrevChild(next)) return false;
  // Past the controls of a shut panel, which lie out of sight (at most once round).
  while (panelShut && ui->OptPanel->isAncestorOf(focusWidget()) && focusWidget() != from)
    if (!QWidget::focusNextPrevChild(next)) break;
  return true;
}

void TFormMain::closeEvent(QCloseEvent* event) {
  // The window manager closes a window that is disabled for a run too. Then the packer is
  // stopped and the program quits only when the user says so, and only after the run has ended
  // (its unfinished files removed); closing the console already said so.
  if (jobs_.busy() && !jobs_.consoleClosedByUser()) {
    event->ignore();
    if (quitAfterRun_ || askingToQuit_) return;
    askingToQuit_ = true;
    const QString question = state_.langText(LangText::QuitWhileRunning);
    Prompts::Ask(this, question, windowTitle(), [this](bool yes) {
      askingToQuit_ = false;
      quitAfterRun_ = yes;
      if (yes && jobs_.busy())
        jobs_.stop();
      else if (yes)  // it ended while the question was open
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
    return;
  }
  input_->cancel();
  emit closing();
  setAcceptDrops(false);
  event->accept();
  // The program ends with its main window, even while its console window is still open; a save
  // of the settings that failed is said first.
  if (state_.settingsSaveError.isEmpty()) return QCoreApplication::quit();
  Prompts::Message(nullptr, Prompts::Icon::Error, state_.settingsSaveError, windowTitle(),
                   [] { QCoreApplication::quit(); });
}

// --- the selection ---

QByteArray TFormMain::outFileBytes() const {
  const QString text = ui->EditOutFile->text();
  return QFile::decodeName(outFileBytes_) == text ? outFileBytes_ : QFile::encodeName(text);
}

void TFormMain::setOutFileBytes(const QByteArray& name) {
  outFileBytes_ = name;
  ui->EditOutFile->setText(QFile::decodeName(name));
}

void TFormMain::FillText() {
  noteUnstorableNames();
  for (QWidget* b :
       {static_cast<QWidget*>(ui->ButtonPack), static_cast<QWidget*>(ui->ButtonUnPack),
        static_cast<QWidget*>(ui->ButtonPackE), static_cast<QWidget*>(ui->ButtonUnPackE)})
    b->setEnabled(false);
  const QList<QByteArray>& files = state_.FileList;
  if (files.isEmpty()) return;

  if (files.size() == 1) {
    setOutFileBytes(files[0]);
    SaveDialog->fileName = QFile::decodeName(files[0]);
  } else {
    ui->EditOutFile->clear();
    SaveDialog->fileName.clear();
    ui->OutFileBox->setChecked(false);
  }
  ui->OutFileBox->setEnabled(files.size() == 1);
  ui->EditFileName->setText(input_->boxText());
  ui->EditFileName->setCursorPosition(0);
  // The sizes follow: at once for a few files, after a search of their sizes for many.
  // Before a job both sizes are the same: the ratio reads as the report writes equal sizes.
  const QString equal = QString::fromUtf8(SizeReport::RatioText(1, 1).value_or(QByteArray()));
  for (QLabel* l : {ui->LabelF1, ui->LabelF2, ui->LabelF3}) {
    l->setText(l == ui->LabelF3 ? equal : QStringLiteral("\u2026"));
    l->adjustSize();
  }
  sizes_->start(files);
  updateSelectionButtons();
}

void TFormMain::OutFileBoxClick() {
  const bool on = ui->OutFileBox->isChecked();
  ui->ButtonOut->setEnabled(on);
  ui->EditOutFile->setEnabled(on);
  ui->ReplaceIfExistsCheckBox->setEnabled(on);
}

void TFormMain::ButtonInClick() {
  // The dialog opens where the selected files are (else in the user's home).
  const QList<QByteArray>& selected = state_.FileList;
  OpenDialog->directory =
      selected.isEmpty() ? QString() : QFileInfo(QFile::decodeName(selected.first())).path();
  Prompts::OpenFiles(this, *OpenDialog, [this](const QStringList& chosen) {
    if (chosen.isEmpty()) return;
    input_->cancel();  // the newest choice wins
    state_.FileList.clear();
    state_.UnreadableEntries.clear();
    for (const QString& f : chosen) state_.FileList.append(QFile::encodeName(f));
    FillText();
  });
}

void TFormMain::ButtonOutClick() {
  Prompts::SaveFile(this, *SaveDialog, [this](const QString& chosen) {
    if (!chosen.isEmpty()) ui->EditOutFile->setText(chosen);
  });
}

// --- drag and drop ---

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedNames::FromMimeData(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormMain::dragMoveEvent(QDragMoveEvent* event) {
  if (!DroppedNames::FromMimeData(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
  const QList<QByteArray> files = DroppedNames::FromMimeData(event->mimeData());
  if (files.isEmpty()) return;
  event->acceptProposedAction();
  // Finish the drop first, so the application the files came from is not held while a job runs.
  QMetaObject::invokeMethod(
      this, [this, files] { WMDropFiles(files); }, Qt::QueuedConnection);
}

void TFormMain::WMDropFiles(const QList<QByteArray>& names) {
  if (jobs_.busy()) return;
  // Brought to the front without touching the stay-on-top state: a window kept on top stays so.
  raise();
  activateWindow();
  selectInput(names, false);
}

// --- folders as input ---

void TFormMain::selectInput(const QList<QByteArray>& paths, bool queueJob) {
  if (input_->select(paths)) return;  // the job waits for the search
  FillText();
  if (queueJob)
    QMetaObject::invokeMethod(this, &TFormMain::runDragOpJob, Qt::QueuedConnection);
  else
    runDragOpJob();
}

void TFormMain::searchTaken() {
  FillText();
  runDragOpJob();
}

void TFormMain::setStatus(const QString& text, StatusLine::Kind kind) {
  ui->EditStatus->setText(text);
  ui->EditStatus->setKind(kind);
}

void TFormMain::noteUnstorableNames() {
  if (unstorableNoted_) return;
  const bool all = Settings::Storable(outFileBytes_) && input_->namesStorable();
  const QString text = state_.langText(LangText::NamesNotSaved);
  if (all || text.isEmpty()) return;  // said once the language is there
  unstorableNoted_ = true;
  setStatus(text, StatusLine::Kind::Warning);
}

void TFormMain::searchStarted(bool again) {
  if (!again) {
    statusBeforeSearch_ = ui->EditStatus->text();
    statusKindBeforeSearch_ = ui->EditStatus->kind();
  }
  updateSelectionButtons();
  setStatus(state_.langText(LangText::StatusSearching));
}

void TFormMain::searchEnded() {
  // The status line gets back what it said, unless something else has spoken since.
  if (ui->EditStatus->text() == state_.langText(LangText::StatusSearching))
    setStatus(statusBeforeSearch_, statusKindBeforeSearch_);
  updateSelectionButtons();
}

bool TFormMain::selectionFromFolders() const {
  return input_->fromFolders();
}

void TFormMain::updateSelectionButtons() {
  const bool known = !input_->searching();
  const bool any = known && !state_.FileList.isEmpty();
  for (QWidget* b :
       {static_cast<QWidget*>(ui->ButtonPack), static_cast<QWidget*>(ui->ButtonUnPack),
        static_cast<QWidget*>(ui->ButtonPackE), static_cast<QWidget*>(ui->ButtonUnPackE)})
    b->setEnabled(any);
  ui->ButtonTest->setEnabled(known);
  ui->ButtonList->setEnabled(known);
}

void TFormMain::runDragOpJob() {
  if (state_.opt.dragOp() == DragOp::Pack)
    ButtonPackClick();
  else if (state_.opt.dragOp() == DragOp::Unpack)
    ButtonUnPackClick();
}

// --- the jobs and the size report ---

void TFormMain::showSelectionTotal(quint64 bytes, qsizetype files) {
  const QByteArray unit = state_.langBytes(files == 1 ? LangText::UnitKiB : LangText::UnitKiBTotal);
  for (QLabel* l : {ui->LabelF1, ui->LabelF2}) {
    l->setText(QString::fromUtf8(SizeReport::KiBText(bytes, unit)));
    l->adjustSize();
  }
}

void TFormMain::showTotals(quint64 uncompressed, quint64 compressed, const QByteArray& unit) {
  sizes_->cancel();  // a job's figures replace the selection's
  // The labels say before and after: an unpack went from the packed size to the unpacked one.
  // The ratio is the packed size's share either way.
  const bool unpacked = sizesOfUnpack_;
  ui->LabelF1->setText(
      QString::fromUtf8(SizeReport::KiBText(unpacked ? compressed : uncompressed, unit)));
  ui->LabelF2->setText(
      QString::fromUtf8(SizeReport::KiBText(unpacked ? uncompressed : compressed, unit)));
  if (const auto ratio = SizeReport::RatioText(uncompressed, compressed))
    ui->LabelF3->setText(QString::fromUtf8(*ratio));
  for (QLabel* l : {ui->LabelF1, ui->LabelF2, ui->LabelF3}) l->adjustSize();
}

void TFormMain::CalcSize(quint64 UncompressedTotal, quint64 CompressedTotal) {
  showTotals(UncompressedTotal, CompressedTotal, state_.langBytes(LangText::UnitKiB));
}

void TFormMain::CalcSizeMul(quint64 UncompressedTotal, quint64 CompressedTotal) {
  showTotals(UncompressedTotal, CompressedTotal, state_.langBytes(LangText::UnitKiBTotal));
}

void TFormMain::StayOnTopStep(bool after) {
  switch (state_.opt.stayOnTop()) {
    case StayOnTop::Always:
      Placement::SetTopmost(this, true);
      break;
    case StayOnTop::ExceptDuringRun:
      Placement::SetTopmost(this, after);
      break;
    case StayOnTop::Never:
      Placement::SetTopmost(this, false);
      break;
  }
}

void TFormMain::ButtonPackClick() {
  runJob(true);
}

void TFormMain::ButtonUnPackClick() {
  runJob(false);
}

void TFormMain::runJob(bool pack) {
  // The window takes no input while the packer runs; this only guards against a call from a
  // queued event during that time.
  if (jobs_.busy()) return;
  const PackOptions o = packOptions();
  // A line edited by hand runs as written; the window's own line never replaces the file that
  // the user asked to write elsewhere.
  const bool edited = !(pack ? state_.PendingPackCommand : state_.PendingUnpackCommand).isEmpty();
  const CommandLine::OutputRefusal refusal =
      edited ? CommandLine::OutputRefusal::None : CommandLine::CheckOutputFile(o, state_.FileList);
  if (refusal != CommandLine::OutputRefusal::None) {
    const QString text =
        refusal == CommandLine::OutputRefusal::NoName
            ? state_.langText(LangText::OutputNameMissing)
            : state_.langText(LangText::OutputNamesInput, QFile::decodeName(o.EditOutFile));
    setStatus(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')), StatusLine::Kind::Error);
    Prompts::Message(this, Prompts::Icon::Error, text, windowTitle(),
                     [this] { ui->EditOutFile->setFocus(); });
    return;
  }
  StayOnTopStep(false);
  jobs_.startPack(pack, o);
}

void TFormMain::runInfoCommand(int which, bool withSizes) {
  jobs_.startInfo(static_cast<CommandLine::InfoCommand>(which), withSizes);
}

namespace {

// A job's end as news: an error when the packer failed or was ended from outside, a warning when
// it warned, was stopped by the user or not every file came through; else plain news.
StatusLine::Kind kindOf(const JobReport& r) {
  using Kind = StatusLine::Kind;
  if (r.outcome.stoppedByUser) return Kind::Warning;
  const int code = r.outcome.exitCode;
  if (code != 0 && code != 2) return Kind::Error;
  return code == 2 || !r.everyFileCameThrough() ? Kind::Warning : Kind::Normal;
}

}  // namespace

void TFormMain::jobFinished(const JobReport& result) {
  if (result.started) showExitStatus(result.statusText, kindOf(result));
  if (!result.rows.isEmpty()) ui->ButtonResults->setEnabled(true);
  const bool packJob = result.kind != JobSpec::Kind::Info;
  if (result.sizesMeasured) {
    sizesOfUnpack_ = result.kind == JobSpec::Kind::Unpack;
    // A pack goes from the unpacked size to the packed one; the others from the packed one.
    const quint64 uncompressed =
        packJob && !sizesOfUnpack_ ? result.totalBefore : result.totalAfter;
    const quint64 compressed = packJob && !sizesOfUnpack_ ? result.totalAfter : result.totalBefore;
    if (state_.FileList.size() <= 1)
      CalcSize(uncompressed, compressed);
    else
      CalcSizeMul(uncompressed, compressed);
  }
  if (packJob) StayOnTopStep(true);
  input_->takePending();
  // When the user chose to stop the run and quit, the window closes now.
  if (quitAfterRun_) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TFormMain::ButtonShowUPXVerClick() {
  runInfoCommand(int(CommandLine::InfoCommand::Version), false);
}

void TFormMain::ButtonShowUPXHelpClick() {
  runInfoCommand(int(CommandLine::InfoCommand::Help), false);
}

void TFormMain::ButtonTestClick() {
  runInfoCommand(int(CommandLine::InfoCommand::Test), true);
}

void TFormMain::ButtonListClick() {
  runInfoCommand(int(CommandLine::InfoCommand::List), true);
}

void TFormMain::ButtonShowUPXLClick() {
  runInfoCommand(int(CommandLine::InfoCommand::ListFormats), true);
}

void TFormMain::showExitStatus(const QString& statusText, StatusLine::Kind kind) {
  setStatus(statusText, kind);
}

void TFormMain::clearExitStatus() {
  setStatus(QString());
}
