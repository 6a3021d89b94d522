// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/integration/DesktopEntry.h"

#include <QList>
#include <QStringDecoder>

namespace DesktopEntry {

QByteArray EscapeString(const QByteArray& value) {
  QByteArray out;
  out.reserve(value.size() + 8);
  for (qsizetype i = 0; i < value.size(); ++i) {
    const char c = value[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case ' ':
        out += i == 0 ? "\\s" : " ";
        break;
      default:
        out += c;
    }
  }
  return out;
}

QByteArray UnescapeString(const QByteArray& raw) {
  QByteArray out;
  out.reserve(raw.size());
  for (qsizetype i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c != '\\' || i + 1 == raw.size()) {
      out += c;
      continue;
    }
    const char n = raw[++i];
    switch (n) {
      case 's':
        out += ' ';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        out += '\\';
        out += n;
    }
  }
  return out;
}

bool ExecPathWritable(const QByteArray& path) {
  if (path.isEmpty()) return false;
  for (const char c : path) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f || c == '%' || c == '=') return false;
  }
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  [[maybe_unused]] const QString decoded = utf8.decode(path);
  return !utf8.hasError();
}

QByteArray QuoteExecArg(const QByteArray& arg) {
  QByteArray out = "\"";
  for (const char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

QByteArray ExecValue(const QByteArray& program, const QByteArray& fieldCode) {
  // The quoting rule applies first, the string escapes after it: a literal backslash in the
  // path ends up as four backslashes in the file.
  return EscapeString(QuoteExecArg(program) + ' ' + fieldCode);
}

QByteArray RawValue(const QByteArray& text, const QByteArray& group, const QByteArray& key) {
  bool inGroup = false;
  for (QByteArray line : text.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    if (line.startsWith('[')) {
      inGroup = line == '[' + group + ']';
      continue;
    }
    if (!inGroup || line.startsWith('#')) continue;
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) continue;
    if (line.left(eq).trimmed() != key) continue;
    QByteArray value = line.mid(eq + 1);
    while (value.startsWith(' ') || value.startsWith('\t')) value.remove(0, 1);
    return value;
  }
  return {};
}

}  // namespace DesktopEntry
