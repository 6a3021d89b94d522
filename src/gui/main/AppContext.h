#pragma once
// Everything one running program owns: the shared program state, the eight windows and the
// console session. The windows reach each other through it. Tests make their own.

#include <QList>

#include "core/settings/ProgramState.h"

class QWidget;
class TFormMain;
class TFormAbout;
class TFormVersHist;
class TFormOpt;
class TFormChooseLang;
class TFormFTSC;
class TFormEditExec;
class TFormIntegration;
class ConsoleSession;

struct AppContext {
  ProgramState state;
  QList<QByteArray> arguments;  // the program's own arguments (files), already absolute
  // Tests of single windows turn this off so that showing the main window does not run the
  // start-up sequence (settings, language chooser, locating the packer).
  bool runStartupOnShow = true;

  ConsoleSession* console = nullptr;
  TFormMain* FormMain = nullptr;
  TFormAbout* FormAbout = nullptr;
  TFormVersHist* FormVersHist = nullptr;
  TFormOpt* FormOpt = nullptr;
  TFormChooseLang* FormChooseLang = nullptr;
  TFormFTSC* FormFTSC = nullptr;
  TFormEditExec* FormEditExec = nullptr;
  TFormIntegration* FormIntegration = nullptr;

  AppContext() = default;
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;
  ~AppContext();

  // Creates the console session and all eight windows, hidden, main window first.
  void createForms();
  // The windows in creation order (language files search all of them).
  QList<QWidget*> forms() const;
};
