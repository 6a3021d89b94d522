// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Packer command lines: building them from the options and splitting any command line (built,
// edited or from the history) into the packer's arguments.
//
// The rule: arguments are separated by runs of blanks outside double quotes; a double quote opens
// or closes a quoted run in which blanks are ordinary; inside a quoted run two double quotes stand
// for one literal double quote; backslashes are ordinary. Builders quote every name that would not
// survive the split on its own, so each name reaches the packer as exactly one argument.

#include <QByteArray>
#include <QList>
#include <optional>

#include "core/packer/PackOptions.h"
#include "core/packer/PackerVersion.h"

namespace CommandLine {

// Quoted when empty or holding a blank or a double quote; inner quotes doubled.
QByteArray QuoteIfNeeded(const QByteArray& name);
// Always quoted, inner quotes doubled.
QByteArray Quote(const QByteArray& name);

// The level piece of a slider position: 1 -> " --best", p in 2..10 -> " -" (11 - p).
QByteArray LevelPiece(int position);
// The crp value of a CompressValueBar1 position: 1009999 - position, the position kept within
// 10000..999999.
int CrpValue(int position);
// File names that begin with a dash are preceded by " --", so that none is taken for an option.
// The switches are spelled as the located packer accepts them.
QByteArray GetCmdPack(const PackOptions& o, const QList<QByteArray>& fileList,
                      const QByteArray& packer, const PackerCapabilities& capabilities);
// The method the options choose: none unless the method box is ticked.
std::optional<Methods::Method> ChosenMethod(const PackOptions& o);
// One packer run of the method trials: `file` packed with `method` and `filter` (0: none; no
// filter: every filter of its format, as --all-filters tries them) and what the packer's --brute
// sets besides, into `output`. The options' simple switches go along; level, crp value and output
// name are the trial's.
QByteArray GetCmdTrial(const PackOptions& o, const QByteArray& file, const QByteArray& output,
                       Methods::Method method, std::optional<int> filter, const QByteArray& packer,
                       const PackerCapabilities& capabilities);
QByteArray GetCmdUnPack(const PackOptions& o, const QList<QByteArray>& fileList,
                        const QByteArray& packer);

// The information commands always name the packer by UpxShortLocation.
enum class InfoCommand { Version, Help, Test, List, ListFormats };
QByteArray GetCmdInfo(InfoCommand which, const QList<QByteArray>& fileList,
                      const QByteArray& packer);

// The output rule: an output piece is written, and a pending replace may delete a file, only when
// the box is ticked and the output name is not empty and differs byte for byte from the input name.
bool UsesOutputFile(const PackOptions& o);

// Why the window's Pack or Unpack must not start with "another file" ticked: no name for it, or
// a name of the input itself, which the packer would then replace although the user asked to keep
// it. None when the box is not ticked or the file is another.
enum class OutputRefusal { None, NoName, NamesInput };
OutputRefusal CheckOutputFile(const PackOptions& o, const QList<QByteArray>& files);

QList<QByteArray> SplitCommandLine(const QByteArray& commandLine);

}  // namespace CommandLine
