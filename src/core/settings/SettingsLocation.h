// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the settings file lives: in the program folder when that folder can be written and the
// program is a portable copy, otherwise in the user's configuration folder. The same path serves
// reading and writing.

#include <QByteArray>
#include <functional>

namespace SettingsLocation {

// True when a file can really be created in the folder (tries one; permission bits alone say
// nothing for root, read-only mounts or access lists).
bool IsFolderWritable(const QByteArray& folder);

// True when a save to the settings path can succeed: its folder takes new files, and the file
// is missing, or a regular file (directly or through a link) that may be written.
bool CanWrite(const QByteArray& path);

// The file to read the settings from. When the settings have moved to the user's folder (the
// program folder stopped being writable) and there is no file there yet, the program folder's
// file is read, so the user does not see a first start.
QByteArray ReadPath(const QByteArray& programDir, const QByteArray& settingsPath);

// The user's configuration folder for this program (created when missing), with a trailing "/".
QByteArray UserConfigFolder();

// programDir has a trailing "/". The check is injectable for tests.
QByteArray ChoosePath(const QByteArray& programDir,
                      const std::function<bool(const QByteArray&)>& writable = IsFolderWritable);

}  // namespace SettingsLocation
