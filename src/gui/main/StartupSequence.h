// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's start-up sequence, run once when the main window is first shown: the settings
// (on a first start the language chooser), the language, the window's place, the packer (asked
// for when it is not found) and its version, then the files given on the command line. A step
// that cannot go on ends the program before anything after it runs.

#include <QObject>

struct AppContext;

class StartupSequence : public QObject {
  Q_OBJECT
 public:
  explicit StartupSequence(AppContext& ctx, QObject* parent = nullptr);

  void run();
  // A step could not go on (no language file, no packer); nothing after it ran.
  bool aborted() const { return aborted_; }

 private:
  // The packer is asked its version without waiting for the answer; the state settles it.
  void askPackerVersion();
  bool locatePacker();
  void endProgram();

  AppContext& ctx_;
  bool aborted_ = false;
};
