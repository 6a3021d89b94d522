// SPDX-License-Identifier: GPL-3.0-or-later
// The language source converter: a source it accepts gives a file that loads with every entry
// as the source gave it; a source it cannot represent is refused with the line named.

#include "core/i18n/LanguageSource.h"
#include "core/settings/CFGfile.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const QByteArray path = fuzzFile("language-source");
  const QByteArray source(reinterpret_cast<const char*>(data), qsizetype(size));
  TCFGfile converted;
  QByteArray error;
  if (!LanguageSource::Convert(source, converted, error)) {
    FUZZ_CHECK(error.startsWith("line "));
    return 0;
  }
  FUZZ_CHECK(converted.SaveToFile(path));
  TCFGfile loaded;
  FUZZ_CHECK(loaded.LoadFromFile(path, true));
  FUZZ_CHECK(loaded.StringCount() == converted.StringCount());
  for (int i = 0; i < converted.StringCount(); ++i) {
    FUZZ_CHECK(loaded.StringKeyAt(i) == converted.StringKeyAt(i));
    FUZZ_CHECK(loaded.StringValueAt(i) == converted.StringValueAt(i));
  }
  return 0;
}
