// SPDX-License-Identifier: GPL-3.0-or-later
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
  const GlobalOptions defaults;
  opt.GlobalOpt_FastOpen = defaults.GlobalOpt_FastOpen;
  opt.GlobalOpt_DragOp = defaults.GlobalOpt_DragOp;
  opt.GlobalOpt_CloseCon = defaults.GlobalOpt_CloseCon;
  opt.GlobalOpt_PriorityClass = defaults.GlobalOpt_PriorityClass;
  opt.GlobalOpt_StayOnTop = defaults.GlobalOpt_StayOnTop;
  opt.GlobalOpt_ShowHints = defaults.GlobalOpt_ShowHints;
  opt.CmdLinesMax = defaults.CmdLinesMax;
  opt.GlobalOpt_PackerRuns = defaults.GlobalOpt_PackerRuns;
}

int LanguageRowToSelect(const QList<QByteArray>& englishNames, const QByteArray& langName) {
  if (englishNames.isEmpty()) return -1;
  const qsizetype last = englishNames.lastIndexOf(langName);
  return last >= 0 ? int(last) : 0;
}

}  // namespace OptionsLogic
