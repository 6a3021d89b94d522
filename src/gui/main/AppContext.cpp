#include "gui/main/AppContext.h"

#include "gui/console/ConsoleSession.h"
#include "gui/console/TFormFTSC.h"
#include "gui/dialogs/TFormAbout.h"
#include "gui/dialogs/TFormChooseLang.h"
#include "gui/dialogs/TFormEditExec.h"
#include "gui/dialogs/TFormIntegration.h"
#include "gui/dialogs/TFormOpt.h"
#include "gui/dialogs/TFormVersHist.h"
#include "gui/main/TFormMain.h"

void AppContext::createForms() {
  console = new ConsoleSession(*this);
  FormMain = new TFormMain(*this);
  FormAbout = new TFormAbout(*this);
  FormVersHist = new TFormVersHist(*this);
  FormOpt = new TFormOpt(*this);
  FormChooseLang = new TFormChooseLang(*this);
  FormFTSC = new TFormFTSC(*this);
  FormEditExec = new TFormEditExec(*this);
  FormIntegration = new TFormIntegration(*this);

  // The windows talk through signals, connected here.
  QObject::connect(console, &ConsoleSession::exitReported, FormMain, &TFormMain::showExitStatus);
}

QList<QWidget*> AppContext::forms() const {
  QList<QWidget*> all{FormMain,       FormAbout, FormVersHist, FormOpt,
                      FormChooseLang, FormFTSC,  FormEditExec, FormIntegration};
  all.removeAll(nullptr);
  return all;
}

AppContext::~AppContext() {
  // Dialogs first, the main window last, then the console (which may still own a packer).
  delete FormIntegration;
  delete FormEditExec;
  delete FormFTSC;
  delete FormChooseLang;
  delete FormOpt;
  delete FormVersHist;
  delete FormAbout;
  delete FormMain;
  delete console;
}
