// SPDX-License-Identifier: GPL-3.0-or-later
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

// Names as the program holds them (any bytes but NUL), saved with other settings and loaded
// again: the storable ones come back as they were, the others are absent, the rest survives.
void namesRoundTrip(const QByteArray& path, const QByteArray& input) {
  Settings::SettingsRows rows;
  rows.LangName = "English";
  *rows.option("CompressValueBar") = 3;
  rows.Files = input.split('\0');
  rows.EditOutfile = rows.Files->first();
  FUZZ_CHECK(Settings::SaveSettingsFile(path, rows));
  Settings::SettingsRows back;
  FUZZ_CHECK(Settings::LoadSettingsFile(path, back));
  FUZZ_CHECK(back.LangName == rows.LangName &&
             *back.option("CompressValueBar") == *rows.option("CompressValueBar"));
  QList<QByteArray> expected;
  for (const QByteArray& name : *rows.Files)
    if (Settings::Storable(name) && !name.isEmpty()) expected.append(name);
  FUZZ_CHECK(back.Files && *back.Files == expected);
  FUZZ_CHECK(Settings::Storable(*rows.EditOutfile) ? back.EditOutfile == rows.EditOutfile
                                                   : !back.EditOutfile);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const QByteArray path = fuzzFile("settings-roundtrip");
  namesRoundTrip(path, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
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
