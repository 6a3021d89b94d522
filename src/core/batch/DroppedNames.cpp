// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/batch/DroppedNames.h"

#include <unistd.h>

#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <climits>

namespace DroppedNames {

namespace {

QByteArray hostName() {
  char name[HOST_NAME_MAX + 1] = {};
  return ::gethostname(name, sizeof name - 1) == 0 ? QByteArray(name) : QByteArray();
}

}  // namespace

QByteArray FromUri(const QByteArray& uri) {
  const QByteArray u = uri.trimmed();
  // The scheme is case-blind; the rest is taken as it stands.
  if (u.size() < 7 || u.left(7).toLower() != "file://") return {};
  const qsizetype slash = u.indexOf('/', 7);
  if (slash < 0) return {};
  const QByteArray host = u.mid(7, slash - 7);
  if (!host.isEmpty() && host.toLower() != "localhost" && host != hostName()) return {};
  QByteArray path = u.mid(slash);
  // A query or fragment is no part of a file's name (a "?" or "#" in a name is encoded).
  for (const char stop : {'?', '#'})
    if (const qsizetype end = path.indexOf(stop); end >= 0) path.truncate(end);
  path = QByteArray::fromPercentEncoding(path);
  if (path.contains('\0')) return {};
  return path;
}

QList<QByteArray> FromUriList(const QByteArray& uriList) {
  QList<QByteArray> names;
  for (QByteArray line : uriList.split('\n')) {
    // Some senders end the list with a NUL byte, as for a C string.
    while (line.endsWith('\0')) line.chop(1);
    if (line.endsWith('\r')) line.chop(1);
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QByteArray name = FromUri(line);
    if (!name.isEmpty()) names.append(name);
  }
  return names;
}

QList<QByteArray> FromMimeData(const QMimeData* mime) {
  QList<QByteArray> files;
  if (!mime || !mime->hasUrls()) return files;
  // The list as the file manager sent it keeps every name's bytes; QUrl's text would not.
  const QByteArray uriList = mime->data(QStringLiteral("text/uri-list"));
  if (!uriList.isEmpty()) {
    files = FromUriList(uriList);
  } else {
    for (const QUrl& url : mime->urls())
      if (url.isLocalFile()) files.append(QFile::encodeName(url.toLocalFile()));
  }
  // A name the system could not open stays an empty entry, as over-long names always did.
  for (QByteArray& name : files)
    if (name.size() >= PATH_MAX) name.clear();
  return files;
}

}  // namespace DroppedNames
