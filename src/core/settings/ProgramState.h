// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Program-wide values that almost every window reads: where the program and the packer are, the
// selected files, the texts of the current language, the preferences and the command histories.
// One instance per program (the application context owns it); tests make their own.

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <functional>

#include "core/batch/ExecutableScan.h"
#include "core/config/SettingsTable.h"
#include "core/packer/PackerVersion.h"
#include "core/util/Texts.h"

// The choices of three preferences. The settings file stores their integers as they are, so a
// value outside the enum is kept and matches none of its names.
enum class DragOp : qint32 { Nothing = 0, Pack = 1, Unpack = 2 };  // files dropped or given
enum class CloseCon : qint32 {  // when a job releases the program's console
  AfterEveryRun = 0,            // (and a pack or unpack run gets a console of its own)
  AfterSuccess = 1,
  Never = 2,
};
enum class StayOnTop : qint32 { Always = 0, ExceptDuringRun = 1, Never = 2 };

// Preferences, one field per preference row of the settings table, with its default: a first
// start, the program's reset and the Options dialog's Reset all take them from there. Nothing here
// is range-checked, each user acts on the values it knows.
#define PACKHELM_PREFERENCE_FIELD(key, type, def, ...) \
  Settings::ValueType<Settings::Type::type> key = def;
struct GlobalOptions {
  PACKHELM_SETTINGS(PACKHELM_SETTING_NONE, PACKHELM_SETTING_NONE, PACKHELM_PREFERENCE_FIELD)
  QList<QByteArray> ShellExt{".exe", ".com", ".dll"};

  DragOp dragOp() const { return DragOp(GlobalOpt_DragOp); }
  CloseCon closeCon() const { return CloseCon(GlobalOpt_CloseCon); }
  StayOnTop stayOnTop() const { return StayOnTop(GlobalOpt_StayOnTop); }
};
#undef PACKHELM_PREFERENCE_FIELD

// Visits every preference of `o` (a GlobalOptions, const or not) with its row, in table order.
template <typename O, typename F>
void ForEachPreference(O& o, F&& f) {
#define PACKHELM_VISIT(key, ...) f(Settings::RowOf(Settings::Key::key), o.key);
  PACKHELM_SETTINGS(PACKHELM_SETTING_NONE, PACKHELM_SETTING_NONE, PACKHELM_VISIT)
#undef PACKHELM_VISIT
}

class SettingsPreload;

struct ProgramState {
  QByteArray ProgramDir;  // folder of the executable, with a trailing "/"
  // Folder of the language files, with a trailing "/": ProgramDir for a portable copy, the shared
  // data folder for an installed one (InstallLayout). Empty until the main window decides it.
  QByteArray LangDir;
  QList<QByteArray> FileList;
  // What the folder search behind the selection could not read, and why: the jobs report these
  // too.
  QList<ExecutableScan::Unreadable> UnreadableEntries;
  QByteArray UpxLocation;
  QByteArray UpxShortLocation;  // UpxLocation, quoted when it holds a blank or a quote
  // Asked once after locating the packer; read through packer(). Mutable: settling a pending
  // answer changes no value that a reader could have seen before.
  mutable PackerCapabilities Packer;
  // While the packer's answer is still awaited (the start-up does not wait for it), this waits for
  // it; packer() calls it once.
  mutable std::function<PackerCapabilities()> awaitPacker;
  // The settings as read before the window system was up (null: they are read when needed).
  SettingsPreload* preloadedSettings = nullptr;

  LangTextTable LangTexts;
  GlobalOptions opt;

  QList<QByteArray> CmdPackLines;  // newest first
  QList<QByteArray> CmdUnPackLines;
  QByteArray PendingPackCommand;
  QByteArray PendingUnpackCommand;

  // Why the settings could not be saved at exit (empty: saved, or not tried).
  QString settingsSaveError;
  // The settings file: in ProgramDir when that is writable, else in the user's configuration
  // folder. Set at start-up; empty means "not decided yet".
  QByteArray SettingsPath;

  // The packer's path as it is written at the start of a command line.
  QByteArray packerForCommand() const;
  // The packer's capabilities, settled: a query still under way is waited for.
  const PackerCapabilities& packer() const;

  // A numbered text of the current language, as bytes (UTF-8) or as text for a widget. A text
  // newer than the language file (70 and up) falls back to its English wording.
  const QByteArray& langBytes(LangText n) const { return Texts::Bytes(LangTexts, n); }
  QString langText(LangText n) const { return QString::fromUtf8(langBytes(n)); }
  QString langText(LangText n, const QString& arg1, const QString& arg2 = {}) const {
    return Texts::Fill(langText(n), arg1, arg2);
  }
  Texts texts() const { return Texts(LangTexts); }
};
