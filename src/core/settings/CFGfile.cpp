// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/CFGfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/util/StrUtils.h"

using StrUtils::PadLeft;

namespace {

constexpr char kHeader[] = "CFGDATA";
constexpr qsizetype kHeaderLength = 7;
constexpr qsizetype kLengthWidth = 10;
constexpr qsizetype kIntegerWidth = 11;
constexpr qsizetype kFloatWidth = 25;
constexpr char kEndOfFile = 26;

// The width of a record's fixed-width value by its type letter; 0 for a counted string, -1 for a
// letter that is no type.
qint64 FixedWidth(char type) {
  switch (type) {
    case 's':
      return 0;
    case 'i':
    case 'c':
      return kIntegerWidth;
    case 'e':
      return kFloatWidth;
    case 'b':
      return 1;
    default:
      return -1;
  }
}

struct FdCloser {
  int fd;
  ~FdCloser() { ::close(fd); }
};

// The shortest text of value rounded to `digits` significant digits, always with "." as the
// decimal separator (std::to_chars ignores the locale).
QByteArray formatFloat(long double value, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  char buf[64];
  const auto res =
      std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, digits - 1);
  if (res.ec != std::errc()) return "0";
  const QByteArray sci(buf, res.ptr - buf);  // [-]d[.ddd]e(+|-)xx

  const bool negative = sci.startsWith('-');
  const qsizetype ePos = sci.indexOf('e');
  QByteArray mantissa;  // d1 d2 ... without the point
  for (qsizetype i = negative ? 1 : 0; i < ePos; ++i)
    if (sci[i] >= '0' && sci[i] <= '9') mantissa.append(sci[i]);
  while (mantissa.size() > 1 && mantissa.endsWith('0')) mantissa.chop(1);
  // value = 0.d1d2... * 10^e
  const int e = sci.mid(ePos + 1).toInt() + 1;

  QByteArray out;
  if (negative) out.append('-');
  if (e >= -3 && e <= 18) {
    if (e <= 0) {
      out.append('0');
      out.append('.');
      out.append(QByteArray(-e, '0'));
      out.append(mantissa);
    } else {
      const QByteArray intPart = mantissa.left(e);
      out.append(intPart);
      if (intPart.size() < e) out.append(QByteArray(e - intPart.size(), '0'));
      if (mantissa.size() > e) {
        out.append('.');
        out.append(mantissa.mid(e));
      }
    }
  } else {
    out.append(mantissa[0]);
    if (mantissa.size() > 1) {
      out.append('.');
      out.append(mantissa.mid(1));
    }
    out.append('E');
    out.append(QByteArray::number(e - 1));
  }
  out.replace(',', '.');
  return out;
}

QByteArray lengthField(qsizetype length) {
  return PadLeft(QByteArray::number(length), kLengthWidth, '0', true);
}

// Negative values put the sign first and pad the digits after it, so that the field reads back.
QByteArray integerField(qint32 value) {
  if (value >= 0) return PadLeft(QByteArray::number(value), kIntegerWidth, '0', true);
  const qint64 magnitude = -qint64(value);
  return '-' + PadLeft(QByteArray::number(magnitude), kIntegerWidth - 1, '0', true);
}

// A float field keeps only its rightmost 25 characters; drop digits rather than the sign or the
// leading digits when the text is too long.
QByteArray floatField(long double value) {
  QByteArray text = TCFGfile::FormatCfgFloat(value);
  for (int digits = 17; digits >= 1 && text.size() > kFloatWidth; --digits)
    text = formatFloat(value, digits);
  return PadLeft(text, kFloatWidth, ' ', true);
}

void appendRecord(QByteArray& out, char type, const QByteArray& key, const QByteArray& value,
                  const QByteArray& comment) {
  out.append(type);
  out.append(lengthField(key.size()));
  out.append(key);
  out.append(value);
  out.append(lengthField(comment.size()));
  out.append(comment);
  out.append("\r\n", 2);
}

}  // namespace

// --- tables ---

template <typename T>
bool TCFGfile::Table<T>::set(const QByteArray& key, const T& value, const QByteArray& comment) {
  const int at = indexOf(key);
  if (at >= 0) {
    values[at] = value;
    comments[at] = comment;
    return true;
  }
  index.insert(key, int(keys.size()));
  keys.append(key);
  values.append(value);
  comments.append(comment);
  return true;
}

template <typename T>
void TCFGfile::Table<T>::clear() {
  keys.clear();
  values.clear();
  comments.clear();
  index.clear();
}

QByteArray TCFGfile::normalizeKey(const QByteArray& key) const {
  return KeepKeySpaces ? key : StrUtils::TrimSpaces(key);
}

int TCFGfile::IndexOfString(const QByteArray& key) const {
  return strings_.indexOf(key);
}

bool TCFGfile::SetString(const QByteArray& key, const QByteArray& value,
                         const QByteArray& comment) {
  const QByteArray k = normalizeKey(key);
  return !k.isEmpty() && strings_.set(k, value, comment);
}
bool TCFGfile::SetInteger(const QByteArray& key, qint32 value, const QByteArray& comment) {
  const QByteArray k = normalizeKey(key);
  return !k.isEmpty() && integers_.set(k, value, comment);
}
bool TCFGfile::SetCardinal(const QByteArray& key, quint32 value, const QByteArray& comment) {
  const QByteArray k = normalizeKey(key);
  return !k.isEmpty() && cardinals_.set(k, value, comment);
}
bool TCFGfile::SetFloat(const QByteArray& key, long double value, const QByteArray& comment) {
  const QByteArray k = normalizeKey(key);
  return !k.isEmpty() && floats_.set(k, value, comment);
}
bool TCFGfile::SetBoolean(const QByteArray& key, bool value, const QByteArray& comment) {
  const QByteArray k = normalizeKey(key);
  return !k.isEmpty() && booleans_.set(k, value, comment);
}

namespace {
template <typename Tab, typename T>
bool getFrom(const Tab& table, const QByteArray& key, T& value, QByteArray* comment) {
  const int at = table.indexOf(key);
  if (at < 0) return false;
  value = table.values[at];
  if (comment) *comment = table.comments[at];
  return true;
}
}  // namespace

bool TCFGfile::GetString(const QByteArray& key, QByteArray& value, QByteArray* comment) const {
  return getFrom(strings_, key, value, comment);
}
bool TCFGfile::GetInteger(const QByteArray& key, qint32& value, QByteArray* comment) const {
  return getFrom(integers_, key, value, comment);
}
bool TCFGfile::GetCardinal(const QByteArray& key, quint32& value, QByteArray* comment) const {
  return getFrom(cardinals_, key, value, comment);
}
bool TCFGfile::GetBoolean(const QByteArray& key, bool& value, QByteArray* comment) const {
  return getFrom(booleans_, key, value, comment);
}

int TCFGfile::StringCount() const {
  return int(strings_.keys.size());
}
QByteArray TCFGfile::StringKeyAt(int position) const {
  return strings_.keys.value(position);
}
QByteArray TCFGfile::StringValueAt(int position) const {
  return strings_.values.value(position);
}

void TCFGfile::Clear() {
  strings_.clear();
  integers_.clear();
  cardinals_.clear();
  floats_.clear();
  booleans_.clear();
}

// --- writing ---

QByteArray TCFGfile::FormatCfgFloat(long double value) {
  return formatFloat(value, 18);
}

QByteArray TCFGfile::SaveToText() const {
  QByteArray out;
  out.append(kHeader, kHeaderLength);
  out.append("\r\n", 2);
  for (qsizetype i = 0; i < strings_.keys.size(); ++i) {
    const QByteArray& v = strings_.values[i];
    appendRecord(out, 's', strings_.keys[i], lengthField(v.size()) + v, strings_.comments[i]);
  }
  for (qsizetype i = 0; i < integers_.keys.size(); ++i)
    appendRecord(out, 'i', integers_.keys[i], integerField(integers_.values[i]),
                 integers_.comments[i]);
  for (qsizetype i = 0; i < cardinals_.keys.size(); ++i)
    appendRecord(out, 'c', cardinals_.keys[i],
                 PadLeft(QByteArray::number(cardinals_.values[i]), kIntegerWidth, '0', true),
                 cardinals_.comments[i]);
  for (qsizetype i = 0; i < floats_.keys.size(); ++i)
    appendRecord(out, 'e', floats_.keys[i], floatField(floats_.values[i]), floats_.comments[i]);
  for (qsizetype i = 0; i < booleans_.keys.size(); ++i)
    appendRecord(out, 'b', booleans_.keys[i],
                 QByteArray(1, StrUtils::SelectChar(booleans_.values[i], '1', '0')),
                 booleans_.comments[i]);
  return out;
}

namespace {

// Writes every byte; false on any error or a short write (full disk, file-size limit).
bool writeAll(int fd, const QByteArray& bytes) {
  const char* p = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, size_t(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= n;
  }
  return true;
}

}  // namespace

bool TCFGfile::IsRegularFile(const QByteArray& path) {
  struct stat st;
  // A name holding NUL would be cut short by the system call, and name another file.
  return !path.isEmpty() && !path.contains('\0') && ::stat(path.constData(), &st) == 0 &&
         S_ISREG(st.st_mode);
}

// File names are used as the bytes they are (Qt's name conversion would turn bytes that are not
// UTF-8 into U+FFFD and miss the file).
bool TCFGfile::SaveToFile(const QByteArray& path) const {
  if (path.isEmpty()) return false;
  // A symbolic link (a dotfile manager's) is written through: the new file replaces the link's
  // target, so the link keeps working. Only a regular file is ever replaced; a link to a device,
  // a folder or nothing, or such a thing itself, makes the save fail and stays untouched.
  QByteArray target = path;
  struct stat st;
  bool exists = false;
  if (::lstat(path.constData(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) {
      char* real = ::realpath(path.constData(), nullptr);
      if (!real) return false;
      target = real;
      ::free(real);
      if (::stat(target.constData(), &st) != 0) return false;
    }
    if (!S_ISREG(st.st_mode)) {
      errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
      return false;
    }
    exists = true;
    // A file the user made read-only is not replaced behind their back.
    if (::access(target.constData(), W_OK) != 0) return false;
  }

  // A temporary file beside the target, renamed over it only when everything was written, so a
  // failure at any step leaves the previous file as it was.
  QByteArray temp = target + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  mode_t mode = 0;
  if (exists) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  const bool written = ::fchmod(fd, mode) == 0 && writeAll(fd, SaveToText()) && ::fsync(fd) == 0;
  const int writeError = errno;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temp.constData(), target.constData()) != 0) {
    const int why = written ? errno : writeError;  // for the caller's message, past the clean-up
    ::unlink(temp.constData());
    errno = why;
    return false;
  }
  return true;
}

// --- reading ---

bool TCFGfile::ReadTextFile(const QByteArray& path, bool headerRequired, QByteArray& text) {
  text.clear();
  const int fd = path.isEmpty() ? -1 : ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const FdCloser closer{fd};

  // Lines end at LF (a CR before it is part of the line end), a lone CR is dropped, so every CR
  // simply vanishes; byte 26 ends the file. Lines are joined again with CR LF. The first line is
  // checked for the header as soon as its first seven bytes are known, so that a file of another
  // kind is rejected after one read.
  bool ok = true;
  bool accepted = false;        // the first line has been taken into `text`
  qsizetype pendingBreaks = 0;  // line ends seen since the last byte of content
  struct stat st;
  if (::fstat(fd, &st) == 0 && st.st_size > 0 && st.st_size < (off_t(1) << 30))
    text.reserve(qsizetype(st.st_size) + 64);
  static constexpr qsizetype kChunk = 1 << 16;
  QByteArray chunk(kChunk, Qt::Uninitialized);
  bool done = false;
  while (!done) {
    const ssize_t got = ::read(fd, chunk.data(), size_t(kChunk));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ok = false;
    if (got <= 0) break;
    const char* p = chunk.constData();
    const char* const end = p + got;
    while (p < end) {
      if (!accepted) {
        const char c = *p++;
        if (c == kEndOfFile) {
          done = true;
          break;
        }
        if (c == '\r') continue;
        if (c == '\n') {
          if (headerRequired) {  // the first line ended before the header was complete
            text.clear();
            return false;
          }
          continue;  // leading empty lines vanish
        }
        text.append(c);
        if (!headerRequired) {
          accepted = true;
        } else if (text.size() == kHeaderLength) {
          if (text != kHeader) {
            text.clear();
            return false;
          }
          accepted = true;
        }
        continue;
      }
      // Copy the run of ordinary bytes in one piece.
      const char* q = p;
      while (q < end && *q != '\r' && *q != '\n' && *q != kEndOfFile) ++q;
      if (q > p) {
        for (; pendingBreaks > 0; --pendingBreaks) text.append("\r\n", 2);
        text.append(p, q - p);
        p = q;
        continue;
      }
      const char c = *p++;
      if (c == kEndOfFile) {
        done = true;
        break;
      }
      if (c == '\n') ++pendingBreaks;
    }
  }
  // A line end at the very end of the file does not start a further line.
  if (accepted)
    for (; pendingBreaks > 1; --pendingBreaks) text.append("\r\n", 2);
  if (!accepted) {
    // Nothing but line ends: an empty text; without the header it is not a file of ours.
    text.clear();
    return ok && !headerRequired;
  }
  return ok;
}

bool TCFGfile::ParseText(const QByteArray& text) {
  bool ok = true;
  const qint64 n = text.size();
  qint64 p = 0;  // 0-based; p only ever grows

  // Takes `width` characters at p into field; false when fewer are left.
  auto takeFixed = [&](qint64 width, QByteArray& field) {
    if (n - p < width) return false;
    field = text.mid(qsizetype(p), qsizetype(width));
    p += width;
    return true;
  };
  // Takes a length field and then that many characters (fewer if the text ends). A length that
  // reads as negative is malformed.
  auto takeCounted = [&](QByteArray& field) {
    QByteArray lengthText;
    if (!takeFixed(kLengthWidth, lengthText)) return false;
    const qint32 length = StrUtils::ParseInt(lengthText, 0);
    if (length < 0) return false;
    field = p < n ? text.mid(qsizetype(p), qsizetype(qMin<qint64>(length, n - p))) : QByteArray();
    p += length;
    return true;
  };

  QByteArray key, value, comment;
  while (p < n) {
    if (n - p >= kHeaderLength && memcmp(text.constData() + p, kHeader, kHeaderLength) == 0) {
      p += kHeaderLength + 2;
      continue;
    }
    const char type = text.at(qsizetype(p));
    ++p;
    const qint64 width = FixedWidth(type);
    if (width < 0 || !takeCounted(key)) {
      ok = false;
      continue;
    }
    const bool fieldOk = width == 0 ? takeCounted(value) : takeFixed(width, value);
    if (!fieldOk || !takeCounted(comment)) {
      ok = false;
      continue;
    }
    p += 2;  // the record's CR LF, not checked

    // An entry whose key is empty after trimming is dropped without failing the load.
    switch (type) {
      case 's':
        SetString(key, value, comment);
        break;
      case 'i':
        SetInteger(key, StrUtils::ParseInt(value, 0), comment);
        break;
      case 'c':
        SetCardinal(key, StrUtils::ParseCardinal(value, 0), comment);
        break;
      case 'e':
        SetFloat(key, StrUtils::ParseFloat(value, 0), comment);
        break;
      default:
        SetBoolean(key, StrUtils::ParseInt(value, 0) != 0, comment);
        break;
    }
  }
  return ok;
}

bool TCFGfile::LoadFromFile(const QByteArray& path, bool headerRequired) {
  Clear();
  QByteArray text;
  const bool readOk = ReadTextFile(path, headerRequired, text);
  const bool parseOk = ParseText(text);
  return readOk && parseOk;
}
