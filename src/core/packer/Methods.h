// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The compression methods the method group offers, in the packer's own order of trial (the order
// in which its --brute tries them, which also decides between two equal results).

#include <array>

namespace Methods {

enum class Method { Nrv2b, Nrv2d, Nrv2e, Lzma, All };

struct Info {
  const char* name;   // as the console and the results name it
  const char* piece;  // the switch on the command line
  int fromMajor;      // the first major version of the packer that has it
};

// All is every method and filter at once: the packer's --brute, which first came with LZMA.
inline constexpr std::array<Info, 5> Table = {{
    {"nrv2b", " --nrv2b", 0},
    {"nrv2d", " --nrv2d", 0},
    {"nrv2e", " --nrv2e", 2},
    {"lzma", " --lzma", 3},
    {"all", " --brute", 3},
}};

// The methods that All tries, one packer run each.
inline constexpr std::array<Method, 4> Trials = {Method::Nrv2b, Method::Nrv2d, Method::Nrv2e,
                                                 Method::Lzma};

constexpr const Info& InfoOf(Method m) {
  return Table[int(m)];
}

}  // namespace Methods
