// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A returning user's settings file can hold a large stored selection (tens of thousands of names),
// whose reading is the largest cost of such a start after the window system's own. A thread reads
// it while the application connects to the display; the start-up then takes what it read.

#include <QByteArray>
#include <optional>
#include <thread>

#include "core/settings/SettingsFile.h"

class SettingsPreload {
 public:
  // Decides where the settings of the program folder live and reads them, beside the caller.
  explicit SettingsPreload(QByteArray programDir);
  ~SettingsPreload();
  SettingsPreload(const SettingsPreload&) = delete;
  SettingsPreload& operator=(const SettingsPreload&) = delete;

  // Where the settings of `programDir` are saved; empty for another folder. Waits for the read.
  QByteArray settingsPath(const QByteArray& programDir);
  // The rows read from `readPath`, once: true with `rows` (none: no usable file there), false when
  // that file was not read here or was taken already. Waits for the read.
  bool take(const QByteArray& readPath, std::optional<Settings::SettingsRows>& rows);

 private:
  void wait();

  QByteArray programDir_;
  QByteArray settingsPath_;
  QByteArray readPath_;
  std::optional<Settings::SettingsRows> rows_;
  bool taken_ = false;
  std::thread thread_;
};
