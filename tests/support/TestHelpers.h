// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small things several tests need: environment variables for the children a test starts, a
// file-size limit that makes writes fail like a full disk, and whole-file reads and writes.

#include <sys/resource.h>
#include <sys/types.h>

#include <QByteArray>
#include <QList>
#include <QMimeData>
#include <QObject>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <utility>

// A temporary folder that goes with everything in it, whatever bytes the names hold: QTemporaryDir
// alone leaves behind every name that is not UTF-8.
class TemporaryDir : public QTemporaryDir {
 public:
  using QTemporaryDir::QTemporaryDir;
  ~TemporaryDir();
  TemporaryDir(const TemporaryDir&) = delete;
  TemporaryDir& operator=(const TemporaryDir&) = delete;
};

// Removes the folder and everything below it by the names' bytes, links not followed.
bool RemoveTreeRaw(const QByteArray& path);

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

// Drags the data onto the widget and drops it there, as a file manager does; true when both the
// drag and the drop were accepted.
bool SendDrop(QWidget* w, const QMimeData& mime);

// Runs `act` while every write beyond `bytes` fails the way a full disk makes it fail, even for
// root. False, with `act` not run, when the limit cannot be set.
bool WithFileSizeLimit(rlim_t bytes, const std::function<void()>& act);

// The whole file, read by its name's bytes, or "<unreadable>", which no expected contents equal.
QByteArray readFileBytes(const QByteArray& path);
// Writes the file anew; false unless every byte was written.
bool writeFileBytes(const QByteArray& path, const QByteArray& bytes);
// A settings file of the test's own: `fill` sets its records (the test fails when it cannot be
// saved).
class TCFGfile;
void writeSettings(const QByteArray& path, const std::function<void(TCFGfile&)>& fill);
// The string record `key` of a store, or "<absent>", which no value a test stores equals.
QByteArray StoredString(const TCFGfile& cfg, const QByteArray& key);
// A language file of the test's own, so that a test does not depend on the shipped wording: its
// identity (a null name or English name is left out) and the entries ("VAR\\1", "Ready").
using LanguageEntries = QList<std::pair<QByteArray, QByteArray>>;
bool WriteLanguageFile(const QByteArray& path, const QByteArray& name, const QByteArray& english,
                       const LanguageEntries& entries = {});
// Whether the bytes are UTF-8 throughout.
bool IsValidUtf8(const QByteArray& bytes);
// Lets the event loop deliver what is pending: resizes, layouts, moves between screens.
void Settle();
// The same for a start without questions (a language chosen, the console's first-time note seen);
// `more` sets the test's own records.
void writeQuietSettings(const QByteArray& path, const std::function<void(TCFGfile&)>& more = {});
// The same by the name's bytes, for names that are not UTF-8 (QFile would change them); a new
// file gets `mode`.
bool writeFileRaw(const QByteArray& path, const QByteArray& bytes, mode_t mode = 0755);
// Makes the folder and every missing one above it, by the path's bytes.
bool MakeFoldersRaw(const QByteArray& path);
// The names in a folder (hidden ones too), as bytes and sorted, to see what a run left there.
QList<QByteArray> NamesInFolder(const QByteArray& folder);

// A folder as a user's downloads hold it, made below `parent` under the name `rootName` (any
// bytes): executables of the three formats, with blanks, quotes, a Latin-1 byte, bytes that are
// not UTF-8 and an escape sequence in their names, one a folder deeper; and what a folder search
// must leave out: text, a script, an empty file, a pipe, a link out of the tree, a dangling link,
// a loop of links, a second link to an executable and a link back to the top. `executables` is
// what the search gives, in its order; `bytes` their sizes summed.
struct ExecutableTree {
  QByteArray root;
  QList<QByteArray> executables;
  quint64 bytes = 0;
};
bool MakeExecutableTree(const QByteArray& parent, const QByteArray& rootName, ExecutableTree& tree);

// The stand-in packer's argument log (PACKHELM_STANDIN_ARGLOG): the arguments of every run, one
// list per run in the order of the runs; an empty line is an empty argument.
QList<QList<QByteArray>> PackerRuns(const QByteArray& logPath);

// A window's controls, reached by their object names as language files and settings reach them.
// A name the window does not have (or a control of another type) ends the test at once.
class Controls {
 public:
  explicit Controls(const QObject* window) : window_(window) {}
  template <typename T>
  T* get(const char* name) const {
    T* c = window_->findChild<T*>(QLatin1String(name));
    if (!c) qFatal("The window has no control named %s of the expected type", name);
    return c;
  }

 private:
  const QObject* window_;
};

// Whether the main window knows its selection: while it searches folders the buttons that act on
// the selection wait, Test and List among them, which need no file selected.
bool SelectionKnown(const QWidget* mainWindow);

// The string value of `key` in `group` of a key file (a desktop entry, a Nemo action) as GLib's
// key-file parser reads it, the parser desktops use, escapes undone; empty when absent. The tests
// read written entries with it rather than with the program's own reader.
QByteArray GLibKeyFileValue(const QByteArray& path, const QByteArray& group, const QByteArray& key);

// The windows are designed at an application font of 8 points (and grow with larger ones); tests
// of the designed sizes set it before they make their windows.
void UseDesignedFont();
