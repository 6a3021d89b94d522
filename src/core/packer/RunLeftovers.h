// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The files a packer run leaves behind when it does not end normally. The packer writes each
// result into a temporary file beside its input (the input's extension replaced by ".upx", or by
// ".000", ".001", ... while that name is taken) and renames it over the input at the end; an
// output named by -o it writes directly. A run that is stopped or killed leaves those files half
// written. Before a run the names in every folder concerned are noted; after a run that did not
// end normally, the new files with those names are removed: a file is new by its name, not by
// its inode number, which the file system reuses. Never removed: an input (as it is after the
// run), a file that was there before the run, anything but a regular file, and the temporary file
// of an input that no longer exists under its own name (it may be the only copy left).

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>

class RunLeftovers {
 public:
  // What the packer's arguments name (args[0] is the packer itself).
  struct Arguments {
    QList<QByteArray> inputs;
    QByteArray output;  // -o NAME, -oNAME, --output=NAME; empty without one
  };
  static Arguments Parse(const QList<QByteArray>& args);

  // The name the packer gives the temporary file of `input` (a name without its folder) when the
  // folder held the names `taken` before the run: the stem with ".upx", or while that is taken
  // the first free of ".000" to ".999"; empty when none is free. A backup made with -k never
  // takes it (it is made while the temporary file exists, and takes a later number), and a
  // second input of the same stem finds it free again.
  static QByteArray TemporaryName(const QByteArray& input, const QSet<QByteArray>& taken);

  // Notes the files beside every input and at the output name.
  explicit RunLeftovers(const QList<QByteArray>& args);

  // Removes what the run left (call it only after a run that did not end normally) and returns
  // the removed files' paths, spelled as the arguments spell their folders.
  QList<QByteArray> RemoveLeft() const;

 private:
  struct Folder {
    bool listed = false;
    QSet<QByteArray> names;
  };
  Arguments args_;
  QHash<QByteArray, Folder> before_;  // by folder as spelled ("." for none)
};
