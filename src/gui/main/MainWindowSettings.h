// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's stored settings: read into its controls at start, written from them once per
// run. Its part of the settings file is the panel button, the output name and every packing
// option; the program's preferences go with them through the same store.

#include <QObject>

class TFormMain;
struct ProgramState;

class MainWindowSettings : public QObject {
  Q_OBJECT
 public:
  // Writes when the window closes for good.
  MainWindowSettings(TFormMain& window, ProgramState& state);
  // From the start-up on, also when the desktop session ends or the event loop is left without
  // the window being closed, whichever comes first.
  void writeAlsoAtSessionEnd();

  // The defaults, then the file's values, each through its control's own setter, so that the
  // change handlers run as for a change by the user. False when there is no usable file (a
  // first start): then nothing of a partly readable one is used.
  bool read();
  // Once per run; the first call writes. A failed save leaves the previous file whole.
  void write();
  bool written() const { return written_; }
  // The run ends before it was complete: the settings file of the previous run stays as it is.
  void keepStoredFile() { written_ = true; }
  // Once per run in the status line: the settings file cannot be written.
  void reportUnwritable();

 private:
  void applyDefaults();

  TFormMain& window_;
  ProgramState& state_;
  bool written_ = false;
  bool unwritableReported_ = false;
};
