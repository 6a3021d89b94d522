// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings file: the 37 rows the program keeps between runs, their keys, types and order, and
// their conversion to and from the typed configuration store. Rows that are absent from a loaded
// file stay empty (std::nullopt), so the caller keeps its defaults for them.

#include <QByteArray>
#include <QList>
#include <array>
#include <optional>

#include "core/packer/PackOptions.h"

class TCFGfile;

namespace Settings {

inline constexpr char FileName[] = "Packhelmconfig.cfg";

struct SettingsRows {
  std::optional<QByteArray> LangName;      //  1 s
  std::optional<bool> SpeedButtonAddOpt;   //  2 b
  std::optional<QList<QByteArray>> Files;  //  3 s, lines joined with CR LF
  std::optional<QByteArray> EditOutfile;   //  4 s
  // 5 to 23: the packing option controls, in PackOptionRows order (check boxes and radio
  // buttons stored as booleans, sliders and radio groups as integers).
  std::array<std::optional<qint32>, PackOptionCount> Options;
  std::optional<bool> GlobalOpt_FastOpen;               // 24 b
  std::optional<QByteArray> GlobalOpt_UPX2;             // 25 s
  std::optional<qint32> GlobalOpt_DragOp;               // 26 i
  std::optional<qint32> GlobalOpt_CloseCon;             // 27 i
  std::optional<quint32> GlobalOpt_PriorityClass;       // 28 c
  std::optional<quint32> GlobalOpt_ThreadPriority;      // 29 c
  std::optional<qint32> GlobalOpt_FirstTimeShowConsol;  // 30 i
  std::optional<qint32> GlobalOpt_StayOnTop;            // 31 i
  std::optional<bool> GlobalOpt_ShowHints;              // 32 b
  std::optional<quint32> CmdLinesMax;                   // 33 c
  std::optional<QList<QByteArray>> CmdPackLines;        // 34 s, lines joined with CR LF
  std::optional<QList<QByteArray>> CmdUnPackLines;      // 35 s, lines joined with CR LF
  // 36: "ShellExt0", "ShellExt1", ... Empty after a load that found no entry 0.
  QList<QByteArray> ShellExt;
  // Newer than the rows above: a file written before it lacks the record, the default holds.
  std::optional<quint32> GlobalOpt_PackerRuns;  // 37 c, after the other cardinals

  // The option row of a control by its name; nothing for a name that is no option control.
  std::optional<qint32>* option(const char* name);
  const std::optional<qint32>* option(const char* name) const;
};

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
