// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Command-line parsing of the stand-in packer. Arguments are byte strings and stay so: file and
// output names are kept exactly as they arrived in argv.

#include <string>
#include <vector>

namespace Standin {

enum class Command { Pack, Decompress, Test, List, Version, Help, ListFormats };

struct Options {
  Command command = Command::Pack;
  int level = 7;  // 1..9; --best is 10
  long crp = -1;  // crp value when given
  bool nrv2b = false;
  bool nrv2d = false;
  bool keepBackup = false;  // -k
  std::string overlay = "copy";
  bool dos8086 = false;
  bool noReloc = false;
  int compressExports = 1;
  int compressIcons = 2;
  int compressResources = 1;
  bool force = false;
  int stripRelocs = 1;
  bool coff = false;
  bool le = false;
  int quiet = 0;
  bool hasOutput = false;
  std::string output;
  std::vector<std::string> files;
};

// Parses argv[1..]. majorVersion selects the crp switch: 4 and later take --crp-ucl-ms=N,
// earlier ones --crp-ms=N; the other one is an unknown option. On a usage error returns false
// and sets error to a one-line message.
bool ParseArguments(const std::vector<std::string>& args, int majorVersion, Options& o,
                    std::string& error);

}  // namespace Standin
