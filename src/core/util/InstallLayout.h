// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where an installed Packhelm keeps its files. Installed by `cmake --install` or the Debian
// package, the executable lies in <prefix>/bin and the language files in
// <prefix>/share/packhelm/lang; found relative to the executable, so the whole tree can be moved.
// Anything else is a portable copy: the language files lie beside the executable.

#include <QByteArray>
#include <QLoggingCategory>

// "packhelm.languages": which folder the language files were read from and what was found there
// (info level; off unless QT_LOGGING_RULES turns it on).
Q_DECLARE_LOGGING_CATEGORY(lcLanguages)

namespace InstallLayout {

// The running program's folder as bytes (a path that is not UTF-8 would not survive QString),
// with a trailing "/".
QByteArray ProgramFolder();

// The language folder of an installed copy, relative to the program folder.
inline constexpr char SharedLanguageFolder[] = "../share/packhelm/lang/";

// The packer a package may install as the program's own (built from the source the project
// carries), relative to the program folder. It is the last place looked: where the distribution
// has a packer, that one is used.
inline constexpr char BundledPackerPath[] = "../libexec/packhelm/upx";

// BundledPackerPath below programDir, cleaned.
QByteArray BundledPacker(const QByteArray& programDir);

// programDir has a trailing "/". An installed copy is one whose shared language folder exists.
bool IsInstalledCopy(const QByteArray& programDir);

// The folder the language files are listed from, with a trailing "/": the shared folder of an
// installed copy, else the program folder itself.
QByteArray LanguageFolder(const QByteArray& programDir);

}  // namespace InstallLayout
