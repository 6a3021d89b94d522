// SPDX-License-Identifier: GPL-3.0-or-later
// The language file reader on any bytes: no crash; every entry it hands on has a known kind, a
// value, and (for numbered texts) a number that was read.

#include "core/i18n/LanguageFiles.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const QByteArray path = fuzzFile("language");
  if (!writeFuzzFile(path, data, size)) return 0;
  LanguageFiles::Language lang;
  if (!LanguageFiles::LoadLanguage(path, "FormMain", lang)) return 0;
  for (const LanguageFiles::Entry& e : lang.entries) {
    FUZZ_CHECK(e.kind != LanguageFiles::EntryKind::Unknown);
    FUZZ_CHECK(!e.value.isEmpty());
    if (e.kind == LanguageFiles::EntryKind::Var) FUZZ_CHECK(e.numberValid);
  }
  return 0;
}
