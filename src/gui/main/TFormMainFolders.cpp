// The main window's folders as input: a folder dropped or given stands for the packable
// executables inside it. The search runs beside the event loop (ScanTask), so that a large tree
// does not freeze the window; the newest choice always wins.
#include <QGuiApplication>

#include "core/batch/ScanTask.h"
#include "core/util/StrUtils.h"
#include "gui/main/AppContext.h"
#include "gui/main/JobRunner.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"
#include "ui_TFormMain.h"

namespace {

// A message names at most this many folders; the rest are counted.
constexpr int kFoldersNamed = 20;

QString folderList(const QList<QByteArray>& folders) {
  QStringList lines;
  for (qsizetype i = 0; i < folders.size() && i < kFoldersNamed; ++i)
    lines << StrUtils::ReadableName(folders[i]);
  if (folders.size() > kFoldersNamed)
    lines << QStringLiteral("(+%1)").arg(folders.size() - kFoldersNamed);
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

void TFormMain::selectInput(const QList<QByteArray>& paths, bool queueJob) {
  ++searchGeneration_;
  const bool anyFolder = std::any_of(paths.begin(), paths.end(), ExecutableScan::IsFolder);
  if (!anyFolder) {
    cancelSearch();
    ctx_.state.FileList = paths;
    FillText();
    if (queueJob)
      QMetaObject::invokeMethod(this, &TFormMain::runDragOpJob, Qt::QueuedConnection);
    else
      runDragOpJob();
    return;
  }
  if (!scan_) {
    scan_ = new ScanTask(this);
    connect(scan_, &ScanTask::finished, this, &TFormMain::searchFinished);
  }
  pendingSearch_.reset();
  if (!searching_) {
    statusBeforeSearch_ = ui->EditStatus->text();
    statusHintBeforeSearch_ = ui->EditStatus->toolTip();
  }
  searching_ = true;
  updateSelectionButtons();
  const QString searching = ctx_.state.langText(LangText::StatusSearching);
  ui->EditStatus->setText(searching);
  ui->EditStatus->setCursorPosition(0);
  ui->EditStatus->setToolTip(searching);
  scan_->start(paths);
}

void TFormMain::searchFinished(const ExecutableScan::Result& result,
                               const QList<QByteArray>& paths) {
  // The selection must not change under a running job; it is taken when the job is over.
  if (ctx_.jobs->busy()) {
    pendingSearch_.emplace(result, paths);
    return;
  }
  endSearch();
  const int generation = searchGeneration_;
  if (!result.emptyFolders.isEmpty()) {
    QString text =
        ctx_.state.langText(LangText::FoldersWithoutFiles, folderList(result.emptyFolders));
    if (result.files.isEmpty())
      text += QLatin1Char('\n') + ctx_.state.langText(LangText::SelectionUnchanged);
    Prompts::Message(this, Prompts::Icon::Warning, text, QGuiApplication::applicationDisplayName());
    // A newer choice made while the message was open replaces this one.
    if (generation != searchGeneration_) return;
  }
  if (result.files.isEmpty()) return;
  folderSelection_ = {result.files, result.folders,
                      int(result.files.size()) - result.filesFromFolders};
  ctx_.state.FileList = result.files;
  FillText();
  runDragOpJob();
}

void TFormMain::endSearch() {
  if (!searching_) return;
  searching_ = false;
  // The status line gets back what it said, unless something else has spoken since.
  if (ui->EditStatus->text() == ctx_.state.langText(LangText::StatusSearching)) {
    ui->EditStatus->setText(statusBeforeSearch_);
    ui->EditStatus->setCursorPosition(0);
    ui->EditStatus->setToolTip(statusHintBeforeSearch_);
  }
  updateSelectionButtons();
}

void TFormMain::cancelSearch() {
  if (scan_) scan_->cancel();
  pendingSearch_.reset();
  endSearch();
}

void TFormMain::takePendingSearch() {
  if (!pendingSearch_) return;
  auto [result, paths] = *pendingSearch_;
  pendingSearch_.reset();
  // After the job that held it has returned.
  QMetaObject::invokeMethod(
      this, [this, result, paths] { searchFinished(result, paths); }, Qt::QueuedConnection);
}

void TFormMain::updateSelectionButtons() {
  const bool known = !searching_;
  const bool any = known && !ctx_.state.FileList.isEmpty();
  for (QWidget* b :
       {static_cast<QWidget*>(ui->ButtonPack), static_cast<QWidget*>(ui->ButtonUnPack),
        static_cast<QWidget*>(ui->ButtonPackE), static_cast<QWidget*>(ui->ButtonUnPackE)})
    b->setEnabled(any);
  ui->ButtonTest->setEnabled(known);
  ui->ButtonList->setEnabled(known);
}

bool TFormMain::selectionFromFolders() const {
  return folderSelection_.folders > 0 && folderSelection_.files == ctx_.state.FileList;
}

QString TFormMain::folderSelectionText() const {
  const FolderSelection& f = folderSelection_;
  const QString files = QString::number(f.files.size());
  const QString folders = QString::number(f.folders);
  if (f.filesGiven == 0) return ctx_.state.langText(LangText::FilesFromFolders, files, folders);
  // The figures hold digits only, so a third mark filled afterwards cannot meet one of them.
  return ctx_.state.langText(LangText::FilesFromFoldersMixed, files, folders)
      .replace(QLatin1String("%3"), QString::number(f.filesGiven));
}
