// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The numbered texts of the user's language, as the language files give them.

#include <QByteArray>
#include <QString>
#include <array>

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
  // Pack or Unpack refused before the packer starts.
  OutputNamesInput = 125,        // "another file" names the input %1 itself
  OutputNameMissing = 126,       // "another file" is ticked without a name
  SameFileAs = 127,              // results: a name of the file named %1 before, handed over once
  ResultsTestedNotPacked = 128,  // status line: %1 of %2 passed the test, the %3 others not packed
  ResultsTestedBoth = 129,       // ... %3 of the others not packed, %4 did not pass
  MethodWithFilter = 130,        // %1 (a method) with the filter %2 (its number, 0x49)
  // The results window by keyboard; the packer's messages in the user's words.
  ResultsSortBy = 140,      // its menu: sort by the column %1
  ConsoleScreen = 141,      // the console's screen, as assistive technology names it
  ConsoleScreenHint = 142,  // ... and describes it
  // ... what the packer's messages mean, 150 to 173 in FileResults::Meaning order from
  // AlreadyPacked (Unknown has no text)
  ResultsMeaningFirst = 150,
};

// A language's texts as a value: what a job says in its rows and status line.
class Texts {
 public:
  Texts() = default;
  explicit Texts(LangTextTable table) : table_(std::move(table)) {}

  // A text of the table; one newer than the language file (70 and up) falls back to its English
  // wording.
  static const QByteArray& Bytes(const LangTextTable& table, LangText n);
  // The text with its "%1" (and "%2") filled in; a text without the mark gets the value after a
  // blank, so that it is never lost.
  static QString Fill(const QString& text, const QString& arg1, const QString& arg2 = {});

  const QByteArray& bytes(LangText n) const { return Bytes(table_, n); }
  QString text(LangText n) const { return QString::fromUtf8(bytes(n)); }
  QString text(LangText n, const QString& arg1, const QString& arg2 = {}) const {
    return Fill(text(n), arg1, arg2);
  }

 private:
  LangTextTable table_;
};
