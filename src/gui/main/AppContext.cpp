// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/AppContext.h"

#include <unistd.h>

#include <cstdio>

#include <QDir>
#include <QFile>
#include <QTimer>
#include <QWindow>

#include "core/jobs/JobEngine.h"
#include "core/util/InstallLayout.h"
#include "gui/console/ConsoleSession.h"
#include "gui/console/TFormFTSC.h"
#include "gui/dialogs/TFormAbout.h"
#include "gui/dialogs/TFormChooseLang.h"
#include "gui/dialogs/TFormEditExec.h"
#include "gui/dialogs/TFormIntegration.h"
#include "gui/dialogs/TFormOpt.h"
#include "gui/dialogs/TFormVersHist.h"
#include "gui/i18n/ApplyLanguage.h"
#include "gui/i18n/QtTranslations.h"
#include "gui/main/JobRunner.h"
#include "gui/main/MainWindowSettings.h"
#include "gui/main/StartupSequence.h"
#include "gui/main/TFormMain.h"
#include "gui/results/TFormResults.h"
#include "gui/widgets/DesktopIdentity.h"
#include "gui/widgets/Placement.h"
#include "gui/widgets/Prompts.h"
#include "gui/widgets/WindowAccessible.h"

AppContext::AppContext() = default;

void AppContext::locateFolders() {
  if (state.ProgramDir.isEmpty()) state.ProgramDir = InstallLayout::ProgramFolder();
  if (state.LangDir.isEmpty()) state.LangDir = InstallLayout::LanguageFolder(state.ProgramDir);
  // Relative names resolve in the program's folder from now on.
  if (::chdir(state.ProgramDir.constData()) != 0)
    QDir::setCurrent(QFile::decodeName(state.ProgramDir));
}

void AppContext::createForms() {
  locateFolders();
  WindowAccessible::Install();
  engine = new JobEngine;
  console = new ConsoleSession(
      state, *engine, [this] { return forms(); }, engine);
  jobs = new JobRunner(state, *engine, *console, engine);
  FormMain = new TFormMain(state, *jobs);
  settings = new MainWindowSettings(*FormMain, state);
  Placement::SetMainWindow(FormMain);
  startup_ = new StartupSequence(*this, FormMain);
  connectForms();
}

void AppContext::start() {
  // The sequence shows the main window once the language is settled, so that a first start's
  // language chooser comes before it.
  QTimer::singleShot(0, FormMain,
                     [this] { runStartupOnShow ? startup_->run() : FormMain->show(); });
  // After the window is on screen (the map request has gone out with the loop's next turn): the
  // icon is needed for the task bar, not for the window to appear.
  QTimer::singleShot(0, FormMain, [] { DesktopIdentity::ApplyIcon(); });
}

// The windows talk through signals, connected here: none of them calls into another, and each
// knows only the program state (the main window also the job runner).
void AppContext::connectForms() {
  QObject::connect(FormMain, &TFormMain::firstShown, startup_, [this] {
    if (runStartupOnShow) startup_->run();
  });
  QObject::connect(jobs, &JobRunner::jobFinished, FormMain, &TFormMain::jobFinished);
  QObject::connect(jobs, &JobRunner::jobFinished, FormMain, [this](const JobReport& result) {
    if (!result.rows.isEmpty()) takeResults(result.rows);
  });
  QObject::connect(FormMain, &TFormMain::resultsRequested, FormMain, [this] {
    TFormResults* form = formResults();
    form->show();
    form->raise();
    form->activateWindow();
  });
  QObject::connect(engine, &JobEngine::batchStarted, FormMain, &TFormMain::clearExitStatus);
  QObject::connect(console, &ConsoleSession::consoleClosedByUser, FormMain, &QWidget::close);
  // A note asks nothing: it never stands between the user and the console's Stop.
  QObject::connect(console, &ConsoleSession::firstConsoleOpening, FormMain, [this] {
    TFormFTSC* note = formFTSC();
    note->setWindowModality(Qt::NonModal);
    note->show();
    note->raise();
  });

  QObject::connect(FormMain, &TFormMain::optionsRequested, FormMain,
                   [this] { showModal(formOpt()); });
  QObject::connect(FormMain, &TFormMain::aboutRequested, FormMain,
                   [this] { showModal(formAbout()); });
  QObject::connect(FormMain, &TFormMain::integrationRequested, FormMain,
                   [this] { showModal(formIntegration()); });
  QObject::connect(FormMain, &TFormMain::commandLineEditRequested, FormMain,
                   [this](int mode, const QString& caption, const QByteArray& line) {
                     formEditExec()->Run(mode, caption, line);
                   });
  QObject::connect(FormMain, &TFormMain::languageApplied, FormMain, [this] {
    if (FormAbout) FormAbout->UpdateVersionLabels();
  });
  QObject::connect(FormMain, &TFormMain::stayOnTopChanged, FormMain, [this](bool topmost) {
    onTop_ = topmost;
    Placement::SetTopmost(FormOpt, topmost);
  });
}

void AppContext::showModal(QDialog* dialog) {
  // Modal to the main window alone, without waiting for it here: the console windows stay
  // usable, so Stop, Esc and closing the console end a run whatever dialog is up.
  dialog->setWindowModality(Qt::WindowModal);
  dialog->winId();
  FormMain->winId();
  dialog->windowHandle()->setTransientParent(FormMain->windowHandle());
  dialog->show();
}

TFormAbout* AppContext::formAbout() {
  if (FormAbout) return FormAbout;
  FormAbout = new TFormAbout(state);
  localize(FormAbout);
  FormAbout->UpdateVersionLabels();
  QObject::connect(FormAbout, &TFormAbout::versionHistoryRequested, FormAbout,
                   [this] { showModal(formVersHist()); });
  return FormAbout;
}

TFormVersHist* AppContext::formVersHist() {
  if (!FormVersHist) localize(FormVersHist = new TFormVersHist(state));
  return FormVersHist;
}

TFormOpt* AppContext::formOpt() {
  if (FormOpt) return FormOpt;
  FormOpt = new TFormOpt(state);
  localize(FormOpt);
  Placement::SetTopmost(FormOpt, onTop_);
  QObject::connect(FormOpt, &TFormOpt::languageChosen, FormMain,
                   [this](const QByteArray& fileName) { changeLanguage(fileName); });
  QObject::connect(FormOpt, &TFormOpt::preferencesChanged, FormMain, &TFormMain::SetLanguage);
  QObject::connect(FormOpt, &TFormOpt::closeConsoleRequested, console,
                   &ConsoleSession::closeConsole);
  return FormOpt;
}

TFormChooseLang* AppContext::formChooseLang() {
  if (FormChooseLang) return FormChooseLang;
  FormChooseLang = new TFormChooseLang(state);
  localize(FormChooseLang);
  // The chooser's selection shows at once in every window; its texts stay its own until the
  // choice is made.
  QObject::connect(
      FormChooseLang, &TFormChooseLang::languageSelected, FormChooseLang,
      [this](const QByteArray& fileName) { applyLanguage(fileName, FormChooseLang->Texts); });
  return FormChooseLang;
}

TFormFTSC* AppContext::formFTSC() {
  if (!FormFTSC) localize(FormFTSC = new TFormFTSC(state));
  return FormFTSC;
}

TFormEditExec* AppContext::formEditExec() {
  if (FormEditExec) return FormEditExec;
  FormEditExec = new TFormEditExec(state);
  localize(FormEditExec);
  QObject::connect(FormEditExec, &TFormEditExec::lineAccepted, FormMain,
                   &TFormMain::runEditedCommandLine);
  return FormEditExec;
}

TFormIntegration* AppContext::formIntegration() {
  if (!FormIntegration) localize(FormIntegration = new TFormIntegration(state));
  return FormIntegration;
}

TFormResults* AppContext::formResults() {
  if (FormResults) return FormResults;
  localize(FormResults = new TFormResults(state));
  FormResults->setRows(results);
  return FormResults;
}

void AppContext::takeResults(const QList<FileResults::Row>& rows) {
  results = rows;
  if (FormResults) FormResults->setRows(results);
  if (reportFile.isEmpty()) return;
  // The report of the command line's job: once, then the program goes on as it does without.
  const QByteArray file = std::exchange(reportFile, QByteArray());
  QString why;
  if (FileResults::WriteCsv(file, rows, &why)) return;
  const QString text = state.langText(LangText::ResultsNotSaved, QFile::decodeName(file), why);
  std::fprintf(stderr, "packhelm: %s\n", text.toLocal8Bit().constData());
  Prompts::Message(FormMain, Prompts::Icon::Error, text, state.langText(LangText::ErrorCaption));
}

void AppContext::localize(QWidget* form) {
  if (!language_) return;
  LangTextTable unused;  // the numbered texts were taken when the language was applied
  ApplyLanguageEntries(*language_, unused, LangTextHighest, {form});
}

bool AppContext::applyLanguage(const QByteArray& fileName, LangTextTable& texts,
                               std::optional<LanguageFiles::Language> loaded) {
  LanguageFiles::Language language;
  if (loaded)
    language = std::move(*loaded);
  else if (!LanguageFiles::LoadLanguage(state.LangDir + fileName, LanguageDefaultForm, language))
    return false;
  ApplyLanguageEntries(language, texts, LangTextHighest, forms());
  // Qt's own dialogs and buttons too.
  QtTranslations::Load(language.englishName);
  language_ = std::move(language);
  return true;
}

void AppContext::changeLanguage(const QByteArray& fileName,
                                std::optional<LanguageFiles::Language> loaded) {
  applyLanguage(fileName, state.LangTexts, std::move(loaded));
  if (FormMain) FormMain->SetLanguage();
  if (FormResults) FormResults->retranslate();
}

void AppContext::chooseLanguage(const std::function<void(bool)>& chosen) {
  TFormChooseLang* chooser = formChooseLang();
  chooser->TerminateIfNoLanguages = true;
  QObject::connect(
      chooser, &QDialog::finished, chooser,
      [this, chooser, chosen] {
        if (chooser->terminated()) return chosen(false);
        state.opt.LangName = chooser->LangName;
        state.LangTexts = chooser->Texts;
        // After the copy, so that the captions built from the text table show the chosen
        // language.
        if (FormMain) FormMain->SetLanguage();
        chosen(true);
      },
      Qt::SingleShotConnection);
  chooser->show();  // modal to the program (the chooser is a modal dialog)
}

bool AppContext::languageChoiceShowing() const {
  return FormChooseLang && FormChooseLang->isVisible();
}

bool AppContext::startupAborted() const {
  return startup_ && startup_->aborted();
}

QList<QWidget*> AppContext::forms() const {
  QList<QWidget*> all{FormMain, FormAbout,    FormVersHist,    FormOpt,    FormChooseLang,
                      FormFTSC, FormEditExec, FormIntegration, FormResults};
  all.removeAll(nullptr);
  return all;
}

AppContext::~AppContext() {
  // Dialogs first, the main window last, then the console (which may still own a packer).
  delete FormResults;
  delete FormIntegration;
  delete FormEditExec;
  delete FormFTSC;
  delete FormChooseLang;
  delete FormOpt;
  delete FormVersHist;
  delete FormAbout;
  delete FormMain;
  delete engine;
}
