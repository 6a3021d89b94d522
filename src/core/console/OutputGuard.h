// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Stands between the packer's output and libvterm. The terminal library Debian 12 ships (0.1.4)
// crashes, hangs or corrupts memory on some byte sequences, and a file name the packer echoes may
// hold any of them. The guard reads the stream with a parser of its own and hands on only text and
// sequences in a form that library handles safely, each complete in one piece:
//
//  1. Text is whole, valid UTF-8 characters. An incomplete character at the end of a read is held
//     until the next read; bytes that form no character become U+FFFD. (A character split across
//     two writes makes libvterm's decoder write past its code-point array on the stack.)
//  2. The code points U+0080 to U+009F become U+FFFD: libvterm gives them the width -1 and moves
//     the cursor to column -1, after which reads and writes leave the screen's arrays.
//  3. A control sequence has at most 16 parameters, a colour sequence (SGR) at most 14; longer
//     ones are dropped whole. libvterm's parser stores parameters in 16 slots without a bound
//     check (17 parameters overwrite its state, 18 and more crash), and its SGR code reads two
//     slots past the last parameter of a colour.
//  4. A numeric parameter above 9999 is read as 9999. libvterm adds digits into a signed integer
//     without a bound (undefined overflow), and adds counts to the cursor position.
//  5. A repeat (CSI b) passes only after a printed ASCII character. libvterm repeats the last
//     glyph in steps of its width; before any character, or after a zero-width one, that width is
//     0 and the loop never ends.
//  6. Control strings are held until complete and passed whole: a window title (OSC 0, 1, 2) of
//     at most 256 bytes of UTF-8 text without control characters, and the status queries (DCS $ q)
//     libvterm answers correctly (m, r, s, " q", '"q'). Other strings are dropped: libvterm
//     answers an unknown query through a format string that reads a missing argument, and a
//     terminator split across two writes gives it a string length of -1.
//  7. Only control functions that keep the cursor on the screen pass: cursor movement, erasing,
//     inserting and deleting, colours, tab stops, top and bottom scrolling margins, a few modes
//     (cursor keys, wrap, cursor blink and visibility, insert, new line), reports, cursor save
//     and restore, index and reverse index, and the G0/G1 character sets B, A and 0. Left and
//     right margins, origin mode, double-size lines, single shifts, 8-bit controls and soft or
//     hard resets are dropped. (ScreenModel resets the margins and the saved cursor when the
//     buffer shrinks: libvterm keeps both unchecked, then scrolls a negative number of rows or
//     restores the cursor outside the screen.)
//  8. Of the C0 controls only BEL, BS, HT, LF, VT, FF and CR pass; CAN and SUB end a sequence.
//  9. At most 32 combining characters follow one printed character; further ones are dropped.
//     libvterm appends each to the glyph after searching the whole list again, so megabytes of
//     combining marks took minutes (the time grows with the square of their number). A mark,
//     enclosing mark or format character, or a Hangul medial vowel, counts as combining; that
//     takes in every character libvterm's table lists.
//
// Printable text, colours, carriage return, backspace, line erase and progress bars pass
// unchanged.

#include <QByteArray>
#include <QChar>

class OutputGuard {
 public:
  static constexpr int kMaxParameters = 16;
  static constexpr int kMaxColourParameters = 14;
  static constexpr int kMaxParameterValue = 9999;
  static constexpr int kMaxTitleBytes = 256;
  static constexpr int kMaxCombining = 32;

  // Appends the safe form of the bytes to `out`; an incomplete tail is held for the next call.
  void filter(const char* bytes, qsizetype length, QByteArray& out);
  QByteArray filter(const QByteArray& bytes);
  // The end of the stream: a held incomplete character becomes U+FFFD, a held sequence is dropped.
  void finish(QByteArray& out);

  // Text that is only ever printed (no control sequences): every whole UTF-8 character as it is,
  // everything else, and U+0080 to U+009F, as U+FFFD. Controls are left to the caller.
  static QByteArray SafeUtf8(const QByteArray& text);

 private:
  enum class State { Ground, Escape, Csi, String, StringEscape };
  enum class StringKind { Osc, Dcs };

  void ground(unsigned char b, QByteArray& out);
  void control(unsigned char b, QByteArray& out);
  bool utf8(unsigned char b, QByteArray& out);  // false: b starts no character and was not used
  void flushPartial(QByteArray& out);
  char32_t codePoint() const;  // of the complete character in partial_
  static bool isCombining(char32_t cp);
  void escape(unsigned char b, QByteArray& out);
  void csi(unsigned char b, QByteArray& out);
  void finishCsi(unsigned char final, QByteArray& out);
  void string(unsigned char b, QByteArray& out);
  void finishString(QByteArray& out);
  void startEscape();

  State state_ = State::Ground;
  // A UTF-8 character in progress.
  unsigned char partial_[4] = {};
  int partialLength_ = 0;
  int partialNeeded_ = 0;
  unsigned char nextLow_ = 0x80, nextHigh_ = 0xBF;  // the range the next continuation byte needs
  bool lastWasAscii_ = false;                       // the last character printed was ASCII
  int combiningRun_ = 0;  // combining characters since the last other printed character

  // Escape and control sequences.
  QByteArray intermediates_;
  char leader_ = 0;
  bool invalid_ = false;
  bool sawIntermediate_ = false;
  int values_[kMaxParameters] = {};
  bool present_[kMaxParameters] = {};
  char separators_[kMaxParameters] = {};
  int count_ = 0;  // parameters seen (may exceed kMaxParameters; only the first are kept)

  // Control strings.
  StringKind stringKind_ = StringKind::Osc;
  QByteArray payload_;
  bool payloadTooLong_ = false;
};
