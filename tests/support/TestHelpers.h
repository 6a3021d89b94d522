#pragma once
// Small things several tests need: environment variables for the children a test starts, a
// file-size limit that makes writes fail like a full disk, and whole-file reads and writes.

#include <sys/resource.h>

#include <QByteArray>
#include <QList>
#include <functional>
#include <initializer_list>
#include <utility>

// Sets environment variables for the children started in one test, and removes them after.
class EnvGuard {
 public:
  EnvGuard(std::initializer_list<std::pair<const char*, QByteArray>> vars);
  ~EnvGuard();
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

 private:
  QList<const char*> names_;
};

// Runs `act` while every write beyond `bytes` fails the way a full disk makes it fail, even for
// root. False, with `act` not run, when the limit cannot be set.
bool WithFileSizeLimit(rlim_t bytes, const std::function<void()>& act);

// The whole file, or "<unreadable>", which no expected contents equal.
QByteArray readFileBytes(const QByteArray& path);
// Writes the file anew; false unless every byte was written.
bool writeFileBytes(const QByteArray& path, const QByteArray& bytes);

// The windows are designed at an application font of 8 points (and grow with larger ones); tests
// of the designed sizes set it before they make their windows.
void UseDesignedFont();
