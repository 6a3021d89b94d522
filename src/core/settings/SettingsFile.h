// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings file: one record per row of the settings table, with its key, type and order, and
// their conversion to and from the typed configuration store. Rows that are absent from a loaded
// file stay empty (std::nullopt), so the caller keeps its defaults for them.

#include <QByteArray>
#include <QList>
#include <optional>

#include "core/config/SettingsTable.h"

class TCFGfile;
struct PackOptions;

namespace Settings {

inline constexpr char FileName[] = "Packhelmconfig.cfg";

// A record as read or to be written: absent or a value; the shell extensions a list ("ShellExt0",
// "ShellExt1", ...), empty after a load that found no entry 0. Options hold their flags as 0/1.
template <Type T>
using Slot =
    std::conditional_t<T == Type::Extensions, QList<QByteArray>, std::optional<ValueType<T>>>;

#define PACKHELM_SESSION_SLOT(key, type) Slot<Type::type> key;
#define PACKHELM_OPTION_SLOT(key, ...) std::optional<qint32> key;
#define PACKHELM_PREFERENCE_SLOT(key, type, ...) Slot<Type::type> key;
struct SettingsRows {
  PACKHELM_SETTINGS(PACKHELM_SESSION_SLOT, PACKHELM_OPTION_SLOT, PACKHELM_PREFERENCE_SLOT)

  // The option row of a control by its name; nothing for a name that is no option control.
  std::optional<qint32>* option(const char* name);
  const std::optional<qint32>* option(const char* name) const;
};
#undef PACKHELM_SESSION_SLOT
#undef PACKHELM_OPTION_SLOT
#undef PACKHELM_PREFERENCE_SLOT

// Visits every record of `r` (a SettingsRows, const or not) with its row, in table order.
template <typename R, typename F>
void ForEachRecord(R& r, F&& f) {
#define PACKHELM_VISIT(key, ...) f(RowOf(Key::key), r.key);
  PACKHELM_SETTINGS(PACKHELM_VISIT, PACKHELM_VISIT, PACKHELM_VISIT)
#undef PACKHELM_VISIT
}

// Visits each option's record in `r` with its row, in table order.
template <typename R, typename F>
void ForEachOptionRecord(R& r, F&& f) {
#define PACKHELM_VISIT(key, ...) f(RowOf(Key::key), r.key);
  PACKHELM_SETTINGS(PACKHELM_SETTING_NONE, PACKHELM_VISIT, PACKHELM_SETTING_NONE)
#undef PACKHELM_VISIT
}

// Visits each preference's record in `r` beside its field in `o` (GlobalOptions), in table order.
template <typename R, typename O, typename F>
void ForEachPreferenceRecord(R& r, O& o, F&& f) {
#define PACKHELM_VISIT(key, ...) f(RowOf(Key::key), r.key, o.key);
  PACKHELM_SETTINGS(PACKHELM_SETTING_NONE, PACKHELM_SETTING_NONE, PACKHELM_VISIT)
#undef PACKHELM_VISIT
}

// Entries joined by CR LF (none before the first entry).
QByteArray JoinLines(const QList<QByteArray>& entries);
// The lines of a joined string; an empty string gives no entry.
QList<QByteArray> SplitLines(const QByteArray& joined);
// A shell extension with its leading "."; an empty one becomes ".".
QByteArray NormalizeExtension(const QByteArray& ext);
// "ShellExt" followed by the decimal number, unpadded.
QByteArray ShellExtKey(int number);

// False for a name the line-based file cannot hold: one with a line feed, a carriage return or
// byte 26 (legal in Linux file names). Such names are kept out of the saved file, so that they
// can neither break it nor come back split into two bogus entries.
bool Storable(const QByteArray& value);

// The packing options a file's records give, the defaults where a record is absent; a radio
// button that is set clears the others, in table order, as the window's controls do.
PackOptions OptionsOf(const SettingsRows& rows);

// Sets every present row into the store in table order, with empty comments. List entries that
// are empty or not Storable are left out; a single value that is not Storable is written as
// absent.
void WriteRows(const SettingsRows& rows, TCFGfile& cfg);
// Takes every row whose key exists with its own type; ShellExt entries up to the first gap.
SettingsRows ReadRows(const TCFGfile& cfg);

// False when there is no usable file (missing, unreadable, no header, any malformed record); the
// rows are then left empty, nothing of a partly readable file is used.
bool LoadSettingsFile(const QByteArray& path, SettingsRows& rows);
// Replaces the file atomically; false when it could not be written (the old file stays whole).
bool SaveSettingsFile(const QByteArray& path, const SettingsRows& rows);

}  // namespace Settings
