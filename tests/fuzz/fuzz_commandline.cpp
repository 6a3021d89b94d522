// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line splitter: any list of arguments, each quoted as the builders quote it and
// joined by blanks, splits back into the same list; any line splits without a crash, and its
// split, joined again, splits the same way.

#include "core/packer/CommandLine.h"
#include "fuzz/FuzzSupport.h"

namespace {
QByteArray join(const QList<QByteArray>& args) {
  QByteArray line;
  for (const QByteArray& a : args) {
    if (!line.isEmpty()) line += ' ';
    line += CommandLine::QuoteIfNeeded(a);
  }
  return line;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
  // Arguments are the NUL-separated pieces (a file name holds no NUL).
  const QList<QByteArray> args = input.isEmpty() ? QList<QByteArray>() : input.split('\0');
  FUZZ_CHECK(CommandLine::SplitCommandLine(join(args)) == args);

  const QList<QByteArray> split = CommandLine::SplitCommandLine(input);
  FUZZ_CHECK(CommandLine::SplitCommandLine(join(split)) == split);
  return 0;
}
