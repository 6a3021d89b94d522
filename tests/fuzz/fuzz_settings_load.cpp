// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file reader on any bytes: no crash, and a load that fails leaves every row empty.

#include "core/settings/SettingsFile.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const QByteArray path = fuzzFile("settings-load");
  if (!writeFuzzFile(path, data, size)) return 0;
  Settings::SettingsRows rows;
  if (!Settings::LoadSettingsFile(path, rows)) {
    FUZZ_CHECK(!rows.LangName && !rows.Files && !rows.CmdLinesMax && rows.ShellExt.isEmpty());
  }
  return 0;
}
