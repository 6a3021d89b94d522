// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/i18n/LanguageSource.h"

#include "core/settings/CFGfile.h"
#include "core/util/StrUtils.h"

namespace LanguageSource {

namespace {

bool unescape(const QByteArray& raw, QByteArray& value) {
  value.clear();
  value.reserve(raw.size());
  for (qsizetype i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c != '\\') {
      value.append(c);
      continue;
    }
    if (i + 1 >= raw.size()) return false;
    const char next = raw[++i];
    if (next == 'n')
      value.append("\r\n");
    else if (next == '\\')
      value.append('\\');
    else
      return false;
  }
  return true;
}

}  // namespace

bool Convert(const QByteArray& source, TCFGfile& out, QByteArray& error) {
  out.Clear();
  error.clear();
  const QList<QByteArray> lines = source.split('\n');
  for (qsizetype n = 0; n < lines.size(); ++n) {
    QByteArray line = lines[n];
    if (line.endsWith('\r')) line.chop(1);
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QByteArray where = "line " + QByteArray::number(n + 1) + ": ";
    // The language file is read line by line: a carriage return inside a line would vanish and
    // byte 26 would end the file. The program takes only UTF-8 language files.
    if (line.contains('\r') || line.contains('\x1a')) {
      error = where + "a carriage return or byte 26 cannot be kept in a language file";
      return false;
    }
    if (!QByteArrayView(line).isValidUtf8()) {
      error = where + "not valid UTF-8";
      return false;
    }
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) {
      error = where + "no \"=\" between name and value";
      return false;
    }
    const QByteArray name = StrUtils::TrimSpaces(line.left(eq));
    if (name.isEmpty()) {
      error = where + "empty name";
      return false;
    }
    if (out.IndexOfString(name) >= 0) {
      error = where + "\"" + name + "\" was given before";
      return false;
    }
    QByteArray value;
    if (!unescape(line.mid(eq + 1), value)) {
      error = where + "a backslash in a value must be followed by \"n\" or another backslash";
      return false;
    }
    out.SetString(name, value);
  }
  return true;
}

}  // namespace LanguageSource
