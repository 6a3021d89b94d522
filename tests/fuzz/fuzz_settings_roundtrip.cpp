// Load, save, load: what one save writes, the next load reads back, so a second save writes the
// same bytes. Names the format cannot hold are left out by the save, never half-written.

#include "core/settings/CFGfile.h"
#include "core/settings/SettingsFile.h"
#include "fuzz/FuzzSupport.h"

namespace {
QByteArray savedText(const Settings::SettingsRows& rows) {
  TCFGfile cfg;
  Settings::WriteRows(rows, cfg);
  return cfg.SaveToText();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const QByteArray path = fuzzFile("settings-roundtrip");
  if (!writeFuzzFile(path, data, size)) return 0;
  Settings::SettingsRows first;
  if (!Settings::LoadSettingsFile(path, first)) return 0;
  FUZZ_CHECK(Settings::SaveSettingsFile(path, first));
  Settings::SettingsRows second;
  FUZZ_CHECK(Settings::LoadSettingsFile(path, second));
  const QByteArray a = savedText(first);
  const QByteArray b = savedText(second);
  if (a != b) {
    std::fprintf(stderr, "first save:\n%s\nsecond save:\n%s\n",
                 a.toPercentEncoding(" ").constData(), b.toPercentEncoding(" ").constData());
  }
  FUZZ_CHECK(a == b);
  return 0;
}
