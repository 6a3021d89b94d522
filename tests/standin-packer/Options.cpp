// SPDX-License-Identifier: GPL-3.0-or-later
#include "Options.h"

#include <cstdlib>

namespace Standin {

namespace {

// Whole decimal number within [lo, hi]; no sign, no blanks.
bool parseRange(const std::string& text, long lo, long hi, long& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  value = std::strtol(text.c_str(), nullptr, 10);
  return value >= lo && value <= hi;
}

class Parser {
 public:
  Parser(const std::vector<std::string>& args, int major, Options& o, std::string& error)
      : args_(args), major_(major), o_(o), error_(error) {}

  bool run() {
    if (args_.empty()) return fail("no arguments given (try --help)");
    bool optionsEnded = false;
    for (i_ = 0; i_ < args_.size(); ++i_) {
      const std::string& a = args_[i_];
      if (optionsEnded || a.size() < 2 || a[0] != '-') {
        o_.files.push_back(a);
      } else if (a == "--") {
        optionsEnded = true;
      } else if (a.compare(0, 2, "--") == 0) {
        if (!longOption(a.substr(2))) return false;
      } else if (!shortCluster(a)) {
        return false;
      }
    }
    return finish();
  }

 private:
  bool fail(const std::string& message) {
    error_ = message;
    return false;
  }

  bool setCommand(Command c) {
    const bool info = c == Command::Version || c == Command::Help || c == Command::ListFormats;
    if (info) {
      // The informational commands win over the file commands; help wins over the rest.
      if (!info_ || c == Command::Help) info_ = true, infoCommand_ = c;
      return true;
    }
    if (fileCommandSet_ && o_.command != c) return fail("conflicting commands");
    fileCommandSet_ = true;
    o_.command = c;
    return true;
  }

  bool setOutput(const std::string& name) {
    if (o_.hasOutput) return fail("option -o given more than once");
    if (name.empty()) return fail("empty output file name");
    o_.hasOutput = true;
    o_.output = name;
    return true;
  }

  // The value of a long option that needs one: "--name=value" or "--name value".
  bool takeValue(bool hasInline, const std::string& inlineValue, const std::string& name,
                 std::string& value) {
    if (hasInline) {
      value = inlineValue;
      return true;
    }
    if (i_ + 1 >= args_.size()) return fail("option --" + name + " needs a value");
    value = args_[++i_];
    return true;
  }

  bool longOption(const std::string& body) {
    const size_t eq = body.find('=');
    const std::string name = body.substr(0, eq);
    const bool hasValue = eq != std::string::npos;
    const std::string value = hasValue ? body.substr(eq + 1) : std::string();
    auto flag = [&](bool& target) {
      if (hasValue) return fail("option --" + name + " takes no value");
      target = true;
      return true;
    };
    auto ranged = [&](int& target, long lo, long hi) {
      long v = 0;
      if (!hasValue || !parseRange(value, lo, hi, v))
        return fail("option --" + name + ": value out of range");
      target = int(v);
      return true;
    };
    bool dummy = false;
    const std::string crpName = major_ >= 4 ? "crp-ucl-ms" : "crp-ms";
    if (name == "best") {
      if (hasValue) return fail("option --best takes no value");
      o_.level = 10;
      return true;
    }
    if (name == crpName) {
      long v = 0;
      if (!hasValue || !parseRange(value, 10000, 999999, v))
        return fail("option --" + name + ": value out of range");
      o_.crp = v;
      return true;
    }
    if (name == "nrv2b") return flag(o_.nrv2b);
    if (name == "nrv2d") return flag(o_.nrv2d);
    // The other methods and --brute's search pack as the default does here, whatever the filter.
    if (name == "nrv2e" || name == "lzma" || name == "brute" || name == "all-filters" ||
        name == "no-filter")
      return flag(dummy);
    if (name == "filter") {
      long v = 0;
      if (!hasValue || !parseRange(value, 0, 255, v))
        return fail("option --filter: value out of range");
      return true;
    }
    if (name == "backup") return flag(o_.keepBackup);
    if (name == "overlay") {
      if (value != "copy" && value != "strip" && value != "skip")
        return fail("option --overlay: value must be copy, strip or skip");
      o_.overlay = value;
      return true;
    }
    if (name == "8086") return flag(o_.dos8086);
    if (name == "no-reloc") return flag(o_.noReloc);
    if (name == "compress-exports") return ranged(o_.compressExports, 0, 1);
    if (name == "compress-icons") return ranged(o_.compressIcons, 0, 3);
    if (name == "compress-resources") return ranged(o_.compressResources, 0, 1);
    if (name == "force") return flag(o_.force);
    if (name == "strip-relocs") return ranged(o_.stripRelocs, 0, 1);
    if (name == "coff") return flag(o_.coff);
    if (name == "le") return flag(o_.le);
    if (name == "quiet") {
      if (hasValue) return fail("option --quiet takes no value");
      ++o_.quiet;
      return true;
    }
    if (name == "output") {
      std::string v;
      return takeValue(hasValue, value, name, v) && setOutput(v);
    }
    if (name == "decompress") return flag(dummy) && setCommand(Command::Decompress);
    if (name == "test") return flag(dummy) && setCommand(Command::Test);
    if (name == "list") return flag(dummy) && setCommand(Command::List);
    if (name == "version") return flag(dummy) && setCommand(Command::Version);
    if (name == "help") return flag(dummy) && setCommand(Command::Help);
    return fail("unknown option --" + name);
  }

  bool shortCluster(const std::string& a) {
    for (size_t k = 1; k < a.size(); ++k) {
      const char c = a[k];
      if (c >= '1' && c <= '9') {
        o_.level = c - '0';
      } else if (c == 'k') {
        o_.keepBackup = true;
      } else if (c == 'f') {
        o_.force = true;
      } else if (c == 'q') {
        ++o_.quiet;
      } else if (c == 'd') {
        if (!setCommand(Command::Decompress)) return false;
      } else if (c == 't') {
        if (!setCommand(Command::Test)) return false;
      } else if (c == 'l') {
        if (!setCommand(Command::List)) return false;
      } else if (c == 'L') {
        if (!setCommand(Command::ListFormats)) return false;
      } else if (c == 'V') {
        if (!setCommand(Command::Version)) return false;
      } else if (c == 'h') {
        if (!setCommand(Command::Help)) return false;
      } else if (c == 'o') {
        // -oNAME takes the rest of the cluster; -o NAME the next argument, whatever it is.
        if (k + 1 < a.size()) return setOutput(a.substr(k + 1));
        if (i_ + 1 >= args_.size()) return fail("option -o needs a file name");
        return setOutput(args_[++i_]);
      } else {
        return fail(std::string("unknown option -") + c);
      }
    }
    return true;
  }

  bool finish() {
    if (info_) {
      o_.command = infoCommand_;
      return true;
    }
    if (o_.files.empty()) return fail("no input files");
    if (o_.hasOutput) {
      if (o_.command != Command::Pack && o_.command != Command::Decompress)
        return fail("option -o is only for packing and unpacking");
      if (o_.files.size() > 1) return fail("option -o takes exactly one input file");
    }
    return true;
  }

  const std::vector<std::string>& args_;
  const int major_;
  Options& o_;
  std::string& error_;
  size_t i_ = 0;
  bool fileCommandSet_ = false;
  bool info_ = false;
  Command infoCommand_ = Command::Help;
};

}  // namespace

bool ParseArguments(const std::vector<std::string>& args, int majorVersion, Options& o,
                    std::string& error) {
  o = Options();
  return Parser(args, majorVersion, o, error).run();
}

}  // namespace Standin
