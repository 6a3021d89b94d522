// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's settings: loading at start, writing at close, defaults.
#include "core/i18n/LanguageFiles.h"
#include "core/settings/SettingsStore.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/SettingControls.h"
#include "ui_TFormMain.h"

void TFormMain::ApplyDefaults() {
  SettingsStore(ctx_.state).applyDefaults();

  // The Options dialog shows these the next time it opens.
  SetLanguage();

  ui->SpeedButtonAddOpt->setChecked(false);
  ButtonResetClick();
}

void TFormMain::ReadCFG() {
  ApplyDefaults();
  SettingsStore store(ctx_.state);
  Settings::SettingsRows rows;
  if (store.load(rows)) {
    // The window's own part. Every value reaches its control through the control's own setter,
    // so the change handlers run exactly as for a change by the user (captions, enabling rules);
    // in table order, a check box that enables other controls comes before them.
    if (rows.SpeedButtonAddOpt) ui->SpeedButtonAddOpt->setChecked(*rows.SpeedButtonAddOpt);
    if (rows.EditOutfile) setOutFileBytes(*rows.EditOutfile);
    Settings::ForEachOptionRecord(rows, [this](const Settings::Row& row, const auto& record) {
      if (record)
        SettingControls::setValue(this, row, *record, SettingControls::RadioMode::Restore);
    });
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
  Settings::SettingsRows rows;
  rows.SpeedButtonAddOpt = ui->SpeedButtonAddOpt->isChecked();
  rows.EditOutfile = outFileBytes();
  const PackOptions o = packOptions();
  ForEachOption(o, [&rows](const Settings::Row& row, const auto& value) {
    *rows.option(row.key) = qint32(value);
  });
  // A failed save leaves the previous file whole; a settings file that cannot be written was
  // reported in the status line at start.
  SettingsStore(ctx_.state).save(rows);
}

void TFormMain::reportUnwritableSettings() {
  SettingsStore store(ctx_.state);
  if (unwritableReported_ || store.canWrite()) return;
  unwritableReported_ = true;
  const QString text =
      ctx_.state.langText(LangText::SettingsNotWritable) + LanguageFiles::DisplayName(store.path());
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
