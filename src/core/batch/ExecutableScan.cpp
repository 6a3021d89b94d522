// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/batch/ExecutableScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSet>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace ExecutableScan {

Format DetectFormat(const QByteArray& head) {
  if (head.startsWith("\x7f"
                      "ELF"))
    return Format::Elf;
  if (head.startsWith("MZ")) return Format::Mz;
  // Mach-O, 32 and 64 bit, either byte order. The universal ("fat") magic is left out: it is
  // also the magic of Java class files.
  static const char* const machO[] = {"\xfe\xed\xfa\xce", "\xfe\xed\xfa\xcf", "\xce\xfa\xed\xfe",
                                      "\xcf\xfa\xed\xfe"};
  for (const char* m : machO)
    if (head.startsWith(QByteArray(m, 4))) return Format::MachO;
  return Format::None;
}

bool IsFolder(const QByteArray& path) {
  struct stat st;
  // A name holding NUL would be cut short by the system call, and name another folder.
  return !path.isEmpty() && !path.contains('\0') && ::stat(path.constData(), &st) == 0 &&
         S_ISDIR(st.st_mode);
}

namespace {

struct FileId {
  dev_t dev;
  ino_t ino;
  bool operator==(const FileId&) const = default;
};
size_t qHash(const FileId& id, size_t seed = 0) {
  return ::qHash(quint64(id.dev), seed) ^ ::qHash(quint64(id.ino), seed);
}

QByteArray canonical(const QByteArray& path) {
  char buffer[PATH_MAX];
  return ::realpath(path.constData(), buffer) ? QByteArray(buffer) : QByteArray();
}

// The system's reason for an error number, in English whatever the user's locale.
QByteArray reason(int error) {
  const char* why = ::strerrordesc_np(error);
  return why ? QByteArray(why) : "error " + QByteArray::number(error);
}

bool inside(const QByteArray& path, const QByteArray& root) {
  return path == root || path.startsWith(root.endsWith('/') ? root : root + '/');
}

// One folder given by the user: its executables, each folder and file once.
// Files are told apart by their resolved path, not their inode: hard links are names of their
// own, each packed (into a new file of its own) and reported.
class FolderScan {
 public:
  FolderScan(Result& result, QSet<FileId>& seen, QSet<QByteArray>& seenFiles,
             const std::atomic_bool* cancel)
      : result_(result), cancel_(cancel), seen_(seen), seenFiles_(seenFiles) {}

  // False when the folder holds no packable executable (taken now or by an earlier folder).
  bool run(const QByteArray& folder) {
    root_ = canonical(folder);
    if (root_.isEmpty()) {
      unreadable(folder);
      return false;
    }
    QByteArray start = folder;
    while (start.size() > 1 && start.endsWith('/')) start.chop(1);
    visitFolder(start);
    return found_ > 0 || rootSeenBefore_;
  }

 private:
  // The entry was not read, for the reason `why` (by default that of the call that just failed).
  void unreadable(const QByteArray& path, const QByteArray& why = reason(errno)) {
    result_.unreadable.append({path, why});
  }

  bool cancelled() {
    if (cancel_ && cancel_->load(std::memory_order_relaxed)) result_.cancelled = true;
    return result_.cancelled;
  }

  void visitFolder(const QByteArray& path) {
    if (cancelled()) return;
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      unreadable(path);
      return;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || seen_.contains({st.st_dev, st.st_ino})) {
      // The folder itself was scanned as part of an earlier one: its files are taken already.
      if (!started_ && seen_.contains({st.st_dev, st.st_ino})) rootSeenBefore_ = true;
      ::close(fd);
      return;
    }
    started_ = true;
    seen_.insert({st.st_dev, st.st_ino});
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
      const int error = errno;
      ::close(fd);
      unreadable(path, reason(error));
      return;
    }
    struct Entry {
      QByteArray name;
      unsigned char type;
    };
    QList<Entry> entries;
    while (const dirent* e = ::readdir(dir)) {
      const char* n = e->d_name;
      if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
      entries.append({QByteArray(n), e->d_type});
    }
    result_.entries += entries.size();
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    const QByteArray prefix = path == "/" ? path : path + '/';
    // Once per folder: a file met in it (not through a link) resolves to this and its name.
    const QByteArray real = canonical(path);
    // (Should it not resolve, the name itself, kept apart from resolved ones by a NUL.)
    const QByteArray realPrefix = real.isEmpty()       ? QByteArray(1, '\0') + prefix
                                  : real.endsWith('/') ? real
                                                       : real + '/';
    for (const Entry& e : entries) {
      if (cancelled()) break;
      visitEntry(::dirfd(dir), prefix + e.name, e.name, e.type, realPrefix + e.name);
    }
    ::closedir(dir);
  }

  void visitEntry(int dirFd, const QByteArray& path, const QByteArray& name, unsigned char type,
                  const QByteArray& real) {
    struct stat st;
    if (type == DT_UNKNOWN) {
      if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        unreadable(path);
        return;
      }
      type = S_ISDIR(st.st_mode)   ? DT_DIR
             : S_ISREG(st.st_mode) ? DT_REG
             : S_ISLNK(st.st_mode) ? DT_LNK
                                   : DT_UNKNOWN;
    }
    if (type == DT_DIR) return visitFolder(path);
    if (type == DT_REG) return visitFile(dirFd, path, name, false, real);
    if (type != DT_LNK) return;  // devices, pipes, sockets: never opened
    // A link counts only when it leads to a place inside the folder the user gave.
    const QByteArray target = canonical(path);
    if (target.isEmpty() || !inside(target, root_)) return;
    if (::stat(target.constData(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) return visitFolder(target);
    if (S_ISREG(st.st_mode)) visitFile(AT_FDCWD, target, target, true, target);
  }

  void visitFile(int dirFd, const QByteArray& path, const QByteArray& name, bool viaLink,
                 const QByteArray& real) {
    // O_NONBLOCK: should the entry have turned into a pipe meanwhile, opening it does not wait.
    const int fd = ::openat(dirFd, name.constData(),
                            O_RDONLY | O_CLOEXEC | O_NONBLOCK | (viaLink ? 0 : O_NOFOLLOW));
    if (fd < 0) {
      unreadable(path);
      return;
    }
    struct stat st;
    char head[4];
    ssize_t got = -1;
    // (Turned into something else since it was listed: the packer's words for that.)
    QByteArray why = "not a regular file";
    if (::fstat(fd, &st) != 0)
      why = reason(errno);
    else if (S_ISREG(st.st_mode) && (got = ::read(fd, head, sizeof head)) < 0)
      why = reason(errno);
    ::close(fd);
    if (got < 0) {
      unreadable(path, why);
      return;
    }
    if (DetectFormat(QByteArray(head, int(got))) == Format::None) return;
    ++found_;
    if (seenFiles_.contains(real)) return;
    seenFiles_.insert(real);
    result_.files.append(path);
    ++result_.filesFromFolders;
  }

  Result& result_;
  const std::atomic_bool* cancel_;
  QByteArray root_;
  QSet<FileId>& seen_;           // shared by every folder of one selection
  QSet<QByteArray>& seenFiles_;  // ... and their files, by resolved path
  int found_ = 0;                // executables met, also those taken before
  bool started_ = false;
  bool rootSeenBefore_ = false;
};

}  // namespace

Result Expand(const QList<QByteArray>& paths, const std::atomic_bool* cancel) {
  Result result;
  QSet<FileId> seen;
  QSet<QByteArray> seenFiles;
  // Files given directly come first and are not taken again from a folder.
  for (const QByteArray& p : paths) {
    if (IsFolder(p)) continue;
    result.files.append(p);
    const QByteArray real = canonical(p);
    if (!real.isEmpty()) seenFiles.insert(real);
  }
  for (const QByteArray& p : paths) {
    if (!IsFolder(p)) continue;
    ++result.folders;
    const bool holdsExecutables = FolderScan(result, seen, seenFiles, cancel).run(p);
    if (result.cancelled) break;
    if (!holdsExecutables) result.emptyFolders.append(p);
  }
  return result;
}

}  // namespace ExecutableScan
