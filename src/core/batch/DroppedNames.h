// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The local file names of a drop, as bytes. A file manager sends a "text/uri-list" whose file
// URIs carry a name's bytes percent-encoded; Qt's QUrl turns them into text, which replaces bytes
// that are not UTF-8. Read here from the list itself, every name keeps its bytes.

#include <QByteArray>
#include <QList>

class QMimeData;

namespace DroppedNames {

// The names of the list's local file URIs ("file:///path", "file://localhost/path" or the
// machine's own host name), percent-decoded byte for byte, in order. Comment lines ("#"), other
// schemes, other hosts and names holding a NUL byte are left out. Lines end in CR LF or LF.
QList<QByteArray> FromUriList(const QByteArray& uriList);

// The same for one URI; empty when it is not a local file.
QByteArray FromUri(const QByteArray& uri);

// The local files of a drag's data: from its URI list when it has one (every name's bytes kept),
// else from its URLs. A name too long for the system stays an empty entry.
QList<QByteArray> FromMimeData(const QMimeData* mime);

}  // namespace DroppedNames
