// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/util/Texts.h"

#include <QHash>

namespace {

// The English wording of the texts that language files made before them do not have (70 and
// up), so that no message comes up empty; the shipped files carry them in every language.
const QByteArray* fallbackText(LangText n) {
  static const QHash<int, QByteArray> texts{
      {int(LangText::StatusStopped), "Stopped by the user."},
      {int(LangText::StatusSignal), "Ended by the signal %1."},
      {int(LangText::StatusExitCode), "Ended with exit code %1."},
      {int(LangText::StatusRemoved), "Unfinished files removed: %1."},
      {int(LangText::ConsoleRemoved), "Packhelm removed a file the packer left unfinished: %1"},
      {int(LangText::VersionUnknown),
       "Packhelm: the packer's version was not recognised; the switches of packers 4 and later "
       "are passed."},
      {int(LangText::StopButton), "Stop"},
      {int(LangText::StopHint), "Stop the packer (Esc)"},
      {int(LangText::QuitWhileRunning), "The packer is still running. Stop it and quit Packhelm?"},
      {int(LangText::LineTooLong),
       "This command line is too long to be run whole: %1 characters, at most %2. It was not "
       "run."},
      {int(LangText::ConsoleCopy), "Copy"},
      {int(LangText::ConsoleSelectAll), "Select all"},
      {int(LangText::LinkNotOpened), "No program on this desktop opens %1"},
      {int(LangText::PriorityNotRaised),
       "Packhelm: the packer's priority could not be raised (no permission); it runs at normal "
       "priority."},
      {int(LangText::ShellCreateFailed), "Failed to create key %1"},
      {int(LangText::ShellWriteFailed), "Failed to set data for '%1'"},
      {int(LangText::ShellPathRefused),
       "Failed to set data for 'Exec': the program's path cannot be written into a desktop entry "
       "(it holds \"%\", \"=\" or a control character, or is not UTF-8):\n%1"},
      {int(LangText::ShellRemoveFailed), "Failed to remove '%1'"},
      {int(LangText::ShellDone),
       "%1: done.\nFile managers: Dolphin (service menu), Nemo (action) and every file manager's "
       "\"Open With\" list.\nFile types:\n%2"},
      {int(LangText::ShellNothingToDo),
       "%1: nothing to do. None of the listed extensions has a known file type, and no file type "
       "is ticked."},
      {int(LangText::FilesFromFolders), "Files: %1 (folders: %2)"},
      {int(LangText::FilesFromFoldersMixed), "Files: %1 (folders: %2, files given: %3)"},
      {int(LangText::FoldersWithoutFiles),
       "No executable that the packer handles (ELF, PE, Mach-O) was found in:\n%1"},
      {int(LangText::SelectionUnchanged), "The selection is unchanged."},
      {int(LangText::StatusSearching), "Searching the folders for executables..."},
      {int(LangText::Unreadable), "%1 entries could not be read and were left out:\n%2"},
      {int(LangText::UnreadableOne), "%1 entry could not be read and was left out:\n%2"},
      {int(LangText::RunHeader), "Run %1 of %2"},
      {int(LangText::RunFiles), "files: %1"},
      {int(LangText::ResultsPacked), "Packed %1 of %2 files; %3 not packed. See Results."},
      {int(LangText::ResultsUnpacked), "Unpacked %1 of %2 files; %3 not unpacked. See Results."},
      {int(LangText::ResultsTested), "Tested %1 of %2 files; %3 did not pass. See Results."},
      {int(LangText::ResultsColumnFile), "File"},
      {int(LangText::ResultsColumnBefore), "Size before"},
      {int(LangText::ResultsColumnAfter), "Size after"},
      {int(LangText::ResultsColumnOutcome), "Outcome"},
      {int(LangText::ResultsColumnMessage), "Message"},
      {108, "packed"},
      {109, "unpacked"},
      {110, "tested"},
      {111, "already packed"},
      {112, "not packed by the packer"},
      {113, "not compressible"},
      {114, "not supported"},
      {115, "write-protected"},
      {116, "unreadable"},
      {117, "failed"},
      {118, "stopped"},
      {int(LangText::ResultsNotSaved), "The results could not be saved in %1:\n%2"},
      {int(LangText::ResultsSaveCaption), "Save the results"},
      {int(LangText::MethodWon), "%1 won: %2 bytes, %3 % smaller than %4."},
      {int(LangText::MethodAlone), "%1 won: %2 bytes; no other method packed the file."},
      {int(LangText::MethodMissing), "UPX %1 does not have this method."},
      {int(LangText::OutputNamesInput),
       "The output file is the file itself:\n%1\nChoose another name for the output file, or "
       "untick \"Write the result to another file\"."},
      {int(LangText::OutputNameMissing),
       "Enter a name for the output file, or untick \"Write the result to another file\"."},
      {int(LangText::SameFileAs), "The same file as %1, which the packer was given once."},
      {int(LangText::ResultsTestedNotPacked), "Tested %1 of %2 files; %3 not packed. See Results."},
      {int(LangText::MethodWithFilter), "%1 with filter %2"},
      {int(LangText::ResultsTestedBoth),
       "Tested %1 of %2 files; %3 not packed, %4 did not pass. See Results."},
      {int(LangText::ResultsSortBy), "Sort by %1"},
      {int(LangText::ConsoleScreen), "Packer output"},
      {int(LangText::ConsoleScreenHint),
       "The console's screen as text. Esc stops a running packer; Tab goes to the Stop button, "
       "Ctrl+I gives the packer a Tab."},
      {150, "The file is packed already"},
      {151, "The file was not packed by UPX"},
      {152, "Packing would not make the file smaller"},
      {153, "The packer does not know this file's format"},
      {154, "The packer cannot pack this program"},
      {155, "The packer cannot unpack this file"},
      {156, "The file ends too early: cut short or damaged"},
      {157, "The data appended to the program cannot be handled"},
      {158, "The file does not exist"},
      {159, "The output file exists already"},
      {160, "The file is write-protected"},
      {161, "The file system is read-only"},
      {162, "Permission denied"},
      {163, "The file is empty"},
      {164, "The file is too small to pack"},
      {165, "The file is too large to pack"},
      {166, "Not a regular file"},
      {167, "This is a folder"},
      {168, "This is a symbolic link"},
      {169, "The file has special permissions (setuid, setgid or sticky)"},
      {170, "The file name is too long"},
      {171, "No space left on the disk"},
      {172, "The packer was not started for this file"},
      {173, "The packer was ended by a signal before it reached this file"},
  };
  const auto it = texts.constFind(int(n));
  return it == texts.constEnd() ? nullptr : &*it;
}

}  // namespace

const QByteArray& Texts::Bytes(const LangTextTable& table, LangText n) {
  const QByteArray& text = table[size_t(n)];
  if (text.isEmpty())
    if (const QByteArray* fallback = fallbackText(n)) return *fallback;
  return text;
}

QString Texts::Fill(const QString& text, const QString& arg1, const QString& arg2) {
  // One pass over the text, so that a value holding "%2" is not filled in again.
  QString out;
  bool used1 = false, used2 = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 1 < text.size() && (text[i + 1] == u'1' || text[i + 1] == u'2')) {
      const bool first = text[i + 1] == u'1';
      out += first ? arg1 : arg2;
      (first ? used1 : used2) = true;
      ++i;
    } else {
      out += text[i];
    }
  }
  if (!used1 && !arg1.isEmpty()) out += u' ' + arg1;
  if (!used2 && !arg2.isEmpty()) out += u' ' + arg2;
  return out;
}
