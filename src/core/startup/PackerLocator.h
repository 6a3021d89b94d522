// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finding the packer at start-up: "upx/upx" in the program folder, then the path the user chose
// before, then "upx" on the search path, then the packer a package installed as the program's own.
// Only when all four fail does the program ask.

#include <QByteArray>

namespace PackerLocator {

// programDir has a trailing "/".
QByteArray DefaultPath(const QByteArray& programDir);

// The first of the four places that holds a file; empty when none does. The search-path result
// is absolute.
QByteArray Locate(const QByteArray& programDir, const QByteArray& chosenBefore);

// The packer's path as a command line names it: unchanged, or quoted with inner quotes doubled
// when it holds a blank or a double quote.
QByteArray ShortLocation(const QByteArray& upxLocation);

}  // namespace PackerLocator
