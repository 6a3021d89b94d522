// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/ProgramCommands.h"

namespace CommandLine {

QByteArray GetCmdPack(const PackOptions& o, const ProgramState& s) {
  return GetCmdPack(o, s.FileList, s.packerForCommand(), s.packer());
}

QByteArray GetCmdUnPack(const PackOptions& o, const ProgramState& s) {
  return GetCmdUnPack(o, s.FileList, s.packerForCommand());
}

QByteArray GetCmdInfo(InfoCommand which, const ProgramState& s) {
  return GetCmdInfo(which, s.FileList, s.UpxShortLocation);
}

}  // namespace CommandLine
