// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestHelpers.h"

#include <dirent.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QFont>
#include <QPushButton>
#include <QStringDecoder>
#include <QTest>
#include <cerrno>
#include <csignal>

#include "core/i18n/LanguageFiles.h"
#include "core/settings/CFGfile.h"

TemporaryDir::~TemporaryDir() {
  if (isValid() && autoRemove()) RemoveTreeRaw(QFile::encodeName(path()));
}

bool RemoveTreeRaw(const QByteArray& path) {
  // Deepest first, so that every folder is empty when its turn comes.
  return ::nftw(
             path.constData(),
             [](const char* name, const struct stat*, int, struct FTW*) { return ::remove(name); },
             16, FTW_DEPTH | FTW_PHYS) == 0;
}

EnvGuard::EnvGuard(std::initializer_list<std::pair<const char*, QByteArray>> vars) {
  for (const auto& [name, value] : vars) {
    names_ << name;
    qputenv(name, value);
  }
}

EnvGuard::~EnvGuard() {
  for (const char* n : names_) qunsetenv(n);
}

bool SendDrop(QWidget* w, const QMimeData& mime) {
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &drop);
  return drop.isAccepted();
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
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "<unreadable>";
  QByteArray all;
  char buf[65536];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) all.append(buf, n);
  ::close(fd);
  return n < 0 ? QByteArray("<unreadable>") : all;  // a folder, say
}

void writeSettings(const QByteArray& path, const std::function<void(TCFGfile&)>& fill) {
  TCFGfile cfg;
  fill(cfg);
  QVERIFY(cfg.SaveToFile(path));
}

QByteArray StoredString(const TCFGfile& cfg, const QByteArray& key) {
  QByteArray value;
  return cfg.GetString(key, value) ? value : QByteArray("<absent>");
}

void writeQuietSettings(const QByteArray& path, const std::function<void(TCFGfile&)>& more) {
  writeSettings(path, [&](TCFGfile& cfg) {
    cfg.SetString("LangName", "English");
    cfg.SetInteger("GlobalOpt_FirstTimeShowConsol", 1);
    if (more) more(cfg);
  });
}

bool WriteLanguageFile(const QByteArray& path, const QByteArray& name, const QByteArray& english,
                       const LanguageEntries& entries) {
  TCFGfile lng;
  if (!name.isNull()) lng.SetString(LanguageFiles::IdentityName, name);
  if (!english.isNull()) lng.SetString(LanguageFiles::IdentityEnglishName, english);
  for (const auto& [key, value] : entries) lng.SetString(key, value);
  return lng.SaveToFile(path);
}

bool IsValidUtf8(const QByteArray& bytes) {
  QStringDecoder d(QStringDecoder::Utf8);
  (void)QString(d(bytes));
  return !d.hasError();
}

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

bool writeFileBytes(const QByteArray& path, const QByteArray& bytes) {
  QFile f(QFile::decodeName(path));
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool writeFileRaw(const QByteArray& path, const QByteArray& bytes, mode_t mode) {
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) return false;
  const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
  return ::close(fd) == 0 && ok;
}

bool MakeFoldersRaw(const QByteArray& path) {
  // Every part up to a "/", then the whole path.
  for (qsizetype at = 1; at <= path.size(); ++at) {
    if (at < path.size() && path[at] != '/') continue;
    if (::mkdir(path.left(at).constData(), 0755) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeExecutableTree(const QByteArray& parent, const QByteArray& rootName,
                        ExecutableTree& tree) {
  const QByteArray root = parent + '/' + rootName;
  const QByteArray sub = root + "/sub dir";
  if (::mkdir(root.constData(), 0755) != 0 || ::mkdir(sub.constData(), 0755) != 0) return false;
  const auto body = [](const char* magic, int size) {
    QByteArray b(magic);
    while (b.size() < size) b += "packable body ";
    return b.left(size);
  };
  const QByteArray elf = body(
      "\x7f"
      "ELF\x02\x01\x01",
      30000);
  tree = {root, {}, 0};
  const QList<std::pair<QByteArray, QByteArray>> executables = {
      {root + "/app", elf},
      {root + "/b \"q\" 'x'.exe", body("MZ\x90", 20000)},
      {sub + "/deep\xff\xfe name\x1b[31m", body("\xcf\xfa\xed\xfe", 25000)},
      {root + "/z\xe9.bin", elf.left(12000)},
  };
  for (const auto& [path, bytes] : executables) {
    if (!writeFileRaw(path, bytes)) return false;
    tree.executables.append(path);
    tree.bytes += quint64(bytes.size());
  }
  const QByteArray outside = parent + "/outside.elf";
  return writeFileRaw(outside, elf) && writeFileRaw(root + "/notes.txt", "just text\n") &&
         writeFileRaw(root + "/run.sh", "#!/bin/sh\necho hi\n") &&
         writeFileRaw(sub + "/empty", {}) && ::mkfifo((root + "/pipe").constData(), 0644) == 0 &&
         ::symlink(outside.constData(), (root + "/link-out").constData()) == 0 &&
         ::symlink("/nonexistent/packhelm", (root + "/dangling").constData()) == 0 &&
         ::symlink("loop2", (root + "/loop1").constData()) == 0 &&
         ::symlink("loop1", (root + "/loop2").constData()) == 0 &&
         ::symlink("../app", (sub + "/link-in").constData()) == 0 &&
         ::symlink(root.constData(), (sub + "/up").constData()) == 0;
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

QByteArray GLibKeyFileValue(const QByteArray& path, const QByteArray& group,
                            const QByteArray& key) {
  // GLib comes with the desktop tools the tests need anyway (libglib2.0-bin); its headers need not.
  static void* const glib = ::dlopen("libglib-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!glib) qFatal("GLib (libglib-2.0.so.0) is missing");
  const auto fn = [](const char* name) {
    void* f = ::dlsym(glib, name);
    if (!f) qFatal("GLib has no %s", name);
    return f;
  };
  const auto keyFileNew = reinterpret_cast<void* (*)()>(fn("g_key_file_new"));
  const auto load =
      reinterpret_cast<int (*)(void*, const char*, int, void**)>(fn("g_key_file_load_from_file"));
  const auto getString = reinterpret_cast<char* (*)(void*, const char*, const char*, void**)>(
      fn("g_key_file_get_string"));
  const auto keyFileFree = reinterpret_cast<void (*)(void*)>(fn("g_key_file_free"));
  const auto gFree = reinterpret_cast<void (*)(void*)>(fn("g_free"));
  void* file = keyFileNew();
  QByteArray value;
  const int keepTranslations = 2;  // G_KEY_FILE_KEEP_TRANSLATIONS: "Name[de]" too, in any locale
  if (load(file, path.constData(), keepTranslations, nullptr)) {
    char* v = getString(file, group.constData(), key.constData(), nullptr);
    value = v;
    gFree(v);
  }
  keyFileFree(file);
  return value;
}

QList<QByteArray> NamesInFolder(const QByteArray& folder) {
  QList<QByteArray> names;
  if (DIR* d = ::opendir(folder.constData())) {
    while (const dirent* e = ::readdir(d))
      if (qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0) names << e->d_name;
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool SelectionKnown(const QWidget* mainWindow) {
  const Controls ui(mainWindow);
  return ui.get<QPushButton>("ButtonTest")->isEnabledTo(mainWindow) &&
         ui.get<QPushButton>("ButtonList")->isEnabledTo(mainWindow);
}
