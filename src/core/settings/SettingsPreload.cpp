// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/SettingsPreload.h"

#include <utility>

#include "core/settings/SettingsLocation.h"

SettingsPreload::SettingsPreload(QByteArray programDir)
    : programDir_(std::move(programDir)), thread_([this] {
        settingsPath_ = SettingsLocation::ChoosePath(programDir_);
        readPath_ = SettingsLocation::ReadPath(programDir_, settingsPath_);
        Settings::SettingsRows rows;
        if (Settings::LoadSettingsFile(readPath_, rows)) rows_ = std::move(rows);
      }) {}

SettingsPreload::~SettingsPreload() {
  wait();
}

void SettingsPreload::wait() {
  if (thread_.joinable()) thread_.join();
}

QByteArray SettingsPreload::settingsPath(const QByteArray& programDir) {
  wait();
  return programDir == programDir_ ? settingsPath_ : QByteArray();
}

bool SettingsPreload::take(const QByteArray& readPath,
                           std::optional<Settings::SettingsRows>& rows) {
  wait();
  if (taken_ || readPath != readPath_) return false;
  taken_ = true;
  rows = std::exchange(rows_, std::nullopt);
  return true;
}
