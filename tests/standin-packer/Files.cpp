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

const char* const kFormats[] = {"raw/bin", "linux/i386", "linux/amd64",
                                "dos/exe", "win32/pe",   "win64/pe"};
constexpr int kElf32 = 1, kElf64 = 2, kPe32 = 4, kPe64 = 5;

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
    return d[4] == 2 ? kElf64 : kElf32;
  if (d.startsWith("MZ")) {
    if (d.size() >= 0x40) {
      quint32 pe = 0;
      std::memcpy(&pe, d.constData() + 0x3c, 4);
      if (pe + 4 <= quint32(d.size()) && std::memcmp(d.constData() + pe, "PE\0\0", 4) == 0) {
        // The optional header's magic tells PE32+ (0x20b) from PE32.
        const bool plus = pe + 26 <= quint32(d.size()) && quint8(d[pe + 24]) == 0x0b &&
                          quint8(d[pe + 25]) == 0x02;
        return plus ? kPe64 : kPe32;
      }
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

// The real packer's wording of a failed system call on a file: the class, the name, the reason.
std::string errnoText(const std::string& name) {
  return std::string(errno == ENOENT ? "FileNotFoundException: " : "IOException: ") + name + ": " +
         std::strerror(errno);
}

bool readAll(const std::string& path, QByteArray& data, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errnoText(path);
    return false;
  }
  data.clear();
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errnoText(path);
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

// The file a pack or unpack writes, opened before the input's format is looked at, as the real
// packer opens it: the -o file, or a temporary file beside the input named after it (the
// extension replaced by ".upx", or added; then ".000", ".001", ... while that is taken). A run
// that fails afterwards removes it again.
struct OutputFile {
  std::string name;
  int fd = -1;

  bool open(const Options& o, const std::string& input, mode_t mode, std::string& error) {
    if (o.hasOutput) {
      name = o.output;
      if (o.force) ::unlink(name.c_str());
      fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd < 0 && errno == EEXIST)
        error = "FileAlreadyExistsException: " + name + ": " + std::strerror(EEXIST);
      else if (fd < 0)
        error = errnoText(name);
      return fd >= 0;
    }
    const size_t ext = extensionStart(input);
    const std::string stem = ext == std::string::npos ? input : input.substr(0, ext);
    name = stem + ".upx";
    for (int i = 0; exists(name) && i < 1000; ++i) {
      char num[16];  // room for any int: the compiler checks the bound
      std::snprintf(num, sizeof num, ".%03d", i);
      name = stem + num;
    }
    if (exists(name)) {
      error = "IOException: could not create a temporary file name";
      return false;
    }
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 07777);
    if (fd < 0) error = errnoText(name);
    return fd >= 0;
  }

  // Removes it after a failure.
  void discard() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    if (!name.empty()) ::unlink(name.c_str());
  }

  // Writes the result; with PACKHELM_STANDIN_HOLD=partial it stops halfway for a while, so that
  // a test finds a partial file there, as an interrupted real packer leaves one.
  bool write(const QByteArray& data, mode_t mode, std::string& error) {
    const qsizetype half = data.size() / 2;
    bool ok = writeAllFd(fd, data.left(half));
    if (ok) Hold(HoldPoint::Partial);
    ok = ok && writeAllFd(fd, data.mid(half)) && ::fchmod(fd, mode & 07777) == 0;
    const bool closed = ::close(fd) == 0;
    fd = -1;
    if (ok && closed) return true;
    error = errnoText(name);
    ::unlink(name.c_str());
    return false;
  }
};

// Puts the written result where it belongs: the -o file is already there; otherwise the input
// goes to its backup name (-k) or away, and the temporary file takes its name.
bool placeResult(const Options& o, const std::string& input, const OutputFile& out,
                 std::string& error) {
  if (o.hasOutput) return true;
  if (o.keepBackup) {
    const std::string backup = BackupName(input);
    if (backup.empty() || ::rename(input.c_str(), backup.c_str()) != 0) {
      error =
          backup.empty() ? "IOException: could not create a backup file name" : errnoText(backup);
      ::unlink(out.name.c_str());
      return false;
    }
  } else if (::unlink(input.c_str()) != 0) {
    error = errnoText(input);
    ::unlink(out.name.c_str());
    return false;
  }
  if (::rename(out.name.c_str(), input.c_str()) != 0) {
    error = errnoText(input);
    return false;
  }
  return true;
}

FileResult error(const std::string& message) {
  FileResult r;
  r.outcome = Outcome::Error;
  r.message = message;
  return r;
}

FileResult started(FileResult r) {
  r.started = true;
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
  const size_t ext = extensionStart(path);
  std::string first;
  if (ext == std::string::npos)
    first = path + ".~";
  else if (path.size() - ext < 4)
    first = path + '~';
  else
    first = path.substr(0, path.size() - 1) + '~';
  if (!exists(first)) return first;
  const std::string stem = ext == std::string::npos ? path : path.substr(0, ext);
  for (int i = 0; i < 1000; ++i) {
    char num[8];
    std::snprintf(num, sizeof num, ".%03d", i);
    if (!exists(stem + num)) return stem + num;
  }
  return {};
}

FileResult ProcessFile(const Options& o, const std::string& name, ProgressFn progress) {
  // The real packer's checks, in its order; a link is not followed.
  struct stat st;
  if (::lstat(name.c_str(), &st) != 0) return error(errnoText(name));
  if (S_ISLNK(st.st_mode)) return error("IOException: is a symlink -- skipped");
  if (S_ISDIR(st.st_mode)) return error("IOException: is a directory -- skipped");
  if (!S_ISREG(st.st_mode)) return error("IOException: not a regular file -- skipped");
  if (st.st_mode & (S_ISUID | S_ISGID | S_ISVTX))
    return error("IOException: file has special permissions -- skipped");
  if (st.st_size == 0) return error("IOException: empty file -- skipped");
  if (st.st_size < kMinSize) return error("IOException: file is too small -- skipped");
  // Only the owner's write bit counts, root is no exception, and only a command that rewrites
  // the file in place asks for it.
  const bool rewrites = o.command == Command::Pack || o.command == Command::Decompress;
  if (rewrites && !(st.st_mode & S_IWUSR) && !o.hasOutput && !o.keepBackup)
    return error("IOException: file is write protected -- skipped");

  QByteArray data;
  std::string readError;
  if (!readAll(name, data, readError)) return error(readError);
  OutputFile out;
  // With -f an -o naming the input itself deletes the input before the packer reads it; the
  // packer then fails and removes its output: the file is lost, as with the real packer.
  struct stat outSt;
  const bool outputIsInput = rewrites && o.hasOutput && o.force &&
                             ::stat(o.output.c_str(), &outSt) == 0 && outSt.st_dev == st.st_dev &&
                             outSt.st_ino == st.st_ino;
  if (rewrites && !out.open(o, name, st.st_mode, readError)) return error(readError);
  if (outputIsInput) {
    out.discard();
    return error("EOFException: premature end of file");
  }
  // From here on a failure takes the output file away again.
  auto fail = [&out](FileResult r) {
    out.discard();
    return r;
  };
  progress(name, 0);

  const bool packed = isPacked(data);
  FileResult r;
  std::string placeError;
  if (o.command == Command::Pack) {
    // A Windows program is found packed only once the packer has started on it, and the
    // message says more.
    if (packed) {
      const int id = quint8(data[8]);
      if (id == kPe32 || id == kPe64)
        return fail(started(warning("AlreadyPackedException: already packed by UPX")));
      return fail(warning("AlreadyPackedException"));
    }
    if (unknownFormat(data)) return fail(error("UnknownExecutableFormatException"));
    const int id = formatId(data);
    // Linux programs must be executable by their owner.
    if ((id == kElf32 || id == kElf64) && !(st.st_mode & S_IXUSR))
      return fail(error("CantPackException: file not executable; try 'chmod +x'"));
    r.started = true;
    const QByteArray result = pack(data, o.level);
    SimulateWork(name, data, o.level, progress);
    progress(name, 50);
    if (result.size() >= data.size()) return fail(started(error("NotCompressibleException")));
    if (!out.write(result, st.st_mode, placeError) || !placeResult(o, name, out, placeError))
      return started(error(placeError));
    r.sizeBefore = data.size();
    r.sizeAfter = result.size();
    r.format = kFormats[id];
  } else {
    // Unpacking, testing or listing what is not packed, the packer only finds it is not packed.
    if (!packed) return fail(warning("NotPackedException: not packed by UPX"));
    // Damage is found before the packer starts on the file.
    QByteArray original;
    if (!unpack(data, original, r.format))
      return fail(error("CantUnpackException: packed data is corrupt"));
    r.started = true;
    progress(name, 50);
    if (rewrites &&
        (!out.write(original, st.st_mode, placeError) || !placeResult(o, name, out, placeError)))
      return started(error(placeError));
    r.sizeBefore = original.size();
    r.sizeAfter = data.size();
  }
  progress(name, 100);
  return r;
}

}  // namespace Standin
