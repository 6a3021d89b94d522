// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's start-up sequence, run once as the program starts (or when the main window is
// first shown): the settings (on a first start the language chooser), the language, the main
// window shown in its place, the packer (asked for when it is not found) and its version, then
// the files given on the command line. A step that cannot go on ends the program before anything
// after it runs. A step that asks the user goes on when the answer comes.

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
  void takeLanguage();
  void locatePacker();
  void finish();
  // The packer is asked its version without waiting for the answer; the state settles it.
  void askPackerVersion();
  void endProgram();

  AppContext& ctx_;
  bool started_ = false;
  bool aborted_ = false;
};
