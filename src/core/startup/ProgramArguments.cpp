// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/startup/ProgramArguments.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

namespace ProgramArguments {

QByteArray CurrentDirectory() {
  std::vector<char> buf(4096);
  while (::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buf.resize(buf.size() * 2);
  }
  return QByteArray(buf.data());
}

namespace {
QByteArray tidy(const QByteArray& path) {
  // Drop "." segments and empty segments between slashes; the result begins with "/".
  QByteArray out;
  for (const QByteArray& seg : path.split('/')) {
    if (seg.isEmpty() || seg == ".") continue;
    out += '/' + seg;
  }
  if (out.isEmpty()) out = "/";
  // A name written with a trailing "/" keeps it, so a folder stays recognisable as one.
  if (path.endsWith('/') && !out.endsWith('/')) out += '/';
  return out;
}
}  // namespace

QList<QByteArray> MakeAbsolute(const QList<QByteArray>& args, const QByteArray& startDir) {
  QList<QByteArray> out;
  out.reserve(args.size());
  for (const QByteArray& a : args) {
    if (a.isEmpty())
      out.append(a);
    else if (a.startsWith('/'))
      out.append(tidy(a));
    else
      out.append(tidy(startDir + '/' + a));
  }
  return out;
}

QList<QByteArray> FromArguments(const QList<QByteArray>& args) {
  return MakeAbsolute(args, CurrentDirectory());
}

}  // namespace ProgramArguments
