// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/RunLeftovers.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

// Folder and name of a path, as bytes: "a/b" -> "a", "b"; "b" -> ".", "b"; "/b" -> "/", "b".
QByteArray folderOf(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  if (slash < 0) return ".";
  return slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path) {
  return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray join(const QByteArray& folder, const QByteArray& name) {
  if (folder == ".") return name;
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// The names in a folder, read as bytes (a name may hold any byte but "/" and NUL). False when
// the folder cannot be read: then nothing there is taken for new.
bool listFolder(const QByteArray& folder, QSet<QByteArray>& names) {
  DIR* d = ::opendir(folder.constData());
  if (!d) return false;
  while (const dirent* e = ::readdir(d)) {
    const QByteArray name(e->d_name);
    if (name != "." && name != "..") names.insert(name);
  }
  ::closedir(d);
  return true;
}

bool regularFile(const QByteArray& path, struct stat& st) {
  return ::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

RunLeftovers::Arguments RunLeftovers::Parse(const QList<QByteArray>& args) {
  Arguments a;
  bool optionsEnded = false;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QByteArray& arg = args[i];
    if (optionsEnded || !arg.startsWith('-') || arg == "-") {
      if (arg != "-") a.inputs << arg;
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg.startsWith("--")) {
      if (arg.startsWith("--output=")) a.output = arg.mid(9);
      if (arg == "--output" && i + 1 < args.size()) a.output = args[++i];
    } else {
      // A cluster of short options ("-9k"); "o" takes the rest, or the next argument.
      for (qsizetype c = 1; c < arg.size(); ++c) {
        if (arg[c] != 'o') continue;
        if (c + 1 < arg.size())
          a.output = arg.mid(c + 1);
        else if (i + 1 < args.size())
          a.output = args[++i];
        break;
      }
    }
  }
  return a;
}

QByteArray RunLeftovers::TemporaryName(const QByteArray& input, const QSet<QByteArray>& taken) {
  // The stem ends at the last dot (a leading dot counts, as the packer has it).
  const qsizetype dot = input.lastIndexOf('.');
  const QByteArray stem = dot < 0 ? input : input.left(dot);
  QByteArray name = stem + ".upx";
  for (int n = 0; n < 1000 && taken.contains(name); ++n)
    name = stem + '.' + QByteArray::number(n).rightJustified(3, '0');
  return taken.contains(name) ? QByteArray() : name;
}

RunLeftovers::RunLeftovers(const QList<QByteArray>& args) : args_(Parse(args)) {
  QList<QByteArray> paths = args_.inputs;
  if (!args_.output.isEmpty()) paths << args_.output;
  for (const QByteArray& p : paths) {
    const QByteArray folder = folderOf(p);
    if (before_.contains(folder)) continue;
    Folder& f = before_[folder];
    f.listed = listFolder(folder, f.names);
  }
}

QList<QByteArray> RunLeftovers::RemoveLeft() const {
  // The inputs as they are now (a finished file was renamed over its input: a new inode). Their
  // numbers from before the run protect nothing: the file system may give a freed one (of an
  // input already replaced) to the next temporary file.
  QSet<QPair<quint64, quint64>> inputIds;
  QHash<QByteArray, QList<QByteArray>> inputsByFolder;
  for (const QByteArray& input : args_.inputs) {
    struct stat st;
    if (::stat(input.constData(), &st) != 0) continue;  // gone: its temporary file may be all
    inputIds.insert({quint64(st.st_dev), st.st_ino});
    inputsByFolder[folderOf(input)] << nameOf(input);
  }

  QList<QByteArray> removed;
  for (auto it = before_.constBegin(); it != before_.constEnd(); ++it) {
    const QByteArray& folder = it.key();
    const Folder& was = it.value();
    QSet<QByteArray> now;
    if (!was.listed || !listFolder(folder, now)) continue;
    const QList<QByteArray> inputs = inputsByFolder.value(folder);
    QList<QByteArray> created(now.begin(), now.end());
    std::sort(created.begin(), created.end());
    for (const QByteArray& name : created) {
      if (was.names.contains(name) || inputs.contains(name)) continue;
      const QByteArray path = join(folder, name);
      const bool output = !args_.output.isEmpty() && folderOf(args_.output) == folder &&
                          nameOf(args_.output) == name;
      bool temporary = false;
      for (const QByteArray& input : inputs) temporary |= name == TemporaryName(input, was.names);
      if (!output && !temporary) continue;
      struct stat st;
      if (!regularFile(path, st) || inputIds.contains({quint64(st.st_dev), st.st_ino})) continue;
      if (::unlink(path.constData()) == 0) removed << path;
    }
  }
  std::sort(removed.begin(), removed.end());
  return removed;
}
