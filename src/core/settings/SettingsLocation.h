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

// The user's configuration folder for this program (created when missing), with a trailing "/".
QByteArray UserConfigFolder();

// programDir has a trailing "/". The check is injectable for tests.
QByteArray ChoosePath(const QByteArray& programDir,
                      const std::function<bool(const QByteArray&)>& writable = IsFolderWritable);

}  // namespace SettingsLocation
