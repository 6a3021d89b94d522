// SPDX-License-Identifier: GPL-3.0-or-later
#include "Files.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace Standin {

namespace {

// Packed layout (little endian):
//   0  magic "PHSTDPK1"        8  format id, 3 bytes reserved
//  12  original size (u64)    20  SHA-1 of the original (20 bytes)
//  40  payload size (u64)     48  payload: qCompress of the original (zlib)
// followed by zero bytes up to the minimum file size, so a packed file can always be unpacked.
constexpr char kMagic[] = "PHSTDPK1";
constexpr size_t kMagicSize = 8;
constexpr size_t kHeaderSize = 48;
constexpr long long kMinSize = 512;

const char* const kFormats[] = {"raw/bin", "linux/i386", "linux/amd64", "dos/exe", "win32/pe"};

// Unknown format (refused with an error, whatever the command): a file whose bytes are all zero,
// or one that begins with the marker "NOTEXE". Everything else is taken as an executable.
bool unknownFormat(const QByteArray& data) {
  if (data.startsWith("NOTEXE")) return true;
  for (char c : data)
    if (c != 0) return false;
  return true;
}

int formatId(const QByteArray& d) {
  if (d.startsWith("\x7f"
                   "ELF") &&
      d.size() > 4)
    return d[4] == 2 ? 2 : 1;
  if (d.startsWith("MZ")) {
    if (d.size() >= 0x40) {
      quint32 pe = 0;
      std::memcpy(&pe, d.constData() + 0x3c, 4);
      if (pe + 4 <= quint32(d.size()) && std::memcmp(d.constData() + pe, "PE\0\0", 4) == 0)
        return 4;
    }
    return 3;
  }
  return 0;
}

void putU64(QByteArray& out, quint64 v) {
  for (int i = 0; i < 8; ++i) out += char((v >> (8 * i)) & 0xff);
}

quint64 getU64(const QByteArray& in, qsizetype at) {
  quint64 v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | quint8(in[at + i]);
  return v;
}

bool isPacked(const QByteArray& d) {
  return d.size() >= qsizetype(kMagicSize) && std::memcmp(d.constData(), kMagic, kMagicSize) == 0;
}

QByteArray pack(const QByteArray& original, int level) {
  QByteArray out(kMagic, kMagicSize);
  out += char(formatId(original));
  out += QByteArray(3, '\0');
  putU64(out, quint64(original.size()));
  out += QCryptographicHash::hash(original, QCryptographicHash::Sha1);
  const QByteArray payload = qCompress(original, level > 9 ? 9 : level);
  putU64(out, quint64(payload.size()));
  out += payload;
  if (out.size() < kMinSize) out += QByteArray(kMinSize - out.size(), '\0');
  return out;
}

// Unpacks; false when the packed data is damaged.
bool unpack(const QByteArray& packed, QByteArray& original, std::string& format) {
  if (packed.size() < qsizetype(kHeaderSize)) return false;
  const int id = quint8(packed[8]);
  if (id >= int(sizeof kFormats / sizeof kFormats[0])) return false;
  const quint64 size = getU64(packed, 12);
  const quint64 payloadSize = getU64(packed, 40);
  if (payloadSize < 4 || payloadSize > quint64(packed.size() - kHeaderSize)) return false;
  const QByteArray payload = packed.mid(kHeaderSize, qsizetype(payloadSize));
  // qCompress puts the length in front (big endian); check it before trusting it to allocate.
  const quint64 declared = (quint64(quint8(payload[0])) << 24) | (quint8(payload[1]) << 16) |
                           (quint8(payload[2]) << 8) | quint8(payload[3]);
  if (declared != size) return false;
  original = size == 0 ? QByteArray() : qUncompress(payload);
  if (quint64(original.size()) != size) return false;
  if (QCryptographicHash::hash(original, QCryptographicHash::Sha1) != packed.mid(20, 20))
    return false;
  format = kFormats[id];
  return true;
}

std::string errnoText(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

bool readAll(const std::string& path, QByteArray& data, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errnoText("can't open file");
    return false;
  }
  data.clear();
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errnoText("read error");
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    data.append(buf, n);
  }
  ::close(fd);
  return true;
}

bool writeAllFd(int fd, const QByteArray& data) {
  qsizetype done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Where the last dot of the name's last component starts (a leading dot counts, as the real
// packer has it); npos when there is none.
size_t extensionStart(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t baseStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  return dot != std::string::npos && dot >= baseStart ? dot : std::string::npos;
}

// Writes data to an open file; with PACKHELM_STANDIN_HOLD=partial it stops halfway for a while,
// so that a test finds a partial file there, as an interrupted real packer leaves one.
bool writeResult(int fd, const QByteArray& data) {
  const qsizetype half = data.size() / 2;
  if (!writeAllFd(fd, data.left(half))) return false;
  Hold(HoldPoint::Partial);
  return writeAllFd(fd, data.mid(half));
}

// Writes a temporary file beside target with the given mode, named as the real packer names it:
// the extension replaced by ".upx" (or added), then ".000", ".001", ... while that is taken.
// Returns its name or empty.
std::string writeTemp(const std::string& target, const QByteArray& data, mode_t mode,
                      std::string& error) {
  const size_t ext = extensionStart(target);
  const std::string stem = ext == std::string::npos ? target : target.substr(0, ext);
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
  std::string name = stem + ".upx";
  int fd = ::open(name.c_str(), flags, mode & 07777);
  for (int i = 0; fd < 0 && errno == EEXIST && i < 1000; ++i) {
    char num[8];
    std::snprintf(num, sizeof num, ".%03d", i);
    name = stem + num;
    fd = ::open(name.c_str(), flags, mode & 07777);
  }
  if (fd < 0) {
    error = errnoText("can't create temporary file");
    return {};
  }
  const bool ok = writeResult(fd, data) && ::fchmod(fd, mode & 07777) == 0;
  if (::close(fd) != 0 || !ok) {
    error = errnoText("write error");
    ::unlink(name.c_str());
    return {};
  }
  return name;
}

// The real packer writes an output named by -o directly, not through a temporary file.
bool writeOutput(const std::string& target, const QByteArray& data, mode_t mode,
                 std::string& error) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode & 07777);
  if (fd < 0) {
    error = errnoText("can't create the output file");
    return false;
  }
  const bool ok = writeResult(fd, data) && ::fchmod(fd, mode & 07777) == 0;
  if (::close(fd) != 0 || !ok) {
    error = errnoText("write error");
    ::unlink(target.c_str());
    return false;
  }
  return true;
}

bool copyFile(const std::string& from, const std::string& to, mode_t mode) {
  QByteArray data;
  std::string error;
  if (!readAll(from, data, error)) return false;
  const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 07777);
  if (fd < 0) return false;
  const bool ok = writeAllFd(fd, data);
  return ::close(fd) == 0 && ok;
}

// Puts data where the command's result belongs: the -o file, or the input itself (with the
// backup taken first when -k asks for it).
bool placeResult(const Options& o, const std::string& name, const struct stat& inSt,
                 const QByteArray& data, std::string& error) {
  const std::string target = o.hasOutput ? o.output : name;
  if (o.hasOutput) {
    struct stat outSt;
    if (::stat(target.c_str(), &outSt) == 0) {
      if (outSt.st_dev == inSt.st_dev && outSt.st_ino == inSt.st_ino) {
        error = "output file is the input file";
        return false;
      }
      if (!o.force) {
        error = "output file " + target + " already exists (use -f to overwrite)";
        return false;
      }
    }
  }
  if (o.hasOutput) return writeOutput(target, data, inSt.st_mode, error);
  const std::string temp = writeTemp(target, data, inSt.st_mode, error);
  if (temp.empty()) return false;
  if (o.keepBackup) {
    const std::string backup = BackupName(name);
    if (backup.empty() ||
        (::link(name.c_str(), backup.c_str()) != 0 && !copyFile(name, backup, inSt.st_mode))) {
      error = errnoText("can't make the backup file");
      ::unlink(temp.c_str());
      return false;
    }
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    error = errnoText("can't replace the file");
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

bool writable(const std::string& name, const struct stat& st) {
  // Without any write bit the file counts as read-only even for root, who passes access().
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(name.c_str(), W_OK) == 0;
}

FileResult error(const std::string& message) {
  FileResult r;
  r.outcome = Outcome::Error;
  r.message = message;
  return r;
}

FileResult warning(const std::string& message) {
  FileResult r;
  r.outcome = Outcome::Warning;
  r.message = message;
  return r;
}

}  // namespace

void SimulateWork(const std::string& name, const QByteArray& data, int level, ProgressFn progress) {
  const char* v = std::getenv("PACKHELM_STANDIN_WORK");
  const long passes = v ? std::strtol(v, nullptr, 10) : 0;
  for (long i = 0; i < passes; ++i) {
    // Real work that the compiler cannot drop: the result decides nothing but must be made.
    volatile qsizetype size = pack(data, level).size();
    (void)size;
    progress(name, int(50 * (i + 1) / (passes + 1)));
  }
}

void Hold(HoldPoint point) {
  const char* at = std::getenv("PACKHELM_STANDIN_HOLD");
  if (!at) return;
  const std::string wanted(at);
  if ((point == HoldPoint::Partial && wanted != "partial") ||
      (point == HoldPoint::Between && wanted != "between"))
    return;
  const char* ms = std::getenv("PACKHELM_STANDIN_HOLD_MS");
  const long wait = ms ? std::strtol(ms, nullptr, 10) : 30000;
  std::fflush(stdout);
  std::this_thread::sleep_for(std::chrono::milliseconds(wait > 0 ? wait : 0));
}

std::string BackupName(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t baseStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  const bool hasExt = dot != std::string::npos && dot > baseStart && dot + 1 < path.size();
  const std::string first = hasExt ? path.substr(0, path.size() - 1) + '~' : path + ".~";
  if (!exists(first)) return first;
  const std::string stem = hasExt ? path.substr(0, dot) : path;
  for (int i = 0; i < 1000; ++i) {
    char num[8];
    std::snprintf(num, sizeof num, ".%03d", i);
    if (!exists(stem + num)) return stem + num;
  }
  return {};
}

FileResult ProcessFile(const Options& o, const std::string& name, ProgressFn progress) {
  struct stat st;
  if (::stat(name.c_str(), &st) != 0) return error(errnoText("can't open file"));
  if (!S_ISREG(st.st_mode)) return error("not a regular file");
  if (st.st_size < kMinSize) return error(st.st_size == 0 ? "file is empty" : "file is too small");
  const bool rewrites = o.command == Command::Pack || o.command == Command::Decompress;
  if (rewrites && !o.hasOutput && !o.keepBackup && !writable(name, st))
    return error("file is write protected");

  QByteArray data;
  std::string readError;
  if (!readAll(name, data, readError)) return error(readError);
  if (unknownFormat(data)) return error("NotExecutableException: unknown executable format");
  progress(name, 0);

  const bool packed = isPacked(data);
  FileResult r;
  if (o.command == Command::Pack) {
    if (packed) return warning("AlreadyPackedException: already packed by UPX");
    const QByteArray out = pack(data, o.level);
    SimulateWork(name, data, o.level, progress);
    progress(name, 50);
    if (out.size() >= data.size()) return error("NotCompressibleException");
    std::string placeError;
    if (!placeResult(o, name, st, out, placeError)) return error(placeError);
    r.sizeBefore = data.size();
    r.sizeAfter = out.size();
    r.format = kFormats[formatId(data)];
  } else {
    if (!packed) return warning("NotPackedException: not packed by UPX");
    QByteArray original;
    if (!unpack(data, original, r.format))
      return error("CantUnpackException: packed data is corrupt");
    progress(name, 50);
    if (o.command == Command::Decompress) {
      std::string placeError;
      if (!placeResult(o, name, st, original, placeError)) return error(placeError);
    }
    r.sizeBefore = original.size();
    r.sizeAfter = data.size();
  }
  progress(name, 100);
  return r;
}

}  // namespace Standin
