// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stand-in packer's work on one file: pack, unpack, test or list, with the packed format of
// its own. File names are argv bytes, used with POSIX calls only.

#include <QByteArray>
#include <string>

#include "Options.h"

namespace Standin {

enum class Outcome { Ok, Warning, Error };

struct FileResult {
  Outcome outcome = Outcome::Ok;
  // For warnings and errors, as the real packer words them: the class of the failure, then
  // what went wrong ("IOException: file is too small -- skipped").
  std::string message;
  // The file passed the checks and its format was taken, so the packer started on it (the
  // summary counts these files, and the failures among them).
  bool started = false;
  long long sizeBefore = 0;  // unpacked size
  long long sizeAfter = 0;   // packed size
  std::string format;
};

// Called between the steps of a file, for the progress line on a terminal.
using ProgressFn = void (*)(const std::string& name, int percent);

FileResult ProcessFile(const Options& o, const std::string& name, ProgressFn progress);

// Points where PACKHELM_STANDIN_HOLD=partial|between makes the stand-in wait
// PACKHELM_STANDIN_HOLD_MS (default 30000) ms: halfway through writing a result file, and after
// each file but the last.
enum class HoldPoint { Partial, Between };
void Hold(HoldPoint point);

// PACKHELM_STANDIN_WORK=N: packing a file does its compression N more times (the results are
// thrown away), so that a pack costs time in proportion to the file's size as the real packer's
// slow levels do; the packed bytes stay the same. Progress is shown meanwhile.
void SimulateWork(const std::string& name, const QByteArray& data, int level, ProgressFn progress);

// The backup name -k uses, as the real packer makes it: the last character of an extension of
// three or more characters replaced by "~" (prog.exe -> prog.ex~, .profile -> .profil~), "~"
// added to a shorter one (a.so -> a.so~, prog. -> prog.~), ".~" added to a name without a dot
// (a leading dot counts as one); when that is taken, the extension replaced by .000, .001, ...
// Empty when every candidate is taken.
std::string BackupName(const std::string& path);

}  // namespace Standin
