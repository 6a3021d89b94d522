// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/MethodTrials.h"

#include <errno.h>
#include <fcntl.h>
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

// The first bytes of a file, opened by its bytes (a name need not be text).
QByteArray head(const QByteArray& path) {
  QByteArray bytes(4096, '\0');
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  const ssize_t n = ::read(fd, bytes.data(), size_t(bytes.size()));
  ::close(fd);
  bytes.resize(n > 0 ? n : 0);
  return bytes;
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

// Read as the packer reads them: little-endian fields (big-endian ELF for a PowerPC program).
std::optional<QList<int>> FiltersOf(const QByteArray& head) {
  const auto u16 = [&](qsizetype at, bool big) -> int {
    if (at < 0 || at + 2 > head.size()) return -1;
    const auto b0 = quint8(head[at]), b1 = quint8(head[at + 1]);
    return big ? (b0 << 8 | b1) : (b1 << 8 | b0);
  };
  std::optional<QList<int>> filters;
  if (head.startsWith("\x7f"
                      "ELF") &&
      head.size() >= 20) {
    switch (u16(18, head[5] == 2)) {
      case 3:  // i386
        filters = QList<int>{0x49, 0x46};
        break;
      case 62:  // x86-64
        filters = QList<int>{0x49};
        break;
      case 183:  // AArch64
        filters = QList<int>{0x52};
        break;
      case 20:  // PowerPC
      case 21:  // PowerPC 64
        filters = QList<int>{0xd0};
        break;
    }
  } else if (head.startsWith("MZ") && head.size() >= 0x40) {
    const qsizetype pe = u16(0x3c, false) | (u16(0x3e, false) << 16);
    if (pe > 0 && head.mid(pe, 4) == QByteArray("PE\0\0", 4)) {
      switch (u16(pe + 4, false)) {
        case 0x14c:  // i386: up to --brute's mark; --ultra-brute goes on with 0x25, 0x15, 0x12
          filters = QList<int>{0x26, 0x24, 0x49, 0x46, 0x16, 0x13, 0x14, 0x11};
          break;
        case 0x8664:  // x86-64
          filters = QList<int>{0x49};
          break;
      }
    }
  }
  if (filters) filters->append(0);
  return filters;
}

Race::Race(Setup setup, QList<QByteArray> files)
    : setup_(std::move(setup)), methods_(MethodsOf(setup_.capabilities)) {
  files_.reserve(files.size());
  for (QByteArray& name : files) {
    File f;
    f.index = files_.size();
    f.name = std::move(name);
    f.size = FileSizes::SizeOf(f.name).value_or(0);
    files_.append(std::move(f));
    order_.append(files_.size() - 1);
  }
  // The largest trials first, so that none is left alone at the end while the other cores idle.
  std::stable_sort(order_.begin(), order_.end(),
                   [this](qsizetype a, qsizetype b) { return files_[a].size > files_[b].size; });
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

Step Race::stepFor(qsizetype file, Step::Kind kind, const Piece& piece, QByteArray output) const {
  Step s{kind, file, piece.method, piece.filter, std::move(output), {}};
  s.commandLine =
      kind == Step::Kind::Test
          ? CommandLine::GetCmdInfo(CommandLine::InfoCommand::Test, {s.output}, setup_.packer)
          : CommandLine::GetCmdTrial(setup_.options, files_[file].name, s.output, piece.method,
                                     piece.filter, setup_.packer, setup_.capabilities);
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
  // Each trial's output beside the file is smaller than the file, or the packer refuses it; the
  // trials under way and the best results so far are there at once.
  struct statvfs fs;
  const qsizetype slash = f.name.lastIndexOf('/');
  const QByteArray folder = slash < 0 ? QByteArray(".") : f.name.left(qMax<qsizetype>(slash, 1));
  const qsizetype outputs = qMin(f.pieces.size(), qsizetype(setup_.runs) + kKept);
  const quint64 needed = quint64(st.st_size) * quint64(outputs);
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
  while (nextFile_ < order_.size() && !methods_.isEmpty()) {
    File& f = files_[order_[nextFile_]];
    if (f.given == 0 && f.pieces.isEmpty()) {
      const std::optional<QList<int>> filters = FiltersOf(head(f.name));
      for (Methods::Method m : std::as_const(methods_))
        for (const std::optional<int>& filter :
             filters ? QList<std::optional<int>>(filters->begin(), filters->end())
                     : QList<std::optional<int>>{std::nullopt})
          f.pieces.append({m, filter});
      if (std::optional<FileResults::Row> refused = refusal(f)) {
        f.end = File::End::Failed;
        f.row = std::move(*refused);
        ++nextFile_;
        continue;
      }
    }
    const Piece piece = f.pieces[f.given];
    if (++f.given == f.pieces.size()) ++nextFile_;
    ++f.open;
    f.outputs.append(temporaryName(f.name, piece.method));
    return stepFor(f.index, Step::Kind::Trial, piece, f.outputs.last());
  }
  return std::nullopt;
}

void Race::ended(const Step& step, int exitCode, const FileResults::Row& said) {
  File& f = files_[step.file];
  if (f.end != File::End::Open) return;
  if (step.kind == Step::Kind::Test) {
    const auto tested = [&](const Candidate& c) { return c.output == step.output; };
    const auto c = std::find_if(f.candidates.begin(), f.candidates.end(), tested);
    if (exitCode == 0 && c != f.candidates.end()) return replace(f, *c);
    // It failed the test: the next best is tested.
    removeQuietly(step.output);
    f.candidates.removeIf(tested);
    decide(f);
    return;
  }
  --f.open;
  const std::optional<quint64> size = FileSizes::SizeOf(step.output);
  if (exitCode == 0 && size) {
    // Kept in order of size (a tie goes to the earlier method and filter); beyond the few best,
    // an output goes at once, so that the trials need no more room than the file a few times.
    const auto piece = std::find_if(f.pieces.begin(), f.pieces.end(), [&](const Piece& p) {
      return p.method == step.method && p.filter == step.filter;
    });
    const Candidate c{step.method, step.filter, step.output, *size, piece - f.pieces.begin()};
    const auto at = std::upper_bound(
        f.candidates.begin(), f.candidates.end(), c, [](const Candidate& a, const Candidate& b) {
          return a.size != b.size ? a.size < b.size : a.piece < b.piece;
        });
    f.candidates.insert(at, c);
    while (f.candidates.size() > kKept) removeQuietly(f.candidates.takeLast().output);
  } else {
    if (!f.refusal) f.refusal = said;
    removeQuietly(step.output);
  }
  if (f.open == 0 && f.given == f.pieces.size()) decide(f);
}

// A file whose trials have all ended: its smallest result is tested (after a failed test, the
// next smallest).
void Race::decide(File& f) {
  if (!f.candidates.isEmpty()) {
    const Candidate& best = f.candidates.first();
    ready_.prepend(stepFor(f.index, Step::Kind::Test, {best.method, best.filter}, best.output));
    return;
  }
  f.end = File::End::Failed;
  f.row = f.refusal ? *f.refusal
                    : fileRow(f.name, FileResults::Outcome::Failed, "no method packed the file");
  f.row.file = f.name;
  for (const QByteArray& output : std::as_const(f.outputs)) removeQuietly(output);
}

void Race::replace(File& f, const Candidate& c) {
  Verdict v{c.method, c.filter, c.size, {}, {}, 0};
  for (const Candidate& other : std::as_const(f.candidates))
    if (other.output != c.output) {
      v.runnerUp = other.method;
      v.runnerUpFilter = other.filter;
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
