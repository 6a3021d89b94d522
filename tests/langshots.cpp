// Pictures of every window in every shipped language, for a person to check for clipped or
// overlapping text:
//   langshots OUTPUT_FOLDER
// writes OUTPUT_FOLDER/<language>-<window>.png. Run it on a real display (for example under
// xvfb-run); the offscreen platform draws without the desktop's fonts and style.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QToolButton>
#include <QtWidgets>
#include <cstdio>

#include "core/console/ScreenModel.h"
#include "core/i18n/LanguageFiles.h"
#include "gui/console/TConsoleWindow.h"
#include "gui/console/TFormFTSC.h"
#include "gui/dialogs/TFormAbout.h"
#include "gui/dialogs/TFormChooseLang.h"
#include "gui/dialogs/TFormEditExec.h"
#include "gui/dialogs/TFormIntegration.h"
#include "gui/dialogs/TFormOpt.h"
#include "gui/dialogs/TFormVersHist.h"
#include "gui/i18n/ApplyLanguage.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

void settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// Controls whose text needs more room than they have: a hint for the person looking at the
// pictures, printed as "CLIP window.control: needs N, has M".
void reportClipped(QWidget* window, const QString& tag) {
  QList<QWidget*> all = window->findChildren<QWidget*>();
  all.prepend(window);
  for (QWidget* w : all) {
    if (!w->isVisibleTo(window) && w != window) continue;
    const QFontMetrics fm = w->fontMetrics();
    int need = 0, have = 0;
    if (auto* label = qobject_cast<QLabel*>(w)) {
      if (label->text().isEmpty() || !label->pixmap().isNull()) continue;
      if (label->wordWrap()) {
        need = label->heightForWidth(label->width());
        have = label->height();
      } else {
        need = label->sizeHint().width();
        have = label->width();
      }
    } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
      auto* b = static_cast<QAbstractButton*>(w);
      if (b->hasHeightForWidth()) {
        need = b->heightForWidth(b->width());
        have = b->height();
      } else {
        need = b->sizeHint().width();
        have = b->width();
      }
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
      if (button->text().isEmpty() || button->inherits("TWrapButton")) continue;
      need = fm.horizontalAdvance(button->text()) + 8;
      have = button->width();
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
      need = fm.horizontalAdvance(box->title()) + 12;
      have = box->width();
    } else {
      continue;
    }
    if (need > have)
      std::printf("CLIP %s %s.%s: needs %d, has %d\n", qPrintable(tag),
                  qPrintable(window->objectName()), qPrintable(w->objectName()), need, have);
  }
}

bool save(QWidget* w, const QString& folder, const QString& name) {
  w->show();
  w->raise();
  settle();
  const QString path = folder + '/' + name + QStringLiteral(".png");
  if (!w->grab().save(path)) {
    std::fprintf(stderr, "langshots: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  reportClipped(w, name);
  return true;
}

bool shootLanguage(const QByteArray& file, const QByteArray& englishName, const QString& out) {
  TestProgram prog(true, false);
  const TestProgramDir& dir = prog.dir;
  AppContext& ctx = prog.ctx;
  ctx.state.opt.LangName = englishName;
  const QString tag = QString::fromUtf8(englishName);
  bool ok = true;

  // The chooser applies the language under its cursor to every window.
  QListWidget* list = ctx.FormChooseLang->findChild<QListWidget*>(QStringLiteral("ComboBox1"));
  ctx.FormChooseLang->show();
  settle();
  for (int i = 0; list && i < list->count(); ++i)
    if (list->item(i)->text().endsWith(QStringLiteral("(") + tag + QStringLiteral(")")))
      list->setCurrentRow(i);
  ok &= save(ctx.FormChooseLang, out, tag + QStringLiteral("-FormChooseLang"));
  ctx.FormChooseLang->hide();

  if (!ApplyLanguage(dir.path() + file, ctx.state.LangTexts, LangTextHighest, "FormMain",
                     ctx.forms())) {
    std::fprintf(stderr, "langshots: cannot apply %s\n", file.constData());
    return false;
  }
  TFormMain* main = ctx.FormMain;
  ctx.state.FileList = {dir.makeFile("program.exe", 345678)};
  main->SetLanguage();
  ok &= save(main, out, tag + QStringLiteral("-FormMain-closed"));

  ctx.state.FileList = {dir.makeFile("first.exe", 2345678), dir.makeFile("second.dll", 123456)};
  main->FillText();
  Controls(main).get<QSlider>("CompressValueBar")->setValue(1);
  main->PanelFirstShow = true;
  Controls(main).get<QToolButton>("SpeedButtonAddOpt")->setChecked(true);
  main->SpeedButtonAddOptClick();
  main->Timer1Timer();
  ok &= save(main, out, tag + QStringLiteral("-FormMain-open"));

  ok &= save(ctx.FormOpt, out, tag + QStringLiteral("-FormOpt"));
  if (auto* pane = ctx.FormOpt->findChild<QWidget*>(QStringLiteral("ScrollBox1Pane")))
    ok &= save(pane, out, tag + QStringLiteral("-FormOpt-pane"));
  ctx.FormOpt->hide();
  for (QWidget* w :
       QList<QWidget*>{ctx.FormAbout, ctx.FormVersHist, ctx.FormIntegration, ctx.FormFTSC}) {
    ok &= save(w, out, tag + '-' + w->objectName());
    w->hide();
  }
  ctx.FormEditExec->setWindowTitle(QString::fromUtf8(ctx.state.LangTexts[40]));
  ok &= save(ctx.FormEditExec, out, tag + QStringLiteral("-FormEditExec"));
  ctx.FormEditExec->hide();
  // The console during a run, its Stop button in the language.
  {
    ScreenModel screen;
    screen.feed("upx 4.2.4 ... packing program.exe\r\n");
    TConsoleWindow console(&screen);
    console.setStopTexts(ctx.state.langText(LangText::StopButton),
                         ctx.state.langText(LangText::StopHint));
    console.setStopEnabled(true);
    ok &= save(&console, out, tag + QStringLiteral("-ConsoleWindow"));
  }
  main->hide();
  return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: langshots OUTPUT_FOLDER\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  // Nothing here may wait for a person.
  Prompts::Test().active = true;

  const QByteArray langDir = QFile::encodeName(QStringLiteral(PACKHELM_LANG_SOURCE_DIR));
  QList<QByteArray> names, english, files;
  LanguageFiles::ListLanguages(langDir, names, english, files);
  bool ok = !files.isEmpty();
  for (qsizetype i = 0; i < files.size(); ++i) ok &= shootLanguage(files[i], english[i], out);
  return ok ? 0 : 1;
}
