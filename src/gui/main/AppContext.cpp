#include "gui/main/AppContext.h"

#include "gui/console/ConsoleSession.h"
#include "gui/console/TFormFTSC.h"
#include "gui/dialogs/TFormAbout.h"
#include "gui/dialogs/TFormChooseLang.h"
#include "gui/dialogs/TFormEditExec.h"
#include "gui/dialogs/TFormIntegration.h"
#include "gui/dialogs/TFormOpt.h"
#include "gui/dialogs/TFormVersHist.h"
#include "gui/i18n/ApplyLanguage.h"
#include "gui/main/TFormMain.h"

void AppContext::createForms() {
  console = new ConsoleSession(state, [this] { return forms(); });
  FormMain = new TFormMain(*this);
  FormAbout = new TFormAbout(state);
  FormVersHist = new TFormVersHist(state);
  FormOpt = new TFormOpt(state);
  FormChooseLang = new TFormChooseLang(state);
  FormFTSC = new TFormFTSC(state);
  FormEditExec = new TFormEditExec(state);
  FormIntegration = new TFormIntegration(state);

  connectForms();
}

void AppContext::start() {
  QMetaObject::invokeMethod(FormMain, &QWidget::show, Qt::QueuedConnection);
}

// The windows talk through signals, connected here: none of them calls into another.
void AppContext::connectForms() {
  QObject::connect(console, &ConsoleSession::exitReported, FormMain, &TFormMain::showExitStatus);
  QObject::connect(console, &ConsoleSession::runStarted, FormMain, &TFormMain::clearExitStatus);
  QObject::connect(console, &ConsoleSession::runFinished, FormMain, &TFormMain::runEnded);
  QObject::connect(console, &ConsoleSession::consoleClosedByUser, FormMain, &QWidget::close);
  QObject::connect(console, &ConsoleSession::firstConsoleOpening, FormFTSC, &QDialog::exec);

  QObject::connect(FormMain, &TFormMain::optionsRequested, FormOpt, &QDialog::exec);
  QObject::connect(FormMain, &TFormMain::aboutRequested, FormAbout, &QDialog::exec);
  QObject::connect(FormMain, &TFormMain::integrationRequested, FormIntegration, &QDialog::exec);
  QObject::connect(FormMain, &TFormMain::commandLineEditRequested, FormEditExec,
                   &TFormEditExec::Run);
  QObject::connect(FormEditExec, &TFormEditExec::lineAccepted, FormMain,
                   &TFormMain::runEditedCommandLine);
  QObject::connect(FormMain, &TFormMain::languageApplied, FormAbout,
                   &TFormAbout::UpdateVersionLabels);
  QObject::connect(FormMain, &TFormMain::stayOnTopChanged, FormOpt,
                   [this](bool topmost) { TFormMain::SetTopmost(FormOpt, topmost); });

  QObject::connect(FormAbout, &TFormAbout::versionHistoryRequested, FormVersHist, &QDialog::exec);

  QObject::connect(FormOpt, &TFormOpt::languageChosen, FormMain,
                   [this](const QByteArray& fileName) { changeLanguage(fileName); });
  QObject::connect(FormOpt, &TFormOpt::preferencesChanged, FormMain, &TFormMain::SetLanguage);
  QObject::connect(FormOpt, &TFormOpt::closeConsoleRequested, console,
                   &ConsoleSession::CloseConsole);
  // The chooser's selection shows at once in every window; its texts stay its own until the
  // choice is made.
  QObject::connect(
      FormChooseLang, &TFormChooseLang::languageSelected, FormChooseLang,
      [this](const QByteArray& fileName) { applyLanguage(fileName, FormChooseLang->Texts); });
}

bool AppContext::applyLanguage(const QByteArray& fileName, LangTextTable& texts) {
  return ApplyLanguage(state.ProgramDir + fileName, texts, LangTextHighest, "FormMain", forms());
}

void AppContext::changeLanguage(const QByteArray& fileName) {
  applyLanguage(fileName, state.LangTexts);
  if (FormMain) FormMain->SetLanguage();
}

bool AppContext::runLanguageChoice() {
  TFormChooseLang* chooser = FormChooseLang;
  if (!chooser) return false;
  chooser->TerminateIfNoLanguages = true;
  chooser->exec();
  if (chooser->terminated()) return false;
  state.opt.LangName = chooser->LangName;
  state.LangTexts = chooser->Texts;
  // After the copy, so that the captions built from the text table show the chosen language.
  if (FormMain) FormMain->SetLanguage();
  return true;
}

bool AppContext::languageChoiceShowing() const {
  return FormChooseLang && FormChooseLang->isVisible();
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
