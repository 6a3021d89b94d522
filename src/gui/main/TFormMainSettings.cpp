// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's settings: loading at start, writing at close, defaults.
#include <QFile>

#include "core/batch/RunGroups.h"
#include "core/i18n/LanguageFiles.h"
#include "core/settings/OptionsLogic.h"
#include "core/settings/SettingsFile.h"
#include "core/settings/SettingsLocation.h"
#include "gui/main/AppContext.h"
#include "gui/main/OptionControls.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/RadioGroup.h"
#include "ui_TFormMain.h"

namespace {

// Every value reaches its control through the control's own setter, so the change handlers run
// exactly as for a change by the user (captions, enabling rules).
void setChecked(QAbstractButton* b, const std::optional<bool>& v) {
  if (v) b->setChecked(*v);
}
template <typename T>
void setField(T& field, const std::optional<T>& v) {
  if (v) field = *v;
}
void appendLines(QList<QByteArray>& list, const std::optional<QList<QByteArray>>& v) {
  if (v) list.append(*v);
}

// Decided once per run, on first use; a path preset by the caller stands.
QByteArray settingsPath(ProgramState& s) {
  if (s.SettingsPath.isEmpty()) s.SettingsPath = SettingsLocation::ChoosePath(s.ProgramDir);
  return s.SettingsPath;
}

}  // namespace

void TFormMain::ApplyDefaults() {
  ProgramState& s = ctx_.state;
  s.CmdPackLines.clear();
  s.CmdUnPackLines.clear();
  // Every preference at its default; the extension list stays empty until the settings are read
  // (an empty list after reading means the defaults).
  s.opt = GlobalOptions();
  s.opt.ShellExt.clear();

  // The Options dialog shows these the next time it opens.
  SetLanguage();

  ui->SpeedButtonAddOpt->setChecked(false);
  ButtonResetClick();
}

namespace {

void applySettingsRows(TFormMain& w, Ui::TFormMain* ui, ProgramState& s,
                       const Settings::SettingsRows& r) {
  GlobalOptions& o = s.opt;
  // Table order: a check box that enables other controls comes before them.
  setField(o.LangName, r.LangName);
  setChecked(ui->SpeedButtonAddOpt, r.SpeedButtonAddOpt);
  appendLines(s.FileList, r.Files);
  if (r.EditOutfile) w.setOutFileBytes(*r.EditOutfile);
  for (std::size_t i = 0; i < PackOptionCount; ++i)
    if (const std::optional<qint32>& v = r.Options[i])
      OptionControls::setValue(&w, PackOptionRows[i], *v, OptionControls::RadioMode::Restore);
  setField(o.GlobalOpt_FastOpen, r.GlobalOpt_FastOpen);
  setField(o.GlobalOpt_UPX2, r.GlobalOpt_UPX2);
  setField(o.GlobalOpt_DragOp, r.GlobalOpt_DragOp);
  setField(o.GlobalOpt_CloseCon, r.GlobalOpt_CloseCon);
  setField(o.GlobalOpt_PriorityClass, r.GlobalOpt_PriorityClass);
  setField(o.GlobalOpt_ThreadPriority, r.GlobalOpt_ThreadPriority);
  setField(o.GlobalOpt_FirstTimeShowConsol, r.GlobalOpt_FirstTimeShowConsol);
  setField(o.GlobalOpt_StayOnTop, r.GlobalOpt_StayOnTop);
  setField(o.GlobalOpt_ShowHints, r.GlobalOpt_ShowHints);
  setField(o.CmdLinesMax, r.CmdLinesMax);
  appendLines(s.CmdPackLines, r.CmdPackLines);
  appendLines(s.CmdUnPackLines, r.CmdUnPackLines);
  o.ShellExt.append(r.ShellExt);
  // A file from a machine with more cores (or edited by hand) asks for no more runs than fit here.
  if (r.GlobalOpt_PackerRuns) o.GlobalOpt_PackerRuns = RunGroups::Clamp(*r.GlobalOpt_PackerRuns);
}

Settings::SettingsRows currentSettingsRows(const TFormMain& w, const Ui::TFormMain* ui,
                                           const ProgramState& s) {
  const GlobalOptions& o = s.opt;
  Settings::SettingsRows r;
  r.LangName = o.LangName;
  r.SpeedButtonAddOpt = ui->SpeedButtonAddOpt->isChecked();
  r.Files = s.FileList;
  r.EditOutfile = w.outFileBytes();
  for (std::size_t i = 0; i < PackOptionCount; ++i)
    r.Options[i] = OptionControls::value(&w, PackOptionRows[i]);
  r.GlobalOpt_FastOpen = o.GlobalOpt_FastOpen;
  r.GlobalOpt_UPX2 = o.GlobalOpt_UPX2;
  r.GlobalOpt_DragOp = o.GlobalOpt_DragOp;
  r.GlobalOpt_CloseCon = o.GlobalOpt_CloseCon;
  r.GlobalOpt_PriorityClass = o.GlobalOpt_PriorityClass;
  r.GlobalOpt_ThreadPriority = o.GlobalOpt_ThreadPriority;
  r.GlobalOpt_FirstTimeShowConsol = o.GlobalOpt_FirstTimeShowConsol;
  r.GlobalOpt_StayOnTop = o.GlobalOpt_StayOnTop;
  r.GlobalOpt_ShowHints = o.GlobalOpt_ShowHints;
  r.CmdLinesMax = o.CmdLinesMax;
  r.CmdPackLines = s.CmdPackLines;
  r.CmdUnPackLines = s.CmdUnPackLines;
  r.ShellExt = o.ShellExt;
  r.GlobalOpt_PackerRuns = o.GlobalOpt_PackerRuns;
  return r;
}

}  // namespace

void TFormMain::ReadCFG() {
  ApplyDefaults();
  Settings::SettingsRows rows;
  // Settings that moved to the user's folder are first read from the program folder.
  const QByteArray readPath =
      SettingsLocation::ReadPath(ctx_.state.ProgramDir, settingsPath(ctx_.state));
  if (Settings::LoadSettingsFile(readPath, rows)) {
    applySettingsRows(*this, ui, ctx_.state, rows);
  } else {
    // No usable file: nothing of a partly readable one is used; this is a first start. A chooser
    // already on screen is not shown a second time.
    ApplyDefaults();
    if (!ctx_.languageChoiceShowing() && !ctx_.runLanguageChoice()) {
      startupAborted = true;
      return;
    }
  }
  if (!ctx_.languageChoiceShowing() && ctx_.state.opt.LangName.isEmpty() &&
      !ctx_.runLanguageChoice()) {
    startupAborted = true;
    return;
  }
  if (ctx_.state.opt.ShellExt.isEmpty()) ctx_.state.opt.ShellExt = GlobalOptions().ShellExt;
  FillText();
}

void TFormMain::WriteCFG() {
  // Once per run: the close of the main window, the end of the desktop session and the end of
  // the event loop may all ask, and the first one writes.
  if (settingsWritten) return;
  settingsWritten = true;
  // A failed save leaves the previous file whole; a settings file that cannot be written was
  // reported in the status line at start.
  Settings::SaveSettingsFile(settingsPath(ctx_.state), currentSettingsRows(*this, ui, ctx_.state));
}

void TFormMain::reportUnwritableSettings() {
  if (unwritableReported_ || SettingsLocation::CanWrite(settingsPath(ctx_.state))) return;
  unwritableReported_ = true;
  const QString text = ctx_.state.langText(LangText::SettingsNotWritable) +
                       LanguageFiles::DisplayName(settingsPath(ctx_.state));
  ui->EditStatus->setText(text);
  ui->EditStatus->setCursorPosition(0);
  ui->EditStatus->setToolTip(text);  // a long path does not fit the line
}

void TFormMain::noteUnstorableNames() {
  if (unstorableNoted_) return;
  bool all = Settings::Storable(outFileBytes_);
  for (const QByteArray& f : ctx_.state.FileList) all = all && Settings::Storable(f);
  const QString text = ctx_.state.langText(LangText::NamesNotSaved);
  if (all || text.isEmpty()) return;  // said once the language is there
  unstorableNoted_ = true;
  ui->EditStatus->setText(text);
  ui->EditStatus->setCursorPosition(0);
  ui->EditStatus->setToolTip(text);
}
