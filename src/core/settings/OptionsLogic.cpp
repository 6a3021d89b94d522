#include "core/settings/OptionsLogic.h"

#include "core/settings/ProgramState.h"

namespace OptionsLogic {

int PriorityItemForClass(quint32 priorityClass) {
  for (int i = 0; i < 4; ++i)
    if (PriorityClasses[i] == priorityClass) return i;
  return -1;
}

quint32 PriorityClassForItem(int item, quint32 current) {
  return item >= 0 && item < 4 ? PriorityClasses[item] : current;
}

void ResetPreferences(GlobalOptions& opt) {
  opt.GlobalOpt_FastOpen = false;
  opt.GlobalOpt_DragOp = 0;
  opt.GlobalOpt_CloseCon = 1;
  opt.GlobalOpt_PriorityClass = 32;
  opt.GlobalOpt_StayOnTop = 2;
  opt.GlobalOpt_ShowHints = true;
  opt.CmdLinesMax = 10;
}

int LanguageRowToSelect(const QList<QByteArray>& englishNames, const QByteArray& langName) {
  if (englishNames.isEmpty()) return -1;
  const qsizetype last = englishNames.lastIndexOf(langName);
  return last >= 0 ? int(last) : 0;
}

}  // namespace OptionsLogic
