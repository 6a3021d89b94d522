#include "core/settings/ProgramState.h"

QByteArray ProgramState::packerForCommand() const {
  // A path that would fall apart when the command line is split goes in its quoted form.
  return (UpxLocation.contains(' ') || UpxLocation.contains('"')) ? UpxShortLocation : UpxLocation;
}

namespace {

// What the texts from 80 on say in English: shown only where a language file lacks them (one
// written for an earlier version), so that no message comes up empty. The shipped files carry
// them in every language.
const char* englishFallback(LangText n) {
  switch (n) {
    case LangText::ConsoleCopy:
      return "Copy";
    case LangText::ConsoleSelectAll:
      return "Select all";
    case LangText::LinkNotOpened:
      return "No program on this desktop opens %1";
    case LangText::PriorityNotRaised:
      return "Packhelm: the packer's priority could not be raised (no permission); it runs at "
             "normal priority.";
    case LangText::ShellCreateFailed:
      return "Failed to create key %1";
    case LangText::ShellWriteFailed:
      return "Failed to set data for '%1'";
    case LangText::ShellPathRefused:
      return "Failed to set data for 'Exec': the program's path cannot be written into a desktop "
             "entry (it holds \"%\", \"=\" or a control character, or is not UTF-8):\n%1";
    case LangText::ShellRemoveFailed:
      return "Failed to remove '%1'";
    case LangText::ShellDone:
      return "%1: done.\nFile managers: Dolphin (service menu), Nemo (action) and every file "
             "manager's \"Open With\" list.\nFile types:\n%2";
    case LangText::ShellNothingToDo:
      return "%1: nothing to do. None of the listed extensions has a known file type, and no file "
             "type is ticked.";
    default:
      return nullptr;
  }
}

}  // namespace

QString ProgramState::langText(LangText n) const {
  const QByteArray& text = langBytes(n);
  if (text.isEmpty())
    if (const char* english = englishFallback(n)) return QString::fromUtf8(english);
  return QString::fromUtf8(text);
}
