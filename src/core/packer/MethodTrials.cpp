// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/MethodTrials.h"

#include <errno.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cstring>

#include "core/packer/CommandLine.h"
#include "core/packer/FileSizes.h"

namespace MethodTrials {

namespace {

bool exists(const QByteArray& path) {
  struct stat st;
  return ::lstat(path.constData(), &st) == 0;
}

void removeQuietly(const QByteArray& path) {
  ::unlink(path.constData());  // gone already is fine
}

bool sameBytes(const QByteArray& a, const QByteArray& b) {
  QFile fa(QFile::decodeName(a)), fb(QFile::decodeName(b));
  if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly)) return false;
  while (!fa.atEnd() || !fb.atEnd())
    if (fa.read(1 << 20) != fb.read(1 << 20)) return false;
  return true;
}

// Hard links keep the name in place throughout; a file system without them takes a rename.
bool linkUnsupported(int error) {
  return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == EMLINK ||
         error == ENOSYS;
}

QByteArray systemError(const char* what) {
  return QByteArray(what) + ": " + std::strerror(errno);
}

// A file's row before its sizes are measured.
FileResults::Row fileRow(const QByteArray& file, FileResults::Outcome outcome,
                         const QByteArray& message) {
  return {file, {}, {}, outcome, message};
}

}  // namespace

Race::Race(Setup setup, QList<QByteArray> files)
    : setup_(std::move(setup)), methods_(MethodsOf(setup_.capabilities)) {
  files_.reserve(files.size());
  for (QByteArray& name : files) {
    File f;
    f.index = files_.size();
    f.name = std::move(name);
    files_.append(std::move(f));
  }
}

QList<Methods::Method> Race::MethodsOf(const PackerCapabilities& capabilities) {
  QList<Methods::Method> methods;
  for (Methods::Method m : Methods::Trials)
    if (capabilities.offers(m)) methods.append(m);
  return methods;
}

// As the packer makes it (its makebakname), so that a backup is found where the packer puts one.
QByteArray Race::BackupName(const QByteArray& file) {
  const qsizetype base = file.lastIndexOf('/') + 1;
  qsizetype ext = file.lastIndexOf('.');
  QByteArray name = file;
  if (ext < base) {
    ext = name.size();
    name += ".~";
  } else if (name.size() - ext < 4) {
    name += '~';
  } else {
    name[name.size() - 1] = '~';
  }
  for (int n = 0; n < 1000; ++n) {
    if (!exists(name)) return name;
    name = name.left(ext) + '.' + QByteArray::number(n).rightJustified(3, '0');
  }
  return {};
}

// A name of its own beside the file, so that the result is renamed over it on the same file
// system; hidden, and not made from the file's name, which may be as long as names go.
QByteArray Race::temporaryName(const QByteArray& file, Methods::Method method) {
  const QByteArray folder = file.left(file.lastIndexOf('/') + 1);
  QByteArray name;
  do {
    name = folder + ".packhelm-" +
           QByteArray::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, '0') +
           '.' + Methods::InfoOf(method).name;
  } while (exists(name));
  return name;
}

Step Race::stepFor(qsizetype file, Step::Kind kind, Methods::Method method,
                   QByteArray output) const {
  Step s{kind, file, method, std::move(output), {}};
  s.commandLine =
      kind == Step::Kind::Test
          ? CommandLine::GetCmdInfo(CommandLine::InfoCommand::Test, {s.output}, setup_.packer)
          : CommandLine::GetCmdTrial(setup_.options, files_[file].name, s.output, method,
                                     setup_.packer, setup_.capabilities);
  return s;
}

// What stops a file before its first trial, so that nobody waits for every trial only to learn
// it: what the packer itself would refuse at the end, and too little room for the trials.
std::optional<FileResults::Row> Race::refusal(const File& f) const {
  const PackOptions& o = setup_.options;
  const bool output = CommandLine::UsesOutputFile(o);
  struct stat st;
  if (::stat(f.name.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  // The packer leaves a write-protected file alone unless it keeps a backup or writes
  // elsewhere; the trials write elsewhere, so the rule is kept here.
  if (!o.BackupBox && !output && (st.st_mode & S_IWUSR) == 0)
    return fileRow(f.name, FileResults::Outcome::WriteProtected,
                   "file is write protected -- skipped");
  // As the packer, an output file that exists is not overwritten (Replace deleted it before).
  if (output && exists(o.EditOutFile))
    return fileRow(f.name, FileResults::Outcome::Failed,
                   "FileAlreadyExistsException: " + o.EditOutFile + ": File exists");
  // Each trial's output beside the file is smaller than the file, or the packer refuses it.
  struct statvfs fs;
  const qsizetype slash = f.name.lastIndexOf('/');
  const QByteArray folder = slash < 0 ? QByteArray(".") : f.name.left(qMax<qsizetype>(slash, 1));
  const quint64 needed = quint64(st.st_size) * quint64(methods_.size());
  if (::statvfs(folder.constData(), &fs) == 0 &&
      quint64(fs.f_bavail) * quint64(fs.f_frsize) < needed) {
    errno = ENOSPC;
    return fileRow(f.name, FileResults::Outcome::Failed,
                   systemError("no room for the trials' outputs") + " (" +
                       QByteArray::number(needed) + " bytes needed)");
  }
  return std::nullopt;
}

std::optional<Step> Race::next() {
  if (!ready_.isEmpty()) return ready_.takeFirst();
  while (nextFile_ < files_.size() && !methods_.isEmpty()) {
    File& f = files_[nextFile_];
    if (nextMethod_ == 0) {
      if (std::optional<FileResults::Row> refused = refusal(f)) {
        f.end = File::End::Failed;
        f.row = std::move(*refused);
        ++nextFile_;
        continue;
      }
      f.open = int(methods_.size());
    }
    const Methods::Method m = methods_[nextMethod_];
    const qsizetype file = nextFile_;
    if (++nextMethod_ == methods_.size()) {
      nextMethod_ = 0;
      ++nextFile_;
    }
    f.outputs.append(temporaryName(f.name, m));
    return stepFor(file, Step::Kind::Trial, m, f.outputs.last());
  }
  return std::nullopt;
}

void Race::ended(const Step& step, int exitCode, const FileResults::Row& said) {
  File& f = files_[step.file];
  if (f.end != File::End::Open) return;
  if (step.kind == Step::Kind::Test) {
    const auto tested = [&](const Candidate& c) { return c.output == step.output; };
    const auto c = std::find_if(f.candidates.begin(), f.candidates.end(), tested);
    if (exitCode == 0 && (f.brute && tested(*f.brute))) return replace(f, *f.brute);
    if (exitCode == 0 && c != f.candidates.end()) return replace(f, *c);
    // It failed the test: the next best is tested.
    removeQuietly(step.output);
    if (f.brute && tested(*f.brute)) f.brute.reset();
    f.candidates.removeIf(tested);
    decide(f);
    return;
  }
  --f.open;
  const std::optional<quint64> size = FileSizes::SizeOf(step.output);
  if (exitCode == 0 && size) {
    const Candidate c{step.method, step.output, *size};
    if (step.method == Methods::Method::All)
      f.brute = c;
    else
      f.candidates.append(c);
  } else {
    if (!f.refusal && step.method != Methods::Method::All) f.refusal = said;
    removeQuietly(step.output);
  }
  if (f.open == 0) decide(f);
}

// A file whose runs have all ended: its best result is tested, or the packer's own --brute is
// asked first when the two best lie too close for the sizes to tell its choice.
void Race::decide(File& f) {
  std::sort(f.candidates.begin(), f.candidates.end(), [](const Candidate& a, const Candidate& b) {
    return a.size != b.size ? a.size < b.size : a.method < b.method;
  });
  const Candidate* best = f.brute ? &*f.brute : nullptr;
  if (!best && !f.bruteAsked && f.candidates.size() >= 2 &&
      f.candidates[1].size - f.candidates[0].size < NearTie) {
    f.bruteAsked = true;
    f.open = 1;
    f.outputs.append(temporaryName(f.name, Methods::Method::All));
    ready_.prepend(stepFor(f.index, Step::Kind::Trial, Methods::Method::All, f.outputs.last()));
    return;
  }
  if (!best && !f.candidates.isEmpty()) best = &f.candidates.first();
  if (best) {
    // Decided: after a failed test the next best is taken as it is.
    f.bruteAsked = true;
    ready_.prepend(stepFor(f.index, Step::Kind::Test, best->method, best->output));
    return;
  }
  f.end = File::End::Failed;
  f.row = f.refusal ? *f.refusal
                    : fileRow(f.name, FileResults::Outcome::Failed, "no method packed the file");
  f.row.file = f.name;
  for (const QByteArray& output : std::as_const(f.outputs)) removeQuietly(output);
}

void Race::replace(File& f, const Candidate& c) {
  Verdict v{c.method, c.size, {}, 0};
  // The packer's own choice is named by the method whose bytes it repeats.
  if (c.method == Methods::Method::All)
    for (const Candidate& other : std::as_const(f.candidates))
      if (other.size == c.size && sameBytes(other.output, c.output)) {
        v.winner = other.method;
        break;
      }
  for (const Candidate& other : std::as_const(f.candidates))
    if (other.method != v.winner) {
      v.runnerUp = other.method;
      v.runnerUpSize = other.size;
      break;
    }

  const PackOptions& o = setup_.options;
  const QByteArray& from = c.output;
  QByteArray error;
  if (CommandLine::UsesOutputFile(o)) {
    // As the packer, an output file that exists is not overwritten.
    const QByteArray& to = o.EditOutFile;
    if (::link(from.constData(), to.constData()) != 0) {
      if (!linkUnsupported(errno) || exists(to))
        error = systemError("cannot create the output file");
      else if (::rename(from.constData(), to.constData()) != 0)
        error = systemError("cannot create the output file");
    }
  } else {
    QByteArray backup;
    bool renamedAway = false;
    if (o.BackupBox) {
      backup = BackupName(f.name);
      if (backup.isEmpty()) {
        error = "could not create a backup file name";
      } else if (::link(f.name.constData(), backup.constData()) != 0) {
        if (linkUnsupported(errno) && ::rename(f.name.constData(), backup.constData()) == 0)
          renamedAway = true;
        else
          error = systemError("cannot make the backup");
      }
    }
    if (error.isEmpty() && ::rename(from.constData(), f.name.constData()) != 0) {
      error = systemError("cannot replace the file");
      if (renamedAway) ::rename(backup.constData(), f.name.constData());
    }
  }
  for (const QByteArray& output : std::as_const(f.outputs)) removeQuietly(output);
  if (!error.isEmpty()) {
    f.end = File::End::Failed;
    f.row = fileRow(f.name, FileResults::Outcome::Failed, error);
    return;
  }
  f.end = File::End::Replaced;
  f.verdict = v;
}

QList<FileResults::Row> Race::finish(bool stopped) {
  QList<FileResults::Row> rows;
  rows.reserve(files_.size());
  for (File& f : files_) {
    for (const QByteArray& output : std::as_const(f.outputs)) removeQuietly(output);
    switch (f.end) {
      case File::End::Replaced:
        rows.append(fileRow(f.name, FileResults::Outcome::Packed, {}));
        break;
      case File::End::Failed:
        rows.append(f.row);
        break;
      case File::End::Open:
        rows.append(stopped ? fileRow(f.name, FileResults::Outcome::Stopped, {})
                            : fileRow(f.name, FileResults::Outcome::Failed, "not finished"));
        break;
    }
  }
  return rows;
}

std::optional<Verdict> Race::verdict(qsizetype file) const {
  return files_.value(file).verdict;
}

}  // namespace MethodTrials
