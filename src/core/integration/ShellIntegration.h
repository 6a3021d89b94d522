// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the shell-integration dialog needs from the desktop: the file type of an extension, and
// adding or removing the context-menu entry that opens files of that type in Packhelm. The
// dialog works on this interface only; LinuxShellIntegration is the desktop's implementation.

#include <QByteArray>
#include <QList>
#include <QString>

struct ShellResult {
  enum class Kind {
    Ok,
    CreateKeyFailed,  // a folder could not be made: `where` is the folder
    SetDataFailed,    // a file could not be written: `where` is the file
    PathRefused,      // the program's path cannot be written into an entry: `where` is the path
    RemoveFailed,     // a file could not be removed: `where` is the file
  };
  Kind kind = Kind::Ok;
  QString where;
  bool ok() const { return kind == Kind::Ok; }
};

class ShellIntegration {
 public:
  virtual ~ShellIntegration() = default;
  // The file type registered for an extension with its dot (".exe"), or empty when the extension
  // has none; an empty extension has none.
  virtual QByteArray fileType(const QByteArray& ext) = 0;
  // Writes the menu entry for a file type; `menuText` is what the menu shows.
  virtual ShellResult add(const QByteArray& type, const QByteArray& menuText) = 0;
  // Removes the menu entry of a file type; an entry that is not there changes nothing.
  virtual ShellResult remove(const QByteArray& type) = 0;
  // Whether any part of the menu entry of a file type is there.
  virtual bool has(const QByteArray& type) = 0;
  // Runs once after a series of add or remove calls (refreshes what the desktop caches).
  virtual void finish() {}
};

// The executable file types offered beside the extensions, for programs without one. Each group
// names the types older and newer shared-mime-info databases give such files (a PIE program is
// application/x-sharedlib in older ones, a Windows program application/x-msdownload in newer
// ones), so the entry appears whichever the desktop uses.
QList<QByteArray> LinuxExecutableTypes();    // ELF programs and libraries
QList<QByteArray> WindowsExecutableTypes();  // Windows and DOS programs
// The type of folders: a folder sent to Packhelm stands for the executables inside it. Its
// entry is written with the others and goes with them.
QByteArray FolderType();

// The lines of a text box's text: a line break at the very end starts no further line, and an
// empty text has no lines at all.
QList<QByteArray> TextLines(const QString& text);

// Reads the text box's lines back into the extension list. No lines at all: the list is left as
// it is. Otherwise the list gets one entry per line, trimmed of blanks (tabs stay), with a "."
// put in front when it does not begin with one; a blank line gives an empty entry.
void ReadBackShellExt(const QList<QByteArray>& lines, QList<QByteArray>& shellExt);
