// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/SettingsStore.h"

#include "core/settings/ProgramState.h"
#include "core/settings/SettingsLocation.h"
#include "core/settings/SettingsPreload.h"

using namespace Settings;

QByteArray SettingsStore::path() {
  if (state_.SettingsPath.isEmpty() && state_.preloadedSettings)
    state_.SettingsPath = state_.preloadedSettings->settingsPath(state_.ProgramDir);
  if (state_.SettingsPath.isEmpty())
    state_.SettingsPath = SettingsLocation::ChoosePath(state_.ProgramDir);
  return state_.SettingsPath;
}

bool SettingsStore::canWrite() {
  return SettingsLocation::CanWrite(path());
}

void SettingsStore::applyDefaults() {
  state_.CmdPackLines.clear();
  state_.CmdUnPackLines.clear();
  state_.opt = GlobalOptions();
  state_.opt.ShellExt.clear();
}

bool SettingsStore::load(SettingsRows& rows) {
  const QByteArray readPath = SettingsLocation::ReadPath(state_.ProgramDir, path());
  // The first reading may have been done before the window system was up.
  std::optional<SettingsRows> preloaded;
  if (state_.preloadedSettings && state_.preloadedSettings->take(readPath, preloaded)) {
    if (!preloaded) return false;
    rows = std::move(*preloaded);
  } else if (!LoadSettingsFile(readPath, rows)) {
    return false;
  }
  ForEachPreferenceRecord(rows, state_.opt, [](const Row& row, const auto& record, auto& field) {
    if (!record) return;
    field = *record;
    // A file from a machine with more cores (or edited by hand) asks for no more than fit here.
    if (row.limit) SetNumber(field, row.limited(NumberOf(field)));
  });
  if (rows.Files) state_.FileList += std::move(*rows.Files);
  if (rows.CmdPackLines) state_.CmdPackLines.append(*rows.CmdPackLines);
  if (rows.CmdUnPackLines) state_.CmdUnPackLines.append(*rows.CmdUnPackLines);
  state_.opt.ShellExt.append(rows.ShellExt);
  return true;
}

bool SettingsStore::save(SettingsRows rows) {
  ForEachPreferenceRecord(rows, std::as_const(state_.opt),
                          [](const Row&, auto& record, const auto& field) { record = field; });
  rows.Files = state_.FileList;
  rows.CmdPackLines = state_.CmdPackLines;
  rows.CmdUnPackLines = state_.CmdUnPackLines;
  rows.ShellExt = state_.opt.ShellExt;
  return SaveSettingsFile(path(), rows);
}
