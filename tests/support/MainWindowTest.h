// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fixture every test of the main window starts from: a program folder of the test's own
// (the shipped language files, the stand-in packer as upx/upx logging its arguments), a context
// over it whose showing runs no start-up sequence, prompts recorded instead of shown, the
// console's first-time note counted as seen and the packer counted as the stand-in's version.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

class ConsoleSession;

struct WindowSetup {
  bool languages = true;  // the shipped language files in the program folder
  bool english = true;    // the windows in English (else without a language)
  bool show = true;       // the main window shown
  // The start-up sequence runs when the window shows, from the settings file; nothing of the
  // above is made before.
  bool startUp = false;
  bool standin = true;  // the stand-in packer as upx/upx in the program folder
};

class MainWindowTest {
 public:
  explicit MainWindowTest(const WindowSetup& setup = {});
  explicit MainWindowTest(const std::function<void(AppContext&)>& before,
                          const WindowSetup& setup = {});
  ~MainWindowTest();
  MainWindowTest(const MainWindowTest&) = delete;
  MainWindowTest& operator=(const MainWindowTest&) = delete;

  TestProgramDir dir;
  AppContext ctx;

  TFormMain* w() const { return ctx.FormMain; }
  Controls ui() const { return Controls(ctx.FormMain); }
  ConsoleSession* console() const { return ctx.console; }
  QString status() const;
  // The selection as the window takes it from the state.
  void select(const QList<QByteArray>& files);
  // The packer's runs (arguments without the program), the version question left out.
  QList<QList<QByteArray>> runs() const;
  // Runs `during` from the event loop once the next run's packer is going (its process id noted).
  QMetaObject::Connection onRun(const std::function<void()>& during);
  qint64 packerPid = -1;
  std::optional<JobReport> last;  // how the last job ended
  // Its totals as the main window shows them: the unpacked and the packed state.
  quint64 uncompressedTotal() const;
  quint64 compressedTotal() const;
  // A main-window button pressed as the user presses it; returns when the job it started has
  // ended. `during` as in onRun.
  std::optional<JobReport> press(const char* button, const std::function<void()>& during = {});
};
