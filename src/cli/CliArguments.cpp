// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliArguments.h"

#include "PackhelmBuildConfig.h"

// Read by hand rather than with QCommandLineParser: that takes its arguments as text, and a file
// name that is not valid UTF-8 would not reach the packer byte for byte.
namespace CliArguments {

namespace {

Request refuse(const QByteArray& why) {
  Request r;
  r.action = Request::Action::Refuse;
  r.message = "packhelm-cli: " + why + "\nTry 'packhelm-cli --help'.\n";
  return r;
}

std::optional<Methods::Method> methodNamed(const QByteArray& name) {
  for (std::size_t i = 0; i < Methods::Table.size(); ++i)
    if (name == Methods::Table[i].name) return Methods::Method(i);
  return std::nullopt;
}

// A number from 1 to `most`, or the word that stands for `wordValue`; nothing for anything else.
std::optional<int> numberOrWord(const QByteArray& v, int most, const char* word, int wordValue) {
  if (v == word) return wordValue;
  bool ok = false;
  const int n = v.toInt(&ok);
  return ok && n >= 1 && n <= most ? std::optional<int>(n) : std::nullopt;
}

}  // namespace

QByteArray HelpText() {
  return "Usage: packhelm-cli COMMAND [OPTIONS] [--] FILE|FOLDER...\n"
         "Packs executables with UPX, several at once, and reports on every file.\n"
         "Folders are searched for the executables inside them.\n"
         "\n"
         "Commands:\n"
         "  pack      pack the files (in place, or into --output)\n"
         "  unpack    unpack them\n"
         "  test      test packed files\n"
         "  list      list what packed files hold\n"
         "\n"
         "Options:\n"
         "  --runs N|auto     packers at once (auto: one per core; default: Packhelm's setting)\n"
         "  --method M        nrv2b, nrv2d, nrv2e, lzma, or all (the smallest file of every\n"
         "                    method, tested)\n"
         "  --level L         compression level 1 to 9, or best\n"
         "  --backup          keep a backup of every original\n"
         "  --output FILE     write the result to FILE (one input only)\n"
         "  --report FILE     write a CSV report of every file to FILE ('-': standard output)\n"
         "  --settings FILE   take the packing options of this Packhelm settings file\n"
         "                    (default: the user's own)\n"
         "  --verbose         show the packer's own output on standard error\n"
         "  --help            show this help\n"
         "  --version         show the version\n"
         "\n"
         "Progress goes to standard error. Exit status: 0 when every file came through, 1 when\n"
         "some did not (the report says which), 2 for a usage error, 130 after Ctrl+C (143 after\n"
         "SIGTERM): the packers are stopped, what they made is removed, every original stays.\n";
}

Request Parse(const QList<QByteArray>& args) {
  Request r;
  bool commandSeen = false;
  bool optionsEnded = false;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QByteArray& a = args[i];
    if (optionsEnded || !a.startsWith("--") || a == "--") {
      if (!optionsEnded && a == "--") {
        optionsEnded = true;
        continue;
      }
      if (!commandSeen) {
        commandSeen = true;
        if (a == "pack") {
          r.kind = JobSpec::Kind::Pack;
        } else if (a == "unpack") {
          r.kind = JobSpec::Kind::Unpack;
        } else if (a == "test" || a == "list") {
          r.kind = JobSpec::Kind::Info;
          r.info = a == "test" ? CommandLine::InfoCommand::Test : CommandLine::InfoCommand::List;
        } else {
          return refuse("unknown command '" + a + "' (pack, unpack, test or list)");
        }
        continue;
      }
      r.paths.append(a);
      continue;
    }
    // --name VALUE or --name=VALUE
    QByteArray name = a.mid(2);
    std::optional<QByteArray> inlineValue;
    if (const qsizetype eq = name.indexOf('='); eq >= 0) {
      inlineValue = name.mid(eq + 1);
      name.truncate(eq);
    }
    const auto value = [&]() -> std::optional<QByteArray> {
      if (inlineValue) return inlineValue;
      if (i + 1 < args.size()) return args[++i];
      return std::nullopt;
    };
    const auto flag = [&](bool& field) {
      if (inlineValue) return false;
      field = true;
      return true;
    };
    if (name == "help" || name == "version") {
      r.action = name == "help" ? Request::Action::Help : Request::Action::Version;
      r.message = name == "help" ? HelpText() : QByteArray("packhelm-cli " PACKHELM_VERSION "\n");
      return r;
    }
    if (name == "backup" || name == "verbose") {
      if (!flag(name == "backup" ? r.backup : r.verbose))
        return refuse("--" + name + " takes no value");
      continue;
    }
    const std::optional<QByteArray> v = value();
    if (!v) return refuse("--" + name + " needs a value");
    if (name == "runs") {
      r.runs = numberOrWord(*v, 64, "auto", 0);
      if (!r.runs) return refuse("--runs takes a number from 1 to 64, or auto");
    } else if (name == "method") {
      r.method = methodNamed(*v);
      if (!r.method) return refuse("--method takes nrv2b, nrv2d, nrv2e, lzma or all");
    } else if (name == "level") {
      r.level = numberOrWord(*v, 9, "best", 10);
      if (!r.level) return refuse("--level takes a number from 1 to 9, or best");
    } else if (name == "output" || name == "report" || name == "settings") {
      if (v->isEmpty()) return refuse("--" + name + " needs a file name");
      if (name == "output")
        r.output = *v;
      else if (name == "report")
        r.report = *v;
      else
        r.settings = *v;
    } else {
      return refuse("unknown option '--" + name + "'");
    }
  }
  if (!commandSeen) return refuse("no command given");
  if (r.paths.isEmpty()) return refuse("no file or folder given");
  if (!r.output.isEmpty() && r.kind == JobSpec::Kind::Info)
    return refuse("--output goes with pack or unpack");
  if (r.kind != JobSpec::Kind::Pack && (r.method || r.level))
    return refuse("--method and --level go with pack");
  return r;
}

}  // namespace CliArguments
