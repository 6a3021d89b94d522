// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/integration/DesktopEntry.h"

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

}  // namespace DesktopEntry
