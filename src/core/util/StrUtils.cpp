// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/util/StrUtils.h"

#include <cmath>
#include <optional>
#include <utility>

namespace StrUtils {

char SelectChar(bool condition, char a, char b) {
  return condition ? a : b;
}

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct Scanned {
  bool negative = false;
  bool hex = false;
  QByteArray digits;  // significant digits, leading zeros stripped (may be empty for zero)
};

// The grammar shared by ParseInt and ParseCardinal.
std::optional<Scanned> scanNumber(const QByteArray& text) {
  Scanned s;
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && text[i] == ' ') ++i;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    s.negative = text[i] == '-';
    ++i;
  }
  if (i < n && text[i] == '$') {
    s.hex = true;
    ++i;
  } else if (i < n && (text[i] == 'x' || text[i] == 'X')) {
    s.hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    // "0x" followed by at least one hex digit; a lone "0x" is not the decimal 0 followed by junk
    s.hex = true;
    i += 2;
  }
  const qsizetype start = i;
  while (i < n && (s.hex ? hexValue(text[i]) >= 0 : (text[i] >= '0' && text[i] <= '9'))) ++i;
  if (i == start || i != n) return std::nullopt;
  qsizetype first = start;
  while (first < n - 1 && text[first] == '0') ++first;
  s.digits = text.mid(first);
  if (s.digits == "0") s.digits.clear();
  return s;
}

}  // namespace

qint32 ParseInt(const QByteArray& text, qint32 def) {
  const auto s = scanNumber(text);
  if (!s) return def;
  if (s->hex) {
    if (s->digits.size() > 8) return def;
    quint32 v = 0;
    for (char c : s->digits) v = (v << 4) | quint32(hexValue(c));
    qint32 r = qint32(v);
    return s->negative ? qint32(0u - quint32(r)) : r;
  }
  if (s->digits.size() > 10) return def;
  qint64 v = 0;
  for (char c : s->digits) v = v * 10 + (c - '0');
  if (s->negative) v = -v;
  if (v < -2147483648LL || v > 2147483647LL) return def;
  return qint32(v);
}

quint32 ParseCardinal(const QByteArray& text, quint32 def) {
  const auto s = scanNumber(text);
  if (!s) return def;
  quint64 v = 0;
  if (s->hex) {
    if (s->digits.size() > 16) return def;
    for (char c : s->digits) v = (v << 4) | quint64(hexValue(c));
  } else {
    if (s->digits.size() > 19) return def;
    for (char c : s->digits) v = v * 10 + quint64(c - '0');
    // decimal must lie within the signed 64-bit range after the sign
    if (!s->negative && v > quint64(INT64_MAX)) return def;
    if (s->negative && v > quint64(INT64_MAX) + 1) return def;
  }
  if (s->negative) v = 0 - v;
  return quint32(v & 0xFFFFFFFFu);
}

long double ParseFloat(const QByteArray& text, long double def) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == n) return def;
  // The settings file writes values that are not finite as INF, -INF and NAN; they read back as
  // themselves.
  const QByteArray word = text.mid(i).toUpper();
  if (word == "INF") return negative ? -HUGE_VALL : HUGE_VALL;
  if (word == "NAN") return std::nanl("");
  // Only the first significant digits are accumulated; further ones only move the decimal
  // exponent, so that a long run of digits cannot overflow the mantissa.
  constexpr int kSignificant = 40;
  long double mantissa = 0;
  int digits = 0;
  int significant = 0;
  long scale = 0;
  auto takeDigit = [&](char c, bool fraction) {
    ++digits;
    if (significant == 0 && c == '0') {
      if (fraction) --scale;
      return;
    }
    if (significant < kSignificant) {
      mantissa = mantissa * 10 + (c - '0');
      ++significant;
      if (fraction) --scale;
    } else if (!fraction) {
      ++scale;
    }
  };
  while (i < n && text[i] >= '0' && text[i] <= '9') {
    if (scale < 1000000) takeDigit(text[i], false);
    ++i;
  }
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
      if (scale > -1000000) takeDigit(text[i], true);
      ++i;
    }
  }
  long exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool expNegative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) expNegative = text[i++] == '-';
    const qsizetype expStart = i;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
      ++i;
    }
    if (i == expStart) return def;
    if (expNegative) exponent = -exponent;
  }
  if (i != n) return def;
  // "." alone or an exponent with no digits before it: nothing to read
  if (digits == 0) return def;
  // Dividing by an exact power of ten rounds once; a very small power is applied in two steps
  // so that a long mantissa does not underflow early.
  const long total = exponent + scale;
  long double v = mantissa;
  if (v != 0) {
    if (total >= 0)
      v *= std::pow(10.0L, (long double)total);
    else if (total >= -4900)
      v /= std::pow(10.0L, (long double)-total);
    else
      v = v / std::pow(10.0L, 4900.0L) / std::pow(10.0L, (long double)(-total - 4900));
  }
  return negative ? -v : v;
}

QByteArray NthWord(const QByteArray& text, quint32 n, char separator) {
  QByteArray result;
  if (text.isEmpty()) return result;
  quint32 word = 1;
  qsizetype i = 0;
  const qsizetype len = text.size();
  while (i < len) {
    if (text[i] == separator) {
      while (i < len && text[i] == separator) ++i;
      ++word;
      if (word > n) break;
    } else {
      if (word == n) result.append(text[i]);
      ++i;
    }
  }
  return result;
}

quint32 CountWords(const QByteArray& text, char separator) {
  if (text.isEmpty() || text[0] == separator) return 0;
  // consecutive non-empty words from word 1; only a trailing run can give an empty word
  quint32 count = 0;
  qsizetype i = 0;
  const qsizetype len = text.size();
  while (i < len) {
    ++count;
    while (i < len && text[i] != separator) ++i;
    while (i < len && text[i] == separator) ++i;
  }
  return count;
}

quint32 CountLines(const QByteArray& text) {
  if (text.isEmpty()) return 0;
  if (text.size() == 1) return 1;
  quint32 count = 1;
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '\r' && text[i + 1] == '\n') {
      if (i + 2 < text.size()) ++count;
      ++i;
    }
  }
  return count;
}

QByteArray NthLine(const QByteArray& text, quint32 n) {
  QByteArray result;
  if (text.isEmpty() || n > CountLines(text)) return result;
  if (text.size() == 1) return text;
  quint32 line = 1;
  qsizetype i = 0;
  const qsizetype len = text.size();
  while (i < len) {
    if (text[i] == '\r' && i + 1 < len && text[i + 1] == '\n') {
      ++line;
      if (line > n) break;
      i += 2;
    } else {
      if (line == n) result.append(text[i]);
      ++i;
    }
  }
  return result;
}

QByteArray TrimSpaces(const QByteArray& text) {
  qsizetype b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  return text.mid(b, e - b);
}

QByteArray PadLeft(const QByteArray& text, quint32 width, char fill, bool truncate) {
  QByteArray r = text;
  if (quint32(r.size()) < width) r.prepend(QByteArray(qsizetype(width) - r.size(), fill));
  if (truncate && quint32(r.size()) > width) r = r.right(width);
  return r;
}

namespace {

// The code point of the UTF-8 sequence at text[i] and its length, or length 0 when the bytes
// there are not a valid sequence (overlong forms, surrogates and values past U+10FFFF included).
// Written out because Qt's decoder turns each such byte into U+FFFD, losing which byte it was.
std::pair<char32_t, int> utf8At(const QByteArray& text, qsizetype i) {
  const auto b = [&](qsizetype k) { return uchar(text[k]); };
  const uchar lead = b(i);
  if (lead < 0x80) return {lead, 1};
  int length = 0;
  char32_t cp = 0, least = 0;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2, cp = lead & 0x1F, least = 0x80;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3, cp = lead & 0x0F, least = 0x800;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4, cp = lead & 0x07, least = 0x10000;
  else
    return {0, 0};
  if (i + length > text.size()) return {0, 0};
  for (int k = 1; k < length; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return {0, 0};
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {0, 0};
  return {cp, length};
}

bool hiddenOrControl(char32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x061C || cp == 0x200E || cp == 0x200F ||
         (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069) || cp == 0xFEFF;
}

QString escaped(const char* prefix, uint value, int digits) {
  return QLatin1String(prefix) +
         QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

}  // namespace

QString ReadableName(const QByteArray& name) {
  QString out;
  out.reserve(name.size());
  for (qsizetype i = 0; i < name.size();) {
    const auto [cp, length] = utf8At(name, i);
    if (length == 0) {
      out += escaped("\\x", uchar(name[i]), 2);
      ++i;
      continue;
    }
    i += length;
    if (cp == '\\')
      out += QStringLiteral("\\\\");
    else if (hiddenOrControl(cp))
      out += cp < 0x100 ? escaped("\\x", cp, 2) : escaped("\\u", cp, 4);
    else
      out += QString::fromUcs4(&cp, 1);
  }
  return out;
}

}  // namespace StrUtils
