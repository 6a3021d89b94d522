// The main window's settings: loading at start, writing at close, defaults.
#include <QFile>

#include "core/i18n/LanguageFiles.h"
#include "core/settings/OptionsLogic.h"
#include "core/settings/SettingsFile.h"
#include "core/settings/SettingsLocation.h"
#include "gui/dialogs/TFormChooseLang.h"
#include "gui/dialogs/TFormOpt.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/TRadioGroup.h"
#include "ui_TFormMain.h"

namespace {

// Every value reaches its control through the control's own setter, so the change handlers run
// exactly as for a change by the user (captions, enabling rules), and the control keeps the value
// within its range.
void setChecked(QAbstractButton* b, const std::optional<bool>& v) {
  if (!v) return;
  // A selected radio button will not untick itself while it is auto-exclusive; a stored state
  // with neither nrv button selected must come back as it was saved.
  const bool exclusive = b->autoExclusive();
  if (!*v && exclusive) b->setAutoExclusive(false);
  b->setChecked(*v);
  b->setAutoExclusive(exclusive);
}
void setPosition(QAbstractSlider* s, const std::optional<qint32>& v) {
  if (v) s->setValue(*v);
}
void setItem(TRadioGroup* g, const std::optional<qint32>& v) {
  if (v) g->setItemIndex(*v);
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
  GlobalOptions& o = s.opt;
  s.CmdPackLines.clear();
  s.CmdUnPackLines.clear();

  // The Options dialog's Reset sets its part of the preferences, re-applies the window settings
  // through SetLanguage and refreshes the dialog.
  if (ctx_.FormOpt) {
    ctx_.FormOpt->ButtonResetClick();
  } else {
    OptionsLogic::ResetPreferences(o);
    SetLanguage();
  }

  ui->SpeedButtonAddOpt->setChecked(false);

  o.GlobalOpt_UPX2.clear();
  o.GlobalOpt_CloseCon = 1;
  o.GlobalOpt_PriorityClass = 32;
  o.GlobalOpt_ThreadPriority = 0;
  o.GlobalOpt_FirstTimeShowConsol = 0;
  o.GlobalOpt_StayOnTop = 2;
  o.GlobalOpt_ShowHints = true;

  ButtonResetClick();

  o.CmdLinesMax = 10;
  o.LangName.clear();
  o.ShellExt.clear();
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
  setPosition(ui->CompressValueBar, r.CompressValueBar);
  setChecked(ui->BackupBox, r.BackupBox);
  setChecked(ui->OutFileBox, r.OutFileBox);
  setChecked(ui->ReplaceIfExistsCheckBox, r.ReplaceIfExistsCheckBox);
  setItem(ui->OverlayGroup, r.OverlayGroup);
  setChecked(ui->OptBoxDOS1, r.OptBoxDOS1);
  setChecked(ui->OptBoxDOS2, r.OptBoxDOS2);
  setItem(ui->ExportsGroup, r.ExportsGroup);
  setItem(ui->IconsGroup, r.IconsGroup);
  setChecked(ui->ResourcesBox, r.ResourcesBox);
  setChecked(ui->CheckBoxForce, r.CheckBoxForce);
  setItem(ui->RelocationsGroup, r.RelocationsGroup);
  setChecked(ui->Compress1CheckBox, r.Compress1CheckBox);
  setPosition(ui->CompressValueBar1, r.CompressValueBar1);
  setChecked(ui->CheckBoxCoff, r.CheckBoxCoff);
  setChecked(ui->CheckBoxLe, r.CheckBoxLe);
  setChecked(ui->CheckBoxTryMulti, r.CheckBoxTryMulti);
  setChecked(ui->RadioButton_nrv2b, r.RadioButton_nrv2b);
  setChecked(ui->RadioButton_nrv2d, r.RadioButton_nrv2d);
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
}

Settings::SettingsRows currentSettingsRows(const TFormMain& w, const Ui::TFormMain* ui,
                                           const ProgramState& s) {
  const GlobalOptions& o = s.opt;
  Settings::SettingsRows r;
  r.LangName = o.LangName;
  r.SpeedButtonAddOpt = ui->SpeedButtonAddOpt->isChecked();
  r.Files = s.FileList;
  r.EditOutfile = w.outFileBytes();
  r.CompressValueBar = ui->CompressValueBar->value();
  r.BackupBox = ui->BackupBox->isChecked();
  r.OutFileBox = ui->OutFileBox->isChecked();
  r.ReplaceIfExistsCheckBox = ui->ReplaceIfExistsCheckBox->isChecked();
  r.OverlayGroup = ui->OverlayGroup->itemIndex();
  r.OptBoxDOS1 = ui->OptBoxDOS1->isChecked();
  r.OptBoxDOS2 = ui->OptBoxDOS2->isChecked();
  r.ExportsGroup = ui->ExportsGroup->itemIndex();
  r.IconsGroup = ui->IconsGroup->itemIndex();
  r.ResourcesBox = ui->ResourcesBox->isChecked();
  r.CheckBoxForce = ui->CheckBoxForce->isChecked();
  r.RelocationsGroup = ui->RelocationsGroup->itemIndex();
  r.Compress1CheckBox = ui->Compress1CheckBox->isChecked();
  r.CompressValueBar1 = ui->CompressValueBar1->value();
  r.CheckBoxCoff = ui->CheckBoxCoff->isChecked();
  r.CheckBoxLe = ui->CheckBoxLe->isChecked();
  r.CheckBoxTryMulti = ui->CheckBoxTryMulti->isChecked();
  r.RadioButton_nrv2b = ui->RadioButton_nrv2b->isChecked();
  r.RadioButton_nrv2d = ui->RadioButton_nrv2d->isChecked();
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
  return r;
}

bool chooserVisible(const AppContext& ctx) {
  return ctx.FormChooseLang && ctx.FormChooseLang->isVisible();
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
    if (!chooserVisible(ctx_) && !RunLanguageChoice(ctx_)) {
      startupAborted = true;
      return;
    }
  }
  if (!chooserVisible(ctx_) && ctx_.state.opt.LangName.isEmpty() && !RunLanguageChoice(ctx_)) {
    startupAborted = true;
    return;
  }
  if (ctx_.state.opt.ShellExt.isEmpty()) ctx_.state.opt.ShellExt = {".exe", ".com", ".dll"};
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
