// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's settings file: where it lives, reading it into the program state and writing the
// state back, and the defaults of a first start. The main window's own part (the panel button,
// the output name and the packing options) travels in the rows beside the state's.

#include <QByteArray>

#include "core/settings/SettingsFile.h"

struct ProgramState;

class SettingsStore {
 public:
  explicit SettingsStore(ProgramState& state) : state_(state) {}

  // Decided once per run, on first use; a path preset by the caller stands.
  QByteArray path();
  // A save to path() can succeed.
  bool canWrite();

  // Every preference at its default and the histories empty. The extension list stays empty
  // until the settings are read (an empty list after reading means the defaults).
  void applyDefaults();
  // Reads the file; settings that moved to the user's folder are first read from the program
  // folder. False when there is no usable file: nothing of a partly readable one is used. Else
  // the preferences are taken into the state and the lists added to it, and `rows` holds every
  // record, the window's among them.
  bool load(Settings::SettingsRows& rows);
  // Writes the state's records beside the window's in `rows`. False when the file could not be
  // written (the previous one stays whole).
  bool save(Settings::SettingsRows rows);

 private:
  ProgramState& state_;
};
