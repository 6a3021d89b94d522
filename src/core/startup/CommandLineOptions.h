// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's command line as a terminal user expects it: -h/--help and -v/--version answer
// and end the program before any window system is needed, "--" ends the options, an unknown
// option is refused. Every other argument is a file name, kept byte for byte: the parser only
// ever sees a stand-in for a name that is not UTF-8. Qt's own options (-platform, -style, ...)
// are accepted as before and handed on to the application object.

#include <QByteArray>
#include <QList>

namespace CommandLineOptions {

enum class Action { Run, Help, Version, Refuse };

struct Parsed {
  Action action = Action::Run;
  // Help: the help text; Version: the version line; Refuse: the message for standard error.
  QByteArray message;
  // The file names, as given (relative ones still relative), in their order.
  QList<QByteArray> files;
  // --report FILE: where the rows of the job the command line starts go, as CSV (empty: none).
  QByteArray report;
  // argv[0] and the Qt options with their values, for QApplication to take.
  QList<QByteArray> qtArguments;
};

Parsed Parse(int argc, const char* const* argv);

// The exit status of a refused command line (a usage error).
inline constexpr int UsageErrorStatus = 2;

}  // namespace CommandLineOptions
