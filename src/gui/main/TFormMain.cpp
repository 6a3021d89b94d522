#include "gui/main/TFormMain.h"

#include <unistd.h>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <climits>

#include "core/batch/DroppedNames.h"
#include "core/packer/FileSizes.h"
#include "core/packer/SizeReport.h"
#include "core/settings/ProgramCommands.h"
#include "core/util/InstallLayout.h"
#include "gui/main/AppContext.h"
#include "gui/main/JobRunner.h"
#include "gui/widgets/PanelSlideLayout.h"
#include "gui/widgets/Placement.h"
#include "gui/widgets/Prompts.h"
#include "gui/widgets/TMultiHint.h"
#include "ui_TFormMain.h"

namespace {

// The shell-integration button's picture: a file with a context menu beside it.
QIcon integrationIcon() {
  QPixmap pm(20, 20);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(60, 60, 60));
  p.setBrush(QColor(250, 250, 250));
  p.drawRect(1, 1, 9, 12);  // the file
  p.drawLine(3, 4, 8, 4);
  p.drawLine(3, 7, 8, 7);
  p.setBrush(QColor(255, 255, 230));
  p.drawRect(7, 6, 12, 13);  // the menu
  p.fillRect(8, 11, 11, 4, QColor(60, 110, 200));
  p.setPen(QColor(60, 60, 60));
  p.drawLine(9, 9, 17, 9);
  p.setPen(Qt::white);
  p.drawLine(9, 13, 17, 13);
  p.setPen(QColor(60, 60, 60));
  p.drawLine(9, 17, 15, 17);
  return QIcon(pm);
}

}  // namespace

TFormMain::TFormMain(AppContext& ctx, QWidget* parent)
    : QWidget(parent), ui(new Ui::TFormMain), ctx_(ctx) {
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

  ui->ButtonIntegration->setIcon(integrationIcon());
  ui->ButtonIntegration->setIconSize(QSize(20, 20));

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(50);
  connect(Timer1, &QTimer::timeout, this, &TFormMain::Timer1Timer);

  MultiHint1 = new TMultiHint(this);
  MultiHint1->setAlwaysShowHint(ui->ButtonIntegration);
  // The status line's whole message, which may be longer than the line.
  MultiHint1->setAlwaysShowHint(ui->EditStatus);

  setupDialogs();
  connectControls();
  updateAddOptArrow();
  FormCreate();
}

TFormMain::~TFormMain() {
  delete ui;
}

void TFormMain::FormCreate() {
  ProgramState& s = ctx_.state;
  if (s.ProgramDir.isEmpty()) {
    // The executable's folder as bytes: a path that is not UTF-8 would not survive QString.
    char exe[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", exe, PATH_MAX);
    if (n > 0) {
      const QByteArray path(exe, n);
      s.ProgramDir = path.left(path.lastIndexOf('/') + 1);
    } else {
      const QString dir = QCoreApplication::applicationDirPath();
      const QString resolved = QDir(dir).canonicalPath();
      s.ProgramDir = QFile::encodeName(resolved.isEmpty() ? dir : resolved);
    }
    if (!s.ProgramDir.endsWith('/')) s.ProgramDir += '/';
  }
  if (s.LangDir.isEmpty()) s.LangDir = InstallLayout::LanguageFolder(s.ProgramDir);
  // Relative names resolve in the program's folder from now on.
  if (::chdir(s.ProgramDir.constData()) != 0) QDir::setCurrent(QFile::decodeName(s.ProgramDir));
  setAcceptDrops(true);
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
  connect(ui->ButtonCloseConsole, &QPushButton::clicked, this,
          [this] { ctx_.jobs->closeConsole(); });

  connect(ui->ButtonPackE, &QPushButton::clicked, this, [this] { editCommandLine(true); });
  connect(ui->ButtonUnPackE, &QPushButton::clicked, this, [this] { editCommandLine(false); });
  connect(ui->ButtonOpt, &QPushButton::clicked, this, &TFormMain::optionsRequested);
  connect(ui->ButtonAbout, &QPushButton::clicked, this, &TFormMain::aboutRequested);
  connect(ui->ButtonIntegration, &QToolButton::clicked, this, &TFormMain::integrationRequested);
}

void TFormMain::editCommandLine(bool pack) {
  const ProgramState& s = ctx_.state;
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
  if (ctx_.runStartupOnShow) FormShow();
}

void TFormMain::closeEvent(QCloseEvent* event) {
  // The window manager closes a window that is disabled for a run too. Then the packer is
  // stopped and the program quits only when the user says so, and only after the run has ended
  // (its unfinished files removed); closing the console already said so.
  JobRunner& jobs = *ctx_.jobs;
  if (jobs.running() && !jobs.consoleClosedByUser()) {
    event->ignore();
    if (quitAfterRun_ ||
        !Prompts::Question(this, ctx_.state.langText(LangText::QuitWhileRunning), windowTitle()))
      return;
    quitAfterRun_ = true;
    if (jobs.running())
      jobs.stop();
    else  // it ended while the question was open
      QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    return;
  }
  cancelSearch();
  WriteCFG();
  setAcceptDrops(false);
  event->accept();
  // The program ends with its main window, even while its console window is still open.
  QCoreApplication::quit();
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
  const QList<QByteArray>& files = ctx_.state.FileList;
  if (files.isEmpty()) return;

  if (files.size() == 1) {
    const QString name = QFile::decodeName(files[0]);
    ui->EditFileName->setText(name);
    setOutFileBytes(files[0]);
    SaveDialog->fileName = name;
    const QByteArray unit = ctx_.state.langBytes(LangText::UnitKiB);
    const QString size =
        QString::fromUtf8(SizeReport::KiBText(FileSizes::SizeOf(files[0]).value_or(0), unit));
    ui->LabelF1->setText(size);
    ui->LabelF2->setText(size);
    ui->LabelF3->setText(QStringLiteral("100%"));
    ui->OutFileBox->setEnabled(true);
  } else {
    // The names as far as a box can show them: thousands of names would only slow the box.
    constexpr qsizetype kShownChars = 2000;
    QString shown;
    for (const QByteArray& f : files) {
      if (shown.size() > kShownChars) {
        shown += QStringLiteral(" \u2026");
        break;
      }
      shown += QStringLiteral(" \"") + QFile::decodeName(f) + '"';
    }
    ui->EditFileName->setText(shown);
    ui->EditOutFile->clear();
    SaveDialog->fileName.clear();
    const QString total = QString::fromUtf8(SizeReport::CountText(
        FileSizes::SumKiB(files), ctx_.state.langBytes(LangText::UnitKiBTotal)));
    ui->LabelF1->setText(total);
    ui->LabelF2->setText(total);
    ui->LabelF3->setText(QStringLiteral("100%"));
    ui->OutFileBox->setEnabled(false);
    ui->OutFileBox->setChecked(false);
  }
  // A selection from folders is told by its figures; the names are in the packer's console.
  if (selectionFromFolders()) ui->EditFileName->setText(folderSelectionText());
  ui->EditFileName->setCursorPosition(0);
  for (QLabel* l : {ui->LabelF1, ui->LabelF2, ui->LabelF3}) l->adjustSize();
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
  const QList<QByteArray>& selected = ctx_.state.FileList;
  OpenDialog->directory =
      selected.isEmpty() ? QString() : QFileInfo(QFile::decodeName(selected.first())).path();
  const QStringList chosen = Prompts::OpenFiles(this, *OpenDialog);
  if (chosen.isEmpty()) return;
  QList<QByteArray> files;
  for (const QString& f : chosen) files.append(QFile::encodeName(f));
  cancelSearch();  // the newest choice wins
  ctx_.state.FileList = files;
  FillText();
}

void TFormMain::ButtonOutClick() {
  const QString chosen = Prompts::SaveFile(this, *SaveDialog);
  if (!chosen.isEmpty()) ui->EditOutFile->setText(chosen);
}

// --- drag and drop ---

namespace {

QList<QByteArray> droppedFiles(const QMimeData* mime) {
  QList<QByteArray> files;
  if (!mime || !mime->hasUrls()) return files;
  // The list as the file manager sent it keeps every name's bytes; QUrl's text would not.
  const QByteArray uriList = mime->data(QStringLiteral("text/uri-list"));
  if (!uriList.isEmpty()) {
    files = DroppedNames::FromUriList(uriList);
  } else {
    for (const QUrl& url : mime->urls())
      if (url.isLocalFile()) files.append(QFile::encodeName(url.toLocalFile()));
  }
  // A name the system could not open stays an empty entry, as over-long names always did.
  for (QByteArray& name : files)
    if (name.size() >= PATH_MAX) name.clear();
  return files;
}

}  // namespace

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!droppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormMain::dragMoveEvent(QDragMoveEvent* event) {
  if (!droppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
  const QList<QByteArray> files = droppedFiles(event->mimeData());
  if (files.isEmpty()) return;
  event->acceptProposedAction();
  // Finish the drop first, so the application the files came from is not held while a job runs.
  QMetaObject::invokeMethod(
      this, [this, files] { WMDropFiles(files); }, Qt::QueuedConnection);
}

void TFormMain::WMDropFiles(const QList<QByteArray>& names) {
  if (ctx_.jobs->busy()) return;
  // Brought to the front without touching the stay-on-top state: a window kept on top stays so.
  raise();
  activateWindow();
  selectInput(names, false);
}

void TFormMain::runDragOpJob() {
  if (ctx_.state.opt.dragOp() == DragOp::Pack)
    ButtonPackClick();
  else if (ctx_.state.opt.dragOp() == DragOp::Unpack)
    ButtonUnPackClick();
}
