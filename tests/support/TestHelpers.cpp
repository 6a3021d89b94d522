#include "support/TestHelpers.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <csignal>

EnvGuard::EnvGuard(std::initializer_list<std::pair<const char*, QByteArray>> vars) {
  for (const auto& [name, value] : vars) {
    names_ << name;
    qputenv(name, value);
  }
}

EnvGuard::~EnvGuard() {
  for (const char* n : names_) qunsetenv(n);
}

bool WithFileSizeLimit(rlim_t bytes, const std::function<void()>& act) {
  struct rlimit saved {};
  if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return false;
  // Without this the write beyond the limit would end the test program.
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = bytes;
  if (setrlimit(RLIMIT_FSIZE, &small) != 0) {
    std::signal(SIGXFSZ, oldHandler);
    return false;
  }
  act();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  return true;
}

QByteArray readFileBytes(const QByteArray& path) {
  QFile f(QFile::decodeName(path));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeFileBytes(const QByteArray& path, const QByteArray& bytes) {
  QFile f(QFile::decodeName(path));
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QList<QList<QByteArray>> PackerRuns(const QByteArray& logPath) {
  QList<QList<QByteArray>> runs;
  QFile f(QFile::decodeName(logPath));
  if (!f.open(QIODevice::ReadOnly)) return runs;
  QList<QByteArray> current;
  for (const QByteArray& line : f.readAll().split('\n')) {
    if (line == "--END--") {
      runs.append(current);
      current.clear();
    } else {
      current.append(line);
    }
  }
  // What follows the last end mark is the empty rest after its line break, or a run cut short.
  return runs;
}

void UseDesignedFont() {
  QFont font = QApplication::font();
  font.setPointSize(8);
  QApplication::setFont(font);
}
