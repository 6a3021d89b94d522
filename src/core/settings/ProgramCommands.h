// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command lines of the program's jobs: the builders' forms that read the selected files, the
// packer and its capabilities from the program state.

#include "core/packer/CommandLine.h"
#include "core/settings/ProgramState.h"

namespace CommandLine {

QByteArray GetCmdPack(const PackOptions& o, const ProgramState& s);
QByteArray GetCmdUnPack(const PackOptions& o, const ProgramState& s);
QByteArray GetCmdInfo(InfoCommand which, const ProgramState& s);

}  // namespace CommandLine
