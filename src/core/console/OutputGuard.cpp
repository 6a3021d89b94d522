// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/console/OutputGuard.h"

#include <algorithm>
#include <cstring>
#include <utility>

// Hand-written: no Debian package offers a filter that knows which sequences this libvterm
// release mishandles; the rules are listed in the header.

namespace {

constexpr unsigned char kEsc = 0x1b;
constexpr unsigned char kCan = 0x18;
constexpr unsigned char kSub = 0x1a;
constexpr unsigned char kBel = 0x07;
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// BEL, BS, HT, LF, VT, FF, CR.
bool allowedControl(unsigned char b) {
  return b >= 0x07 && b <= 0x0d;
}

bool contains(const char* set, unsigned char b) {
  return b != 0 && std::strchr(set, b) != nullptr;
}

}  // namespace

QByteArray OutputGuard::filter(const QByteArray& bytes) {
  QByteArray out;
  filter(bytes.constData(), bytes.size(), out);
  return out;
}

void OutputGuard::filter(const char* bytes, qsizetype length, QByteArray& out) {
  out.reserve(out.size() + length + 16);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  const auto* const end = p + length;
  while (p < end) {
    if (state_ == State::Ground && partialLength_ == 0) {
      // Runs of printable ASCII, the bulk of the packer's output, go through in one piece.
      const auto* q = p;
      while (q < end && *q >= 0x20 && *q < 0x7f) ++q;
      if (q > p) {
        out.append(reinterpret_cast<const char*>(p), q - p);
        lastWasAscii_ = true;
        combiningRun_ = 0;
        p = q;
        continue;
      }
    }
    const unsigned char b = *p++;
    switch (state_) {
      case State::Ground:
        ground(b, out);
        break;
      case State::Escape:
        escape(b, out);
        break;
      case State::Csi:
        csi(b, out);
        break;
      case State::String:
      case State::StringEscape:
        string(b, out);
        break;
    }
  }
}

void OutputGuard::finish(QByteArray& out) {
  flushPartial(out);
  state_ = State::Ground;
  payload_.clear();
}

QByteArray OutputGuard::SafeUtf8(const QByteArray& text) {
  OutputGuard g;
  QByteArray out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (g.utf8(b, out)) continue;
    out.append(c);
  }
  g.flushPartial(out);
  return out;
}

// --- text ---

void OutputGuard::flushPartial(QByteArray& out) {
  if (partialLength_ == 0) return;
  out.append(kReplacement, 3);
  partialLength_ = 0;
  lastWasAscii_ = false;
  combiningRun_ = 0;
}

char32_t OutputGuard::codePoint() const {
  static const unsigned char leadMask[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t cp = partial_[0] & leadMask[partialLength_];
  for (int i = 1; i < partialLength_; ++i) cp = (cp << 6) | (partial_[i] & 0x3F);
  return cp;
}

bool OutputGuard::isCombining(char32_t cp) {
  if (cp >= 0x1160 && cp <= 0x11FF) return true;  // Hangul medial vowels and final consonants
  switch (QChar::category(cp)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
      return true;
    default:
      return false;
  }
}

bool OutputGuard::utf8(unsigned char b, QByteArray& out) {
  if (partialLength_ > 0) {
    if (b >= nextLow_ && b <= nextHigh_) {
      partial_[partialLength_++] = b;
      nextLow_ = 0x80;
      nextHigh_ = 0xBF;
      if (partialLength_ < partialNeeded_) return true;
      // C2 80 to C2 9F are the C1 controls (rule 2).
      if (partialLength_ == 2 && partial_[0] == 0xC2 && partial_[1] < 0xA0) {
        out.append(kReplacement, 3);
        combiningRun_ = 0;
      } else if (!isCombining(codePoint())) {
        out.append(reinterpret_cast<const char*>(partial_), partialLength_);
        combiningRun_ = 0;
      } else if (combiningRun_ < kMaxCombining) {  // rule 9
        out.append(reinterpret_cast<const char*>(partial_), partialLength_);
        ++combiningRun_;
      }
      partialLength_ = 0;
      lastWasAscii_ = false;
      return true;
    }
    // The character was cut short; b is looked at on its own.
    flushPartial(out);
  }
  if (b < 0x80) return false;
  nextLow_ = 0x80;
  nextHigh_ = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    partialNeeded_ = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    partialNeeded_ = 3;
    if (b == 0xE0) nextLow_ = 0xA0;   // no overlong forms
    if (b == 0xED) nextHigh_ = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    partialNeeded_ = 4;
    if (b == 0xF0) nextLow_ = 0x90;
    if (b == 0xF4) nextHigh_ = 0x8F;  // nothing above U+10FFFF
  } else {
    out.append(kReplacement, 3);
    lastWasAscii_ = false;
    combiningRun_ = 0;
    return true;
  }
  partial_[0] = b;
  partialLength_ = 1;
  return true;
}

void OutputGuard::ground(unsigned char b, QByteArray& out) {
  if (utf8(b, out)) return;
  if (b == kEsc) {
    startEscape();
  } else if (b < 0x20) {
    control(b, out);
  } else if (b < 0x7f) {
    out.append(char(b));
    lastWasAscii_ = true;
    combiningRun_ = 0;
  }
  // DEL: nothing (libvterm ignores it too).
}

void OutputGuard::control(unsigned char b, QByteArray& out) {
  if (allowedControl(b)) out.append(char(b));
}

// --- escape sequences ---

void OutputGuard::startEscape() {
  state_ = State::Escape;
  intermediates_.clear();
  invalid_ = false;
}

void OutputGuard::escape(unsigned char b, QByteArray& out) {
  if (b == kEsc) return startEscape();
  if (b == kCan || b == kSub) {
    state_ = State::Ground;
    return;
  }
  // Controls inside a sequence act at once, as the terminal does it.
  if (b < 0x20) return control(b, out);
  if (b == 0x7f) return;
  if (b < 0x30) {
    if (intermediates_.size() >= 2) invalid_ = true;
    intermediates_.append(char(b));
    return;
  }
  state_ = State::Ground;
  if (b >= 0x80 || invalid_) return;
  if (intermediates_.isEmpty()) {
    switch (b) {
      case '[':
        state_ = State::Csi;
        leader_ = 0;
        sawIntermediate_ = false;
        count_ = 0;
        std::fill(std::begin(values_), std::end(values_), 0);
        std::fill(std::begin(present_), std::end(present_), false);
        return;
      case ']':
      case 'P':
        state_ = State::String;
        stringKind_ = b == ']' ? StringKind::Osc : StringKind::Dcs;
        payload_.clear();
        payloadTooLong_ = false;
        return;
      default:
        // Save and restore the cursor, keypad modes, index, next line, tab stop, reverse index.
        if (contains("78=>DEHM", b)) {
          out.append(char(kEsc));
          out.append(char(b));
        }
        return;
    }
  }
  // G0 and G1 character sets: ASCII, British, line drawing.
  if (intermediates_.size() == 1 && contains("()", uchar(intermediates_[0])) &&
      contains("BA0", b)) {
    out.append(char(kEsc));
    out.append(intermediates_);
    out.append(char(b));
  }
}

void OutputGuard::csi(unsigned char b, QByteArray& out) {
  if (b == kEsc) return startEscape();
  if (b == kCan || b == kSub) {
    state_ = State::Ground;
    return;
  }
  if (b < 0x20) return control(b, out);
  if (b == 0x7f) return;
  if (b >= 0x80) {
    state_ = State::Ground;  // not a sequence; libvterm drops it too
    return;
  }
  if (b >= 0x40) {
    state_ = State::Ground;
    return finishCsi(b, out);
  }
  if (b < 0x30) {  // intermediate bytes: none of the sequences let through has one
    sawIntermediate_ = true;
    return;
  }
  if (sawIntermediate_) {
    invalid_ = true;
    return;
  }
  if (b >= 0x3c) {  // a leader byte, only before everything else
    if (leader_ != 0 || count_ > 0 || present_[0])
      invalid_ = true;
    else
      leader_ = char(b);
    return;
  }
  if (b == ';' || b == ':') {
    if (count_ < kMaxParameters) separators_[count_] = char(b);
    // Counted on past the limit (the sequence is then dropped), without overflowing.
    if (count_ <= kMaxParameters) ++count_;
    return;
  }
  // Digits (0x30-0x39); count_ is the index of the parameter being read.
  if (count_ >= kMaxParameters) return;
  int& v = values_[count_];
  v = present_[count_] ? std::min(v * 10 + (b - '0'), kMaxParameterValue) : b - '0';
  present_[count_] = true;
}

void OutputGuard::finishCsi(unsigned char final, QByteArray& out) {
  const int count = count_ + 1;
  if (invalid_ || sawIntermediate_ || count > kMaxParameters) return;
  bool pass = false;
  bool firstOnly = false;  // libvterm reads only the first parameter of a mode setting
  switch (leader_) {
    case 0:
      if (final == 'm') {
        pass = count <= kMaxColourParameters;
      } else if (final == 'b') {
        pass = lastWasAscii_;
      } else if (final == 'h' || final == 'l') {
        // Insert mode and automatic new line.
        pass = present_[0] && (values_[0] == 4 || values_[0] == 20);
        firstOnly = true;
      } else {
        // Insert, cursor movement, erase, lines, delete, scroll, tabs, attributes, reports.
        pass = contains("@ABCDEFGHIJKLPMSTXZ`acdefgjknr", final);
      }
      break;
    case '?':
      if (final == 'h' || final == 'l') {
        // Cursor keys, wrap, cursor blink, cursor visibility.
        pass = present_[0] &&
               (values_[0] == 1 || values_[0] == 7 || values_[0] == 12 || values_[0] == 25);
        firstOnly = true;
      } else {
        pass = contains("JKn", final);
      }
      break;
    case '>':
      pass = final == 'c';
      break;
    default:
      break;
  }
  if (!pass) return;
  out.append("\x1b[", 2);
  if (leader_) out.append(leader_);
  const int shown = firstOnly ? 1 : count;
  for (int i = 0; i < shown; ++i) {
    if (present_[i]) out.append(QByteArray::number(values_[i]));
    if (i + 1 < shown) out.append(separators_[i]);
  }
  out.append(char(final));
}

// --- control strings ---

void OutputGuard::string(unsigned char b, QByteArray& out) {
  if (state_ == State::StringEscape) {
    if (b == '\\') {
      state_ = State::Ground;
      return finishString(out);
    }
    // Another escape sequence ends the string unfinished; libvterm drops it too.
    startEscape();
    return escape(b, out);
  }
  if (b == kBel) {
    state_ = State::Ground;
    return finishString(out);
  }
  if (b == kEsc) {
    state_ = State::StringEscape;
    return;
  }
  if (b == kCan || b == kSub) {
    state_ = State::Ground;
    return;
  }
  if (b < 0x20 || b == 0x7f) return;  // controls are no part of a title or query
  if (payload_.size() >= kMaxTitleBytes + 2) {
    payloadTooLong_ = true;
    return;
  }
  payload_.append(char(b));
}

void OutputGuard::finishString(QByteArray& out) {
  const QByteArray payload = std::exchange(payload_, QByteArray());
  if (payloadTooLong_) return;
  if (stringKind_ == StringKind::Osc) {
    if (payload.size() < 2 || !contains("012", uchar(payload[0])) || payload[1] != ';') return;
    // The title's controls were left out above; its bytes become whole characters.
    out.append("\x1b]", 2);
    out.append(payload.left(2));
    out.append(SafeUtf8(payload.mid(2)));
    out.append("\x1b\\", 2);
    return;
  }
  static const char* const kQueries[] = {"$qm", "$qr", "$qs", "$q q", "$q\"q"};
  for (const char* q : kQueries)
    if (payload == q) {
      out.append("\x1bP", 2);
      out.append(payload);
      out.append("\x1b\\", 2);
      return;
    }
}
