// The main window's jobs: packing, unpacking, the information commands and the size report.
#include <QFile>

#include "core/packer/SizeReport.h"
#include "gui/main/AppContext.h"
#include "gui/main/JobRunner.h"
#include "gui/main/TFormMain.h"
#include "ui_TFormMain.h"

void TFormMain::showTotals(quint64 uncompressed, quint64 compressed, const QByteArray& unit) {
  ui->LabelF1->setText(QString::fromUtf8(SizeReport::KiBText(uncompressed, unit)));
  ui->LabelF2->setText(QString::fromUtf8(SizeReport::KiBText(compressed, unit)));
  if (const auto ratio = SizeReport::RatioText(uncompressed, compressed))
    ui->LabelF3->setText(QString::fromUtf8(*ratio));
  for (QLabel* l : {ui->LabelF1, ui->LabelF2, ui->LabelF3}) l->adjustSize();
}

void TFormMain::CalcSize() {
  showTotals(ctx_.state.UncompressedTotal, ctx_.state.CompressedTotal,
             ctx_.state.langBytes(LangText::UnitKiB));
}

void TFormMain::CalcSizeMul() {
  showTotals(ctx_.state.UncompressedTotal, ctx_.state.CompressedTotal,
             ctx_.state.langBytes(LangText::UnitKiBTotal));
}

void TFormMain::StayOnTopStep(bool after) {
  switch (ctx_.state.opt.stayOnTop()) {
    case StayOnTop::Always:
      SetTopmost(this, true);
      break;
    case StayOnTop::ExceptDuringRun:
      SetTopmost(this, after);
      break;
    case StayOnTop::Never:
      SetTopmost(this, false);
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
  if (ctx_.jobs->busy()) return;
  StayOnTopStep(false);
  ctx_.jobs->startPack(pack, packOptions());
}

void TFormMain::runInfoCommand(int which, bool withSizes) {
  ctx_.jobs->startInfo(static_cast<CommandLine::InfoCommand>(which), withSizes);
}

void TFormMain::jobFinished(const JobResult& result) {
  if (result.started) showExitStatus(result.statusText);
  if (result.sizesMeasured) {
    if (ctx_.state.FileList.size() <= 1)
      CalcSize();
    else
      CalcSizeMul();
  }
  if (result.packJob) StayOnTopStep(true);
  takePendingSearch();
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

void TFormMain::showExitStatus(const QString& statusText) {
  ui->EditStatus->setText(statusText);
  // The start tells what happened; all of a text longer than the line is in its hint.
  ui->EditStatus->setCursorPosition(0);
  ui->EditStatus->setToolTip(statusText);
}

void TFormMain::clearExitStatus() {
  ui->EditStatus->clear();
  ui->EditStatus->setToolTip(QString());
}
