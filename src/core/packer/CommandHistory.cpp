// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/CommandHistory.h"

namespace CommandHistory {

void Add(QList<QByteArray>& history, const QByteArray& text, quint32 maxEntries) {
  if (text.isEmpty()) return;
  const qsizetype previous = history.indexOf(text);
  if (previous >= 0) history.removeAt(previous);
  history.prepend(text);
  if (quint64(history.size()) > maxEntries) history.resize(qsizetype(maxEntries));
}

}  // namespace CommandHistory

namespace CommandText {

namespace {

// Length of the valid UTF-8 sequence at position i, or 0 when the byte there starts none.
int ValidSequenceLength(const QByteArray& s, qsizetype i) {
  const auto at = [&](qsizetype k) { return k < s.size() ? uchar(s[k]) : 0u; };
  const uint b0 = at(i);
  const auto cont = [&](qsizetype k, uint lo = 0x80, uint hi = 0xBF) {
    const uint b = at(k);
    return k < s.size() && b >= lo && b <= hi;
  };
  if (b0 < 0x80) return 1;
  if (b0 >= 0xC2 && b0 <= 0xDF) return cont(i + 1) ? 2 : 0;
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    const uint lo = b0 == 0xE0 ? 0xA0 : 0x80;
    const uint hi = b0 == 0xED ? 0x9F : 0xBF;  // no encoded surrogates
    return cont(i + 1, lo, hi) && cont(i + 2) ? 3 : 0;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    const uint lo = b0 == 0xF0 ? 0x90 : 0x80;
    const uint hi = b0 == 0xF4 ? 0x8F : 0xBF;
    return cont(i + 1, lo, hi) && cont(i + 2) && cont(i + 3) ? 4 : 0;
  }
  return 0;
}

}  // namespace

QString ToText(const QByteArray& line) {
  QString r;
  r.reserve(line.size());
  qsizetype i = 0;
  while (i < line.size()) {
    const int n = ValidSequenceLength(line, i);
    if (n == 0) {
      r.append(QChar(ushort(0xDC00 + uchar(line[i]))));
      ++i;
    } else {
      r.append(QString::fromUtf8(line.constData() + i, n));
      i += n;
    }
  }
  return r;
}

QByteArray FromText(const QString& text) {
  QByteArray r;
  r.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      r += QString(text.mid(i, 2)).toUtf8();
      ++i;
    } else if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) {
      r += char(c.unicode() - 0xDC00);
    } else {
      r += QString(c).toUtf8();  // a stray surrogate becomes U+FFFD
    }
  }
  return r;
}

}  // namespace CommandText
