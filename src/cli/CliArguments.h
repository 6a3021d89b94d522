// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// packhelm-cli's command line: a command, options and the files and folders to work on.

#include <QByteArray>
#include <QList>
#include <optional>

#include "core/jobs/JobEngine.h"

namespace CliArguments {

inline constexpr int UsageError = 2;

struct Request {
  enum class Action { Run, Help, Version, Refuse };
  Action action = Action::Run;
  QByteArray message;  // the help, the version, or why the line was refused
  JobSpec::Kind kind = JobSpec::Kind::Pack;
  CommandLine::InfoCommand info = CommandLine::InfoCommand::Test;
  QList<QByteArray> paths;
  std::optional<int> runs;  // 0: as many as there are cores; none: the stored preference
  std::optional<Methods::Method> method;
  std::optional<int> level;  // 1 to 9, 10 for --best
  bool backup = false;
  QByteArray output;
  std::optional<QByteArray> report;  // "-": standard output
  QByteArray settings;               // empty: the user's own
  bool verbose = false;
};

// The arguments after the program's name, as bytes: a file name is never decoded.
Request Parse(const QList<QByteArray>& args);

QByteArray HelpText();

}  // namespace CliArguments
