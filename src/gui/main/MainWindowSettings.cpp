// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/MainWindowSettings.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QToolButton>

#include "core/i18n/LanguageFiles.h"
#include "core/settings/ProgramState.h"
#include "core/settings/SettingsStore.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/SettingControls.h"

namespace {

// The option panel's button, bound by its name as every stored control is.
QToolButton* PanelButton(TFormMain& window) {
  return window.findChild<QToolButton*>(QStringLiteral("SpeedButtonAddOpt"));
}

}  // namespace

MainWindowSettings::MainWindowSettings(TFormMain& window, ProgramState& state)
    : QObject(&window), window_(window), state_(state) {
  connect(&window, &TFormMain::closing, this, &MainWindowSettings::write);
}

void MainWindowSettings::writeAlsoAtSessionEnd() {
  connect(qApp, &QCoreApplication::aboutToQuit, this, &MainWindowSettings::write);
  // A logout may still be cancelled after the session asked for our data, and the program then
  // goes on: that save must not stand in for the one at the real end, or later changes would be
  // lost.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
    if (written_) return;
    write();
    written_ = false;
  });
}

void MainWindowSettings::applyDefaults() {
  SettingsStore(state_).applyDefaults();
  // The Options dialog shows these the next time it opens.
  window_.SetLanguage();
  PanelButton(window_)->setChecked(false);
  window_.ButtonResetClick();
}

bool MainWindowSettings::read() {
  applyDefaults();
  Settings::SettingsRows rows;
  const bool loaded = SettingsStore(state_).load(rows);
  if (loaded) {
    // In table order: a check box that enables other controls comes before them.
    if (rows.SpeedButtonAddOpt) PanelButton(window_)->setChecked(*rows.SpeedButtonAddOpt);
    if (rows.EditOutfile) window_.setOutFileBytes(*rows.EditOutfile);
    Settings::ForEachOptionRecord(rows, [this](const Settings::Row& row, const auto& record) {
      if (record)
        SettingControls::setValue(&window_, row, *record, SettingControls::RadioMode::Restore);
    });
  } else {
    applyDefaults();
  }
  if (state_.opt.ShellExt.isEmpty()) state_.opt.ShellExt = GlobalOptions().ShellExt;
  window_.FillText();
  return loaded;
}

void MainWindowSettings::write() {
  if (written_) return;
  written_ = true;
  Settings::SettingsRows rows;
  rows.SpeedButtonAddOpt = PanelButton(window_)->isChecked();
  rows.EditOutfile = window_.outFileBytes();
  const PackOptions o = window_.packOptions();
  ForEachOption(o, [&rows](const Settings::Row& row, const auto& value) {
    *rows.option(row.key) = qint32(value);
  });
  SettingsStore store(state_);
  if (store.save(rows) || unwritableReported_) return;  // (a folder known to be read-only: said)
  const QString why = qt_error_string(errno);
  state_.settingsSaveError =
      state_.langText(LangText::SettingsNotSaved, LanguageFiles::DisplayName(store.path()), why);
}

void MainWindowSettings::reportUnwritable() {
  SettingsStore store(state_);
  if (unwritableReported_ || store.canWrite()) return;
  unwritableReported_ = true;
  // A long path may not fit the line: all of it is in the hint.
  window_.setStatus(
      state_.langText(LangText::SettingsNotWritable) + LanguageFiles::DisplayName(store.path()),
      StatusLine::Kind::Warning);
}
