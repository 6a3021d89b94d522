// SPDX-License-Identifier: GPL-3.0-or-later
// The string helpers on any bytes: lines and words agree with their counts, numbers parse the
// same with any default when they parse at all, and a formatted float reads back as itself.

#include <cmath>
#include <cstring>

#include "core/settings/CFGfile.h"
#include "core/util/StrUtils.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
  using namespace StrUtils;

  const quint32 lines = CountLines(text);
  for (quint32 i = 1; i <= lines && i <= 64; ++i) FUZZ_CHECK(!NthLine(text, i).contains("\r\n"));
  FUZZ_CHECK(NthLine(text, lines + 1).isEmpty());

  const char separator = size > 0 ? char(data[0]) : ',';
  const quint32 words = CountWords(text, separator);
  for (quint32 i = 1; i <= words && i <= 64; ++i)
    FUZZ_CHECK(!NthWord(text, i, separator).contains(separator));

  const QByteArray trimmed = TrimSpaces(text);
  FUZZ_CHECK(!trimmed.startsWith(' ') && !trimmed.endsWith(' '));
  FUZZ_CHECK(PadLeft(text, 20, ' ', true).size() == 20);

  const qint32 i1 = ParseInt(text, 1), i2 = ParseInt(text, 2);
  const quint32 c1 = ParseCardinal(text, 1), c2 = ParseCardinal(text, 2);
  if (i1 != 1 && i2 != 2) FUZZ_CHECK(i1 == i2);
  if (c1 != 1 && c2 != 2) FUZZ_CHECK(c1 == c2);
  FUZZ_CHECK(ParseInt(QByteArray::number(i1), 7) == i1);

  const long double f = ParseFloat(text, 0.5L);
  (void)f;

  // A float the settings file writes reads back as the same value (NaN as NaN), and its record
  // is written again as it was.
  if (size >= sizeof(double)) {
    double d;
    std::memcpy(&d, data, sizeof d);
    const long double r = ParseFloat(TCFGfile::FormatCfgFloat(d), 0);
    if (std::isnan(d))
      FUZZ_CHECK(std::isnan(r));
    else
      FUZZ_CHECK(double(r) == d);
    TCFGfile cfg;
    cfg.SetFloat("x", d);
    TCFGfile back;
    if (back.ParseText(cfg.SaveToText())) FUZZ_CHECK(back.SaveToText() == cfg.SaveToText());
  }
  return 0;
}
