// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared by the fuzz targets: a failed property aborts with a message (libFuzzer then keeps the
// input), and file-based readers get the input as a real file on a memory file system.

#include <unistd.h>

#include <QByteArray>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                \
  do {                                                                                  \
    if (!(cond)) {                                                                      \
      std::fprintf(stderr, "property failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)

// A file of this process's own, rewritten for every input.
inline QByteArray fuzzFile(const char* tag) {
  const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return QByteArray(base) + "/packhelm-fuzz-" + tag + '-' + QByteArray::number(getpid());
}

inline bool writeFuzzFile(const QByteArray& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.constData(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}
