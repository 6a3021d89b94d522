// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's jobs: packing, unpacking, the information commands and the size report.
#include <unistd.h>

#include <QFile>

#include "core/batch/RunGroups.h"
#include "core/packer/FileSizes.h"
#include "core/packer/SizeReport.h"
#include "core/settings/ProgramCommands.h"
#include "gui/console/ConsoleSession.h"
#include "gui/main/AppContext.h"
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
  if (jobRunning_ || !ctx_.console) return;
  jobRunning_ = true;
  ProgramState& s = ctx_.state;
  QByteArray& pending = pack ? s.PendingPackCommand : s.PendingUnpackCommand;
  quint64& before = pack ? s.UncompressedTotal : s.CompressedTotal;
  quint64& after = pack ? s.CompressedTotal : s.UncompressedTotal;

  StayOnTopStep(false);
  before = FileSizes::SumUntilFailure(s.FileList);

  const PackOptions o = packOptions();
  const bool edited = !pending.isEmpty();
  const QByteArray command =
      edited ? pending : (pack ? CommandLine::GetCmdPack(o, s) : CommandLine::GetCmdUnPack(o, s));
  ctx_.console->OpenConsole(false);

  // An output name that differs in spelling only ("dir/./a", a linked folder, another letter case
  // on a case-blind file system) leads to the input itself: deleting it would lose the input, so
  // the packer meets the existing file instead and refuses.
  if (!edited && s.FileList.size() == 1 && o.OutFileBox && o.ReplaceIfExistsCheckBox &&
      CommandLine::UsesOutputFile(o) && ::access(o.EditOutFile.constData(), F_OK) == 0 &&
      !FileSizes::SameFile(o.EditOutFile, s.FileList.first()))
    ::unlink(o.EditOutFile.constData());  // by its bytes: a name that is not UTF-8 included
  pending.clear();

  const std::optional<int> exitCode = runPackJob(pack, edited, o, command);
  if (!exitCode) {
    ctx_.console->ReportStartFailure();
  } else {
    const CloseCon closeCon = s.opt.closeCon();
    if (closeCon == CloseCon::AfterEveryRun) ctx_.console->CloseConsole();
    if (*exitCode == 0 && closeCon == CloseCon::AfterSuccess) ctx_.console->CloseConsole();
    ctx_.console->ReportExit(ctx_.console->lastRun());

    // A separate output is measured by its name; in place the input is measured by its own
    // bytes, which the edit's text does not give back for a name that is not valid UTF-8.
    if (s.FileList.size() == 1 && o.OutFileBox && CommandLine::UsesOutputFile(o))
      after = FileSizes::SumUntilFailure({o.EditOutFile});
    else
      after = FileSizes::SumUntilFailure(s.FileList);
    if (s.FileList.size() <= 1)
      CalcSize();
    else
      CalcSizeMul();
  }
  StayOnTopStep(true);
  jobRunning_ = false;
  takePendingSearch();
}

std::optional<int> TFormMain::runPackJob(bool pack, bool edited, const PackOptions& o,
                                         const QByteArray& command) {
  const ProgramState& s = ctx_.state;
  // The preference is held within the cores where it enters (settings file, Options dialog); a
  // bound here only keeps a wild value from opening hundreds of panes.
  const int runs = int(qMin<quint32>(s.opt.GlobalOpt_PackerRuns, 64));
  // An edited line is run as written, and one output name cannot take the results of several
  // packers: those run as one packer, as does a single file.
  if (edited || runs <= 1 || s.FileList.size() <= 1 || CommandLine::UsesOutputFile(o))
    return ctx_.console->RunPacker(command);
  QList<QByteArray> commands;
  QList<int> fileCounts;
  for (const QList<QByteArray>& group : RunGroups::SplitFiles(s.FileList, runs)) {
    commands.append(pack ? CommandLine::GetCmdPack(o, group, s.packerForCommand(), s.packer())
                         : CommandLine::GetCmdUnPack(o, group, s.packerForCommand()));
    fileCounts.append(int(group.size()));
  }
  return ctx_.console->RunPackers(commands, fileCounts);
}

void TFormMain::runInfoCommand(int which, bool withSizes) {
  if (jobRunning_ || !ctx_.console) return;
  jobRunning_ = true;
  ProgramState& s = ctx_.state;
  if (withSizes) s.CompressedTotal = FileSizes::SumUntilFailure(s.FileList);
  const QByteArray command =
      CommandLine::GetCmdInfo(static_cast<CommandLine::InfoCommand>(which), s);
  ctx_.console->OpenConsole(true);
  const std::optional<int> exitCode = ctx_.console->RunPacker(command);
  if (!exitCode) {
    ctx_.console->ReportStartFailure();
  } else {
    ctx_.console->ReportExit(ctx_.console->lastRun());
    if (withSizes) {
      s.UncompressedTotal = FileSizes::SumUntilFailure(s.FileList);
      if (s.FileList.size() <= 1)
        CalcSize();
      else
        CalcSizeMul();
    }
  }
  jobRunning_ = false;
  takePendingSearch();
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

void TFormMain::showExitStatus(int /*exitCode*/, const QString& statusText) {
  ui->EditStatus->setText(statusText);
  // The start tells what happened; all of a text longer than the line is in its hint.
  ui->EditStatus->setCursorPosition(0);
  ui->EditStatus->setToolTip(statusText);
}

void TFormMain::clearExitStatus() {
  ui->EditStatus->clear();
  ui->EditStatus->setToolTip(QString());
}
