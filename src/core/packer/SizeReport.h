// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The size and ratio figures of the main window, as text: sizes in whole kibibytes (cut down, but
// a size of a few bytes is 1, never 0),
// the ratio of the packed to the unpacked total in percent, rounded to the nearest integer with
// ties to even. Totals are 64-bit so that 4 GiB and more do not wrap.

#include <QByteArray>
#include <optional>

namespace SizeReport {

// "<bytes div 1024> <unit>"; 1 to 1023 bytes give 1.
QByteArray KiBText(quint64 bytes, const QByteArray& unit);
// compressed * 100 / uncompressed, rounded half to even; nothing when uncompressed is 0.
std::optional<quint64> RatioPercent(quint64 uncompressed, quint64 compressed);
// "<ratio> %", or nothing when uncompressed is 0 (the label keeps its text then).
std::optional<QByteArray> RatioText(quint64 uncompressed, quint64 compressed);

}  // namespace SizeReport
