// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/SizeReport.h"

#include <cfenv>
#include <cmath>

namespace SizeReport {

QByteArray KiBText(quint64 bytes, const QByteArray& unit) {
  const quint64 kib = bytes > 0 && bytes < 1024 ? 1 : bytes / 1024;
  return QByteArray::number(kib) + ' ' + unit;
}

std::optional<quint64> RatioPercent(quint64 uncompressed, quint64 compressed) {
  if (uncompressed == 0) return std::nullopt;
  const double ratio = double(compressed) * 100.0 / double(uncompressed);
  // The default rounding mode rounds halves to even (12.5 -> 12, 13.5 -> 14); set it anyway in
  // case a library changed it.
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double rounded = std::nearbyint(ratio);
  std::fesetround(saved);
  return quint64(rounded);
}

std::optional<QByteArray> RatioText(quint64 uncompressed, quint64 compressed) {
  const auto r = RatioPercent(uncompressed, compressed);
  if (!r) return std::nullopt;
  return QByteArray::number(*r) + " %";
}

}  // namespace SizeReport
