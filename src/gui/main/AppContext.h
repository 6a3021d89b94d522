// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything one running program owns: the shared program state, the eight windows, the console
// session with the main window's job runner, and the start-up sequence. It creates the windows
// and connects their signals; no window holds it: each gets the program state, the main window
// also the job runner. Tests make their own.
//
// The main window and the console session exist from the start; every other window is built on
// its first use (most runs open none of them), and gets the language the others show then.

#include <QList>
#include <functional>
#include <optional>

#include "core/i18n/LanguageFiles.h"
#include "core/packer/FileResults.h"
#include "core/settings/ProgramState.h"

class QDialog;
class QWidget;
class TFormMain;
class TFormAbout;
class TFormVersHist;
class TFormOpt;
class TFormChooseLang;
class TFormFTSC;
class TFormEditExec;
class TFormIntegration;
class TFormResults;
class ConsoleSession;
class JobEngine;
class JobRunner;
class MainWindowSettings;
class StartupSequence;

struct AppContext {
  ProgramState state;
  QList<QByteArray> arguments;  // the program's own arguments (files), already absolute
  // --report: the file the next job's rows go to (absolute; emptied once written).
  QByteArray reportFile;
  QList<FileResults::Row> results;  // the last job's rows, for the results window
  // Tests of single windows turn this off so that showing the main window does not run the
  // start-up sequence (settings, language chooser, locating the packer).
  bool runStartupOnShow = true;

  // The job engine owns the console session, which shows its packers, and the job runner, which
  // starts the main window's jobs on it.
  JobEngine* engine = nullptr;
  ConsoleSession* console = nullptr;
  JobRunner* jobs = nullptr;
  TFormMain* FormMain = nullptr;
  MainWindowSettings* settings = nullptr;  // the main window's stored settings
  // Null until first used; the accessors below build them.
  TFormAbout* FormAbout = nullptr;
  TFormVersHist* FormVersHist = nullptr;
  TFormOpt* FormOpt = nullptr;
  TFormChooseLang* FormChooseLang = nullptr;
  TFormFTSC* FormFTSC = nullptr;
  TFormEditExec* FormEditExec = nullptr;
  TFormIntegration* FormIntegration = nullptr;
  TFormResults* FormResults = nullptr;

  AppContext();
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;
  ~AppContext();

  // Finds the program's folders (unless preset), makes the program folder the current one, then
  // creates the console session and the main window, hidden, and connects them.
  void createForms();
  // Starts the program: the main window is shown (and runs the start-up sequence) once the
  // event loop runs, so that the start-up's dialogs and its first job run inside it and quitting
  // works from all of them.
  void start();
  // The start-up sequence ended the program (no language file, no packer).
  bool startupAborted() const;
  // The windows built so far, in the fixed order (language files search all of them).
  QList<QWidget*> forms() const;

  // The other windows, built (hidden, in the current language, connected) on first use.
  TFormAbout* formAbout();
  TFormVersHist* formVersHist();
  TFormOpt* formOpt();
  TFormChooseLang* formChooseLang();
  TFormFTSC* formFTSC();
  TFormEditExec* formEditExec();
  TFormIntegration* formIntegration();
  TFormResults* formResults();

  // The window a language entry that names none is for.
  static constexpr const char* LanguageDefaultForm = "FormMain";
  // Applies a language file of the program folder to every window, its numbered texts into
  // `texts`. False when the file does not load. `loaded`: the file's language, when the caller
  // has read it already.
  bool applyLanguage(const QByteArray& fileName, LangTextTable& texts,
                     std::optional<LanguageFiles::Language> loaded = std::nullopt);
  // Applies the language to every window and the program's texts, then lets the main window
  // re-apply its language-dependent captions.
  void changeLanguage(const QByteArray& fileName,
                      std::optional<LanguageFiles::Language> loaded = std::nullopt);

  // The language choice of a first start: shows the chooser, modal to the program (it ends the
  // program when there is no language file), and once it is answered takes over its language
  // name and texts and lets the main window re-apply its language-dependent captions.
  // `chosen` gets false when the program must end.
  void chooseLanguage(const std::function<void(bool)>& chosen);
  // The chooser is on screen now (a start-up inside its showing must not show it again).
  bool languageChoiceShowing() const;

 private:
  void locateFolders();
  void connectForms();
  void takeResults(const QList<FileResults::Row>& rows);
  void showModal(QDialog* dialog);
  // A window just built gets the language the others show.
  void localize(QWidget* form);

  // The language last applied to the windows; windows built later get it too.
  std::optional<LanguageFiles::Language> language_;
  bool onTop_ = false;  // the stay-on-top state the main window asked for
  StartupSequence* startup_ = nullptr;
};
