// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What an install of this build puts below its prefix, shared by the staging-install test and the
// package test; and a child process run to its end, for the tools those tests call.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>

// Paths relative to the prefix ("bin/packhelm", "share/applications/<id>.desktop", ...).
QStringList InstalledFiles();
// The five executable types the desktop entry and the context menus name.
QStringList ExecutableMimeTypes();

struct ToolRun {
  bool started = false;
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
};
// Runs a program (no shell) to its end, within two minutes.
ToolRun RunTool(const QString& program, const QStringList& args,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());
