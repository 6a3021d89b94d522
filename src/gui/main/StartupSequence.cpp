// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/StartupSequence.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTimer>

#include "core/i18n/LanguageFiles.h"
#include "core/packer/PackerVersion.h"
#include "core/startup/PackerLocator.h"
#include "gui/main/AppContext.h"
#include "gui/main/MainWindowSettings.h"
#include "gui/main/MethodChoice.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"

StartupSequence::StartupSequence(AppContext& ctx, QObject* parent) : QObject(parent), ctx_(ctx) {}

void StartupSequence::endProgram() {
  aborted_ = true;
  ctx_.settings->keepStoredFile();
  // Queued: when the sequence runs before the event loop has started, the request waits for it.
  // Outside a running event loop (tests) quit() does nothing.
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void StartupSequence::askPackerVersion() {
  ProgramState& s = ctx_.state;
  auto* asking = new PackerVersion::Asking(this);
  const QByteArray packer = s.UpxLocation;
  // Asked once the window is on its way to the screen; a job that comes first asks at once.
  s.awaitPacker = [asking = QPointer(asking), packer] {
    if (!asking) return PackerCapabilities();
    asking->start(packer);
    return asking->result();
  };
  connect(asking, &PackerVersion::Asking::answered, this, [this, asking] {
    ctx_.FormMain->findChild<MethodChoice*>()->setPacker(ctx_.state.packer());  // settles it
    asking->deleteLater();
  });
  QTimer::singleShot(0, asking, [asking, packer] { asking->start(packer); });
}

// Each step that asks the user goes on from the answer; none waits for it.
void StartupSequence::run() {
  if (started_) return;  // started by the program, then reached again by the window's showing
  started_ = true;
  ProgramState& s = ctx_.state;
  // 1-2: settings; on a first start, or without a language, the language chooser (which may end
  // the program). A chooser already on screen is not shown a second time.
  ctx_.settings->writeAlsoAtSessionEnd();
  ctx_.FormMain->PanelFirstShow = true;
  const bool loaded = ctx_.settings->read();
  if ((loaded && !s.opt.LangName.isEmpty()) || ctx_.languageChoiceShowing()) return takeLanguage();
  ctx_.chooseLanguage([this](bool chosen) { chosen ? takeLanguage() : endProgram(); });
}

void StartupSequence::takeLanguage() {
  ProgramState& s = ctx_.state;
  // 3-4: the language file of the chosen language, else the English one.
  // Read once: the file that proved to be the language is the one applied.
  std::optional<LanguageFiles::Language> language;
  const QByteArray langFile = LanguageFiles::FindLanguageFile(s.LangDir, s.opt.LangName, &language,
                                                              AppContext::LanguageDefaultForm);
  if (langFile.isEmpty())
    return Prompts::Message(
        ctx_.FormMain, Prompts::Icon::Error,
        QStringLiteral("There are no language files. Press OK to terminate program."),
        QStringLiteral("Error - Packhelm"), [this] { endProgram(); });
  ctx_.changeLanguage(langFile, std::move(language));

  // 5-6: the window in its place, the option panel in its restored state at once; placed as it
  // first shows, before it is on screen, where the sequence came first.
  TFormMain* w = ctx_.FormMain;
  if (w->isVisible()) {
    w->placeAtStart();
  } else {
    connect(w, &TFormMain::firstShown, w, &TFormMain::placeAtStart, Qt::SingleShotConnection);
    w->show();
  }
  locatePacker();
}

void StartupSequence::locatePacker() {
  // 7: the packer: own folder, the user's earlier choice, the search path; else ask.
  ProgramState& s = ctx_.state;
  TFormMain* w = ctx_.FormMain;
  s.UpxLocation = PackerLocator::Locate(s.ProgramDir, s.opt.GlobalOpt_UPX2);
  if (!s.UpxLocation.isEmpty()) return finish();
  const QString caption = s.langText(LangText::PackerMissingCaption);
  Prompts::Message(
      w, Prompts::Icon::Warning, s.langText(LangText::PackerMissing), caption, [this, w, caption] {
        Prompts::OpenFiles(w, *w->OpenDialogUPX, [this, w, caption](const QStringList& chosen) {
          ProgramState& state = ctx_.state;
          if (chosen.isEmpty() || chosen.first().isEmpty())
            return Prompts::Message(w, Prompts::Icon::Error,
                                    state.langText(LangText::PackerMissingEnd), caption,
                                    [this] { endProgram(); });
          state.UpxLocation = QFile::encodeName(chosen.first());
          state.opt.GlobalOpt_UPX2 = state.UpxLocation;
          finish();
        });
      });
}

void StartupSequence::finish() {
  ProgramState& s = ctx_.state;
  // 8: the packer as command lines name it, and its version (which decides a switch's spelling).
  // The first command line needs the answer, the first paint does not: the packer is asked now
  // and answers while the window comes up; a job that comes first waits for the answer.
  s.UpxShortLocation = PackerLocator::ShortLocation(s.UpxLocation);
  askPackerVersion();

  // A settings file that cannot be written is said once, before any job's status.
  ctx_.settings->reportUnwritable();

  // 9: files on the program's command line replace the restored selection and may start a job.
  // The job runs from the event loop, as a button's does: once the window is on screen, and
  // where closing the console or the window ends the program. Folders among them are searched
  // first; the job waits for the search.
  if (!ctx_.arguments.isEmpty()) ctx_.FormMain->selectInput(ctx_.arguments, true);
}
