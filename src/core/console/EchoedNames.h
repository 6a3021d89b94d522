// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The packer echoes the names it was given, in its table and its messages. A Linux file name may
// hold control bytes: an escape sequence in a name would recolour, blank or retitle the console,
// a line feed would break its lines. Where a name (or its last part, which the table shows) with
// such bytes stands in the packer's output, it is replaced by a legible form with each control
// byte shown as "?", as the console shows control bytes of its own notes. The packer's own
// colours and progress bars pass as they are.

#include <QByteArray>
#include <QList>
#include <QPair>

class EchoedNames {
 public:
  // `args`: the packer's arguments; those that hold a control byte are the names looked for.
  explicit EchoedNames(const QList<QByteArray>& args);

  // Nothing to look for: the output may pass as it is.
  bool isEmpty() const { return names_.isEmpty(); }
  // The output with every such name replaced; a tail that may be the start of one is held until
  // the next call.
  QByteArray filter(const QByteArray& output);
  // The end of the output: what was held.
  QByteArray finish();

  // The legible form of a name: its control bytes as "?".
  static QByteArray Shown(const QByteArray& name);

 private:
  QList<QPair<QByteArray, QByteArray>> names_;  // name and its shown form, longest first
  QByteArray held_;
};
