// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The shell integration on a Linux desktop. An extension's file type is its MIME type from the
// shared MIME database. For each type three small files under $XDG_DATA_HOME open the file in
// Packhelm: a Dolphin service menu (kio/servicemenus, executable as KDE asks), a Nemo action
// (nemo/actions) and an "Open With" application entry (applications). They are named after the
// program and the type, so removing one type never touches another. Folders get the context
// menus only: an "Open With" entry for folders could make Packhelm the program that opens them.

#include <QStringList>

#include "core/integration/ShellIntegration.h"

class LinuxShellIntegration : public ShellIntegration {
 public:
  // programPath: the program that the entries start; empty means the running program.
  explicit LinuxShellIntegration(const QByteArray& programPath = {});

  QByteArray fileType(const QByteArray& ext) override;
  ShellResult add(const QByteArray& type, const QByteArray& menuText) override;
  ShellResult remove(const QByteArray& type) override;
  bool has(const QByteArray& type) override;
  // Refreshes the "Open With" cache with update-desktop-database when it is installed.
  void finish() override;

  QByteArray programPath() const { return programPath_; }

  // $XDG_DATA_HOME (or its default), read anew on every call.
  static QString dataHome();
  // The files written for a type, in the order they are written: service menu, Nemo action,
  // application entry (none for folders).
  static QStringList entryFiles(const QByteArray& type);
  // The texts of those three files.
  static QList<QByteArray> entryTexts(const QByteArray& type, const QByteArray& menuText,
                                      const QByteArray& programPath);

  // How long finish() waits for the cache tool before it gives up on it.
  int cacheToolTimeoutMs = 5000;

 private:
  QByteArray programPath_;
};
