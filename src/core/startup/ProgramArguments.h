// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's own arguments (each one a file name) as absolute paths. Relative names are taken
// against the folder Packhelm was started from; the main window later makes the program folder
// the current directory, after which relative names would point elsewhere. Bytes are kept as
// given: no decoding, so any file name the system accepts survives.

#include <QByteArray>
#include <QList>

namespace ProgramArguments {

// The process's current directory as bytes, without a trailing "/" (except for "/" itself).
QByteArray CurrentDirectory();

// Each argument made absolute against startDir; "." segments and repeated "/" are dropped, ".."
// is kept (a lexical ".." would be wrong behind a symbolic link). Empty arguments stay empty.
QList<QByteArray> MakeAbsolute(const QList<QByteArray>& args, const QByteArray& startDir);

// The file arguments made absolute against the current directory.
QList<QByteArray> FromArguments(const QList<QByteArray>& args);

}  // namespace ProgramArguments
