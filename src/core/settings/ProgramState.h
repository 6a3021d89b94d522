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

constexpr int LangTextCount = 174;  // numbered 0 to 173
constexpr int LangTextHighest = LangTextCount - 1;
using LangTextTable = std::array<QByteArray, LangTextCount>;

// The numbered texts the code reads (VAR\n in the language files); the numbers are the files'.
// New texts take the next free number of their block.
enum class LangText : int {
  CompressionCaption = 0,  // caption of the compression-level group
  StatusReady = 1,         // status line when idle
  StatusDone = 2,          // packer exit code 0
  StatusError = 3,         // packer exit code 1
  StatusWarning = 4,       // packer exit code 2
  StartFailure = 5,        // the packer could not be started: message
  ErrorCaption = 6,        // ... and its caption
  UnitKiB = 11,            // after the size of one file
  UnitKiBTotal = 12,       // after the total of several files
  PackerMissing = 20,      // start-up: the packer is missing
  PackerMissingCaption = 21,
  PackerMissingEnd = 22,     // the program ends without a packer
  AboutVersion = 30,         // About box: before the program's version
  AboutMadeFor = 31,         // About box: before the packer release
  EditorCaption = 40,        // caption of the command-line editor
  ShellMenuEntry = 50,       // the file manager's context-menu entry
  SettingsNotWritable = 60,  // status line: the settings file cannot be written (its path follows)
  NamesNotSaved = 61,        // status line: a selected name cannot be stored, kept for the session
  LanguageNotUtf8 = 62,      // language chooser: files that are not UTF-8 (their names follow)
  SettingsNotSaved = 63,     // message at exit: the settings were not saved (%1: file, %2: why)
  StatusStopped = 70,        // status line: the user stopped the run
  StatusSignal = 71,         // ... a signal ended the packer (%1: its name)
  StatusExitCode = 72,       // ... an exit code without a text of its own (%1)
  StatusRemoved = 73,        // ... added: unfinished files were removed (%1: how many)
  ConsoleRemoved = 74,       // console: one unfinished file removed (%1: its name)
  VersionUnknown = 75,       // console: the packer's version was not recognised
  StopButton = 76,           // the console's Stop button
  StopHint = 77,             // ... and its hint
  QuitWhileRunning = 78,     // closing the main window during a run: the question
  LineTooLong = 79,          // the editor refuses a line (%1: its length, %2: the most)
  // Texts that were written in code, and the shell integration's reports. A language file made
  // before them lacks them: those read as the English text (ProgramState::langBytes).
  ConsoleCopy = 80,        // console window's context menu: copy the selection
  ConsoleSelectAll = 81,   // ... select everything
  LinkNotOpened = 82,      // About box: no program opens the address %1
  PriorityNotRaised = 83,  // console note: the packer runs at normal priority
  ShellCreateFailed = 84,  // integration: folder %1 could not be made
  ShellWriteFailed = 85,   // integration: file %1 could not be written
  ShellPathRefused = 86,   // integration: program path %1 cannot go into a desktop entry
  ShellRemoveFailed = 87,  // integration: file %1 could not be removed
  ShellDone = 88,          // integration: button %1 done for the file types %2 (one per line)
  ShellNothingToDo = 89,   // integration: button %1 found no file type to act on
  // Folders as input.
  FilesFromFolders = 90,       // file box: %1 files in all, from %2 folders
  FilesFromFoldersMixed = 91,  // ... %1 files in all, %2 folders, %3 files given directly
  FoldersWithoutFiles = 92,    // message: no packable executable in the folders %1 (one a line)
  SelectionUnchanged = 93,     // ... added when nothing at all was found
  StatusSearching = 94,        // status line while the folders are searched
  Unreadable = 97,             // message: %1 entries could not be read, left out (%2: their names)
  UnreadableOne = 98,          // ... the same for one entry
  // Several packer runs at once.
  RunHeader = 95,  // console pane of one of several runs: run %1 of %2
  RunFiles = 96,   // ... after it: how many files the run packs (%1)
  // What happened to each file.
  ResultsPacked = 100,      // status line: %1 of %2 files packed, %3 not
  ResultsUnpacked = 101,    // ... unpacked
  ResultsTested = 102,      // ... passed the test
  ResultsColumnFile = 103,  // results view: the columns' titles
  ResultsColumnBefore = 104,
  ResultsColumnAfter = 105,
  ResultsColumnOutcome = 106,
  ResultsColumnMessage = 107,
  ResultsOutcomeFirst = 108,  // ... the outcomes' names, 108 to 118 in FileResults::Outcome order
  ResultsNotSaved = 119,      // message: the results could not be saved in %1 (%2: why)
  ResultsSaveCaption = 120,   // caption of the dialog that saves them
  // The method choice All.
  MethodWon = 121,      // %1 (a method) won with %2 bytes, %3 percent smaller than %4's result
  MethodAlone = 122,    // ... %1 won with %2 bytes; no other method packed the file
  MethodMissing = 123,  // hint of a method the packer lacks: not in the packer's version %1
  MethodChosen = 124,   // %1 won with %2 bytes as the packer's --brute chooses; %3 made %4 bytes
  // Pack or Unpack refused before the packer starts.
  OutputNamesInput = 125,        // "another file" names the input %1 itself
  OutputNameMissing = 126,       // "another file" is ticked without a name
  SameFileAs = 127,              // results: a name of the file named %1 before, handed over once
  ResultsTestedNotPacked = 128,  // status line: %1 of %2 passed the test, the %3 others not packed
  ResultsTestedBoth = 129,       // ... %3 of the others not packed, %4 did not pass
  // The results window by keyboard; the packer's messages in the user's words.
  ResultsSortBy = 140,      // its menu: sort by the column %1
  ConsoleScreen = 141,      // the console's screen, as assistive technology names it
  ConsoleScreenHint = 142,  // ... and describes it
  // ... what the packer's messages mean, 150 to 173 in FileResults::Meaning order from
  // AlreadyPacked (Unknown has no text)
  ResultsMeaningFirst = 150,
};

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
  // 64-bit: totals of 4 GiB and more must not wrap
  quint64 UncompressedTotal = 0;
  quint64 CompressedTotal = 0;

  // The settings file: in ProgramDir when that is writable, else in the user's configuration
  // folder. Set at start-up; empty means "not decided yet".
  QByteArray SettingsPath;

  // The packer's path as it is written at the start of a command line.
  QByteArray packerForCommand() const;
  // The packer's capabilities, settled: a query still under way is waited for.
  const PackerCapabilities& packer() const;

  // A numbered text of the current language, as bytes (UTF-8) or as text for a widget. A text
  // newer than the language file (70 and up) falls back to its English wording.
  const QByteArray& langBytes(LangText n) const;
  QString langText(LangText n) const { return QString::fromUtf8(langBytes(n)); }
  // The text with its "%1" (and "%2") filled in; a text without the mark gets the value after a
  // blank, so that it is never lost.
  QString langText(LangText n, const QString& arg1, const QString& arg2 = {}) const;
};
