// SPDX-License-Identifier: GPL-3.0-or-later
// Every window in every shipped language at application fonts of 8, 10 and 12 points: no text
// is cut off by its control, by a window or panel edge, and no text lies on another text or on
// another control. CTest runs it twice, at scale factors 1 and 2 (QT_SCALE_FACTOR), where the
// fonts' fractional metrics differ. A failure names the window, the control and its text.
//
// With PACKHELM_SHOTS=FOLDER it also writes every window it checks as
// FOLDER/<language>-<points>pt-x<scale>-<window>.png, for a person to look at.

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QToolButton>

#include "core/console/ScreenModel.h"
#include "core/i18n/LanguageFiles.h"
#include "gui/console/ConsoleWindow.h"
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
#include "gui/results/TFormResults.h"
#include "gui/widgets/ConsoleView.h"
#include "gui/widgets/Prompts.h"
#include "gui/widgets/StatusLine.h"
#include "gui/widgets/WrapButton.h"
#include "gui/widgets/WrapCheckBox.h"
#include "support/TestProgramDir.h"

namespace {

QString nameOf(const QWidget* w) {
  return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                   : w->objectName();
}

// Where a control draws its text and how much room that text needs, in the control's own
// coordinates. `room` is the area the style gives the text; `ink` the text's own rectangle.
struct TextPlace {
  QString text;
  QRect room;
  QRect ink;
};

std::optional<TextPlace> placeOf(QWidget* w) {
  const QFontMetrics fm = w->fontMetrics();
  QStyle* style = w->style();
  TextPlace t;
  if (auto* label = qobject_cast<QLabel*>(w)) {
    if (label->text().isEmpty() || !label->pixmap().isNull()) return std::nullopt;
    t.text = label->text();
    t.room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                            -label->margin());
    const int indent = label->indent() > 0 ? label->indent() : 0;
    t.room.adjust(indent, 0, 0, 0);
    // A label shows "&" as a mnemonic marker only when it has a buddy.
    const bool mnemonic = label->buddy() != nullptr;
    const bool wraps = label->wordWrap();
    const int flags = (mnemonic ? int(Qt::TextShowMnemonic) : int(Qt::TextExpandTabs)) |
                      (wraps ? int(Qt::TextWordWrap) : 0);
    const QSize need =
        fm.boundingRect(QRect(0, 0, wraps ? t.room.width() : 100000, 100000), flags, t.text).size();
    t.ink = QStyle::alignedRect(label->layoutDirection(), label->alignment(), need, t.room);
    return t;
  }
  if (auto* button = qobject_cast<QPushButton*>(w)) {
    if (button->text().isEmpty()) return std::nullopt;
    QStyleOptionButton opt;
    opt.initFrom(button);
    opt.text = button->text();
    opt.icon = button->icon();
    opt.iconSize = button->iconSize();
    opt.features = QStyleOptionButton::None;
    t.text = button->text();
    t.room = style->subElementRect(QStyle::SE_PushButtonContents, &opt, button);
    if (!button->icon().isNull()) t.room.adjust(button->iconSize().width() + 4, 0, 0, 0);
    const bool wraps = qobject_cast<WrapButton*>(w) != nullptr;
    const int flags =
        int(Qt::TextShowMnemonic) | (wraps ? int(Qt::TextWordWrap) : int(Qt::TextSingleLine));
    const QSize need =
        fm.boundingRect(QRect(0, 0, wraps ? t.room.width() : 100000, 100000), flags, t.text).size();
    t.ink = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, need, t.room);
    return t;
  }
  if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
    auto* b = static_cast<QAbstractButton*>(w);
    if (b->text().isEmpty()) return std::nullopt;
    t.text = b->text();
    if (auto* wrap = qobject_cast<WrapCheckBox*>(w)) {
      // Its text wraps beside the indicator: the box must be as tall as the wrapped text.
      t.room = wrap->rect();
      const int need = wrap->heightForWidth(wrap->width());
      t.ink = QRect(0, (wrap->height() - need) / 2, wrap->width(), need);
      return t;
    }
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    const bool radio = qobject_cast<QRadioButton*>(w) != nullptr;
    t.room = style->subElementRect(
        radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &opt, b);
    const QSize need = fm.size(Qt::TextShowMnemonic, t.text);
    t.ink = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignLeft | Qt::AlignVCenter, need, t.room);
    return t;
  }
  if (auto* tool = qobject_cast<QToolButton*>(w)) {
    if (tool->text().isEmpty() || tool->toolButtonStyle() == Qt::ToolButtonIconOnly ||
        tool->arrowType() != Qt::NoArrow)
      return std::nullopt;
    t.text = tool->text();
    t.room = tool->rect().adjusted(3, 3, -3, -3);
    t.ink = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                fm.size(Qt::TextShowMnemonic, t.text), t.room);
    return t;
  }
  if (auto* box = qobject_cast<QGroupBox*>(w)) {
    if (box->title().isEmpty()) return std::nullopt;
    QStyleOptionGroupBox opt;
    opt.initFrom(box);
    opt.text = box->title();
    opt.lineWidth = 1;
    opt.midLineWidth = 0;
    opt.textAlignment = box->alignment();
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    opt.features = box->isFlat() ? QStyleOptionFrame::Flat : QStyleOptionFrame::None;
    t.text = box->title();
    // The style's label rectangle is as wide as the title; the group's own edges bound it.
    t.room = box->rect();
    t.ink = style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
    t.ink.setWidth(fm.size(Qt::TextShowMnemonic, t.text).width());
    return t;
  }
  if (auto* status = qobject_cast<StatusLine*>(w)) {
    // Its message wraps over its lines; one that needs more than it has is cut.
    t.text = status->text();
    t.room = status->rect();
    t.ink = status->wholeShown() ? t.room : t.room.adjusted(0, 0, 0, 1);
    return t;
  }
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    // An edit scrolls its text sideways; its height must hold a line.
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    opt.lineWidth =
        edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
    t.text = edit->text().isEmpty() ? QStringLiteral("Xy") : edit->text();
    t.room = style->subElementRect(QStyle::SE_LineEditContents, &opt, edit)
                 .marginsRemoved(edit->textMargins());
    t.ink = QRect(t.room.left(), t.room.top() + (t.room.height() - fm.height()) / 2,
                  qMin(t.room.width(), fm.horizontalAdvance(t.text)), fm.height());
    return t;
  }
  return std::nullopt;
}

// Controls a text must not lie on (besides other texts).
bool isSolidControl(const QWidget* w) {
  if (qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
      qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
      qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractScrollArea*>(w))
    return true;
  // A line or a panel drawn as a frame; labels are frames too but are checked by their text.
  return w->metaObject() == &QFrame::staticMetaObject &&
         static_cast<const QFrame*>(w)->frameShape() != QFrame::NoFrame;
}

bool inside(const QWidget* w, const QWidget* root) {
  return !w->isHidden() && w->isVisibleTo(root);
}

// The part of `r` (in `w`'s coordinates, mapped to `root`) that `w`'s ancestors up to `root`
// let through. With `scrolling` false a scroll area's viewport cuts only in the directions it
// does not scroll (what it hides in the others, the user scrolls to).
QRect visiblePart(const QWidget* w, QRect r, const QWidget* root, bool scrolling = false) {
  bool freeX = false, freeY = false;  // past a viewport that scrolls that way
  for (const QWidget* p = w; p && p != root; p = p->parentWidget()) {
    const QWidget* parent = p->parentWidget();
    if (!parent) break;
    r.translate(p->pos());
    if (auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget());
        area && area->viewport() == parent && !scrolling) {
      // Areas here scroll up and down (some by buttons of their own instead of a bar); sideways
      // only with a bar.
      freeX = freeX || area->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
      freeY = true;
    }
    QRect bound = parent->rect();
    if (freeX) bound.setLeft(r.left()), bound.setRight(r.right());
    if (freeY) bound.setTop(r.top()), bound.setBottom(r.bottom());
    r &= bound;
  }
  return r;
}

QRect inRoot(const QWidget* w, const QRect& r, const QWidget* root) {
  return QRect(w->mapTo(root, r.topLeft()), r.size());
}

QString sizeText(const QSize& s) {
  return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
}

// All problems of one window (or a scrolled pane, as its own root).
QStringList problemsOf(QWidget* root, const QString& tag) {
  QStringList problems;
  QList<QWidget*> all = root->findChildren<QWidget*>();
  all.prepend(root);
  struct Placed {
    QWidget* w;
    QRect ink;
    QString text;
  };
  QList<Placed> texts;
  QList<QWidget*> solids;
  for (QWidget* w : all) {
    if (w != root && !inside(w, root)) continue;
    if (w != root && isSolidControl(w)) solids << w;
    const std::optional<TextPlace> t = placeOf(w);
    if (!t) continue;
    const QString who = QStringLiteral("%1 %2 \"%3\"").arg(tag, nameOf(w), t->text);
    if (!t->room.contains(t->ink))
      problems << QStringLiteral("%1: text needs %2, has %3 of room")
                      .arg(who, sizeText(t->ink.size()), sizeText(t->room.size()));
    const QRect shown = visiblePart(w, t->ink.intersected(t->room), root);
    const QRect whole = inRoot(w, t->ink.intersected(t->room), root);
    if (shown != whole && !visiblePart(w, w->rect(), root).isEmpty())
      problems << QStringLiteral("%1: cut off by its window or a panel (%2 of %3 shown)")
                      .arg(who, sizeText(shown.size()), sizeText(whole.size()));
    // A control wholly outside the window is out of sight on purpose (the closed option panel).
    if (visiblePart(w, w->rect(), root).isEmpty()) continue;
    texts << Placed{w, visiblePart(w, t->ink.intersected(t->room), root, true), t->text};
  }
  auto related = [](const QWidget* a, const QWidget* b) {
    return a == b || a->isAncestorOf(b) || b->isAncestorOf(a);
  };
  for (qsizetype i = 0; i < texts.size(); ++i) {
    for (qsizetype j = i + 1; j < texts.size(); ++j)
      if (!related(texts[i].w, texts[j].w) && texts[i].ink.intersects(texts[j].ink))
        problems << QStringLiteral("%1 %2 \"%3\" lies on %4 \"%5\"")
                        .arg(tag, nameOf(texts[i].w), texts[i].text, nameOf(texts[j].w),
                             texts[j].text);
    for (QWidget* s : solids) {
      if (related(texts[i].w, s)) continue;
      // Radio buttons of one group box sit in it; a text inside a frame is the frame's content.
      if (s->isAncestorOf(texts[i].w)) continue;
      const QRect r = visiblePart(s, s->rect(), root, true);
      if (r.intersects(texts[i].ink))
        problems << QStringLiteral("%1 %2 \"%3\" lies on %4")
                        .arg(tag, nameOf(texts[i].w), texts[i].text, nameOf(s));
    }
  }
  return problems;
}

}  // namespace

class TestFit : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void everyWindowFits_data();
  void everyWindowFits();
  void cleanupTestCase();

 private:
  void check(QWidget* w, const QString& name, QWidget* root = nullptr);
  // A text an edit must show whole (it would scroll otherwise, hiding its end).
  void checkWhole(QLineEdit* edit, const QString& text);
  QStringList problems_;
  QString language_;
  int points_ = 0;
  QString shots_;
  QFont appFont_;
};

void TestFit::initTestCase() {
  // Nothing here may wait for a person.
  Prompts::Test().active = true;
  appFont_ = QApplication::font();
  shots_ = qEnvironmentVariable("PACKHELM_SHOTS");
  if (!shots_.isEmpty()) QDir().mkpath(shots_);
}

void TestFit::cleanupTestCase() {
  QApplication::setFont(appFont_);
}

void TestFit::everyWindowFits_data() {
  QTest::addColumn<QByteArray>("language");
  QTest::addColumn<int>("points");
  const QByteArray langDir = QFile::encodeName(QStringLiteral(PACKHELM_LANG_SOURCE_DIR));
  QList<QByteArray> names, english, files;
  LanguageFiles::ListLanguages(langDir, names, english, files);
  QVERIFY(english.size() >= 3);
  for (const QByteArray& lang : english)
    for (int points : {8, 10, 12})
      QTest::newRow(qPrintable(QStringLiteral("%1 %2pt").arg(QString::fromUtf8(lang)).arg(points)))
          << lang << points;
}

// Shows `w`, collects what does not fit and, when asked for, saves its picture.
void TestFit::check(QWidget* w, const QString& name, QWidget* root) {
  w->show();
  Settle();
  const qreal scale = qApp->devicePixelRatio();
  const QString tag =
      QStringLiteral("%1 %2pt x%3 %4").arg(language_).arg(points_).arg(scale).arg(name);
  problems_ << problemsOf(root ? root : w, tag);
  if (!shots_.isEmpty()) {
    const QString file = QStringLiteral("%1/%2-%3pt-x%4-%5.png")
                             .arg(shots_, language_)
                             .arg(points_)
                             .arg(scale)
                             .arg(name);
    QVERIFY2((root ? root : w)->grab().save(file), qPrintable(file));
  }
}

void TestFit::checkWhole(QLineEdit* edit, const QString& text) {
  QStyleOptionFrame opt;
  opt.initFrom(edit);
  opt.lineWidth =
      edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
  const QRect room = edit->style()
                         ->subElementRect(QStyle::SE_LineEditContents, &opt, edit)
                         .marginsRemoved(edit->textMargins());
  // The edit keeps a small margin of its own beside the text.
  const int need = edit->fontMetrics().horizontalAdvance(text) + 4;
  if (need > room.width())
    problems_ << QStringLiteral("%1 %2pt FormMain.%3: \"%4\" needs %5 pixels, has %6")
                     .arg(language_)
                     .arg(points_)
                     .arg(edit->objectName(), text)
                     .arg(need)
                     .arg(room.width());
}

void TestFit::everyWindowFits() {
  QFETCH(QByteArray, language);
  QFETCH(int, points);
  language_ = QString::fromUtf8(language);
  points_ = points;
  problems_.clear();
  QFont font = appFont_;
  font.setPointSize(points);
  QApplication::setFont(font);

  // Fresh windows for every font, as a program started on a desktop with that font gets them.
  TestProgram prog(true, false);
  AppContext& ctx = prog.ctx;
  ctx.state.opt.LangName = language;

  // The chooser applies the language under its cursor to every window.
  auto* list = ctx.formChooseLang()->findChild<QListWidget*>(QStringLiteral("ComboBox1"));
  QVERIFY(list);
  ctx.formChooseLang()->show();
  Settle();
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text().endsWith('(' + language_ + ')')) list->setCurrentRow(i);
  check(ctx.formChooseLang(), QStringLiteral("FormChooseLang"));
  ctx.formChooseLang()->hide();
  // The numbered texts the chooser collected, as closing it hands them on.
  ctx.state.LangTexts = ctx.formChooseLang()->Texts;

  TFormMain* main = ctx.FormMain;
  ctx.state.FileList = {prog.dir.makeFile("program.exe", 345678)};
  main->SetLanguage();
  check(main, QStringLiteral("FormMain-closed"));

  ctx.state.FileList = {prog.dir.makeFile("first.exe", 2345678),
                        prog.dir.makeFile("second.dll", 123456)};
  main->FillText();
  main->findChild<QSlider*>(QStringLiteral("CompressValueBar"))->setValue(1);
  main->PanelFirstShow = true;
  main->findChild<QToolButton*>(QStringLiteral("SpeedButtonAddOpt"))->setChecked(true);
  main->SpeedButtonAddOptClick();
  main->Timer1Timer();
  check(main, QStringLiteral("FormMain-open"));
  // The level caption changes with the slider; the window keeps its size meanwhile.
  auto* slider = main->findChild<QSlider*>(QStringLiteral("CompressValueBar"));
  const QSize opened = main->size();
  for (int position = slider->minimum(); position <= slider->maximum(); ++position) {
    slider->setValue(position);
    Settle();
    if (main->size() != opened)
      problems_ << QStringLiteral("%1 %2pt FormMain: %3x%4 with the slider at %5, %6x%7 before")
                       .arg(language_)
                       .arg(points_)
                       .arg(main->width())
                       .arg(main->height())
                       .arg(position)
                       .arg(opened.width())
                       .arg(opened.height());
  }

  // A selection from folders: the box gives its figures whole, for large ones too, and the status
  // line the search while it runs.
  const QByteArray folder = prog.dir.path() + "tools";
  QVERIFY(QDir().mkpath(QFile::decodeName(folder)));
  for (const char* name : {"/one", "/two"}) {
    QFile f(QFile::decodeName(folder + name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\x7f"
                       "ELF") +
            QByteArray(70000, 'e'));
  }
  auto* fileBox = main->findChild<QLineEdit*>(QStringLiteral("EditFileName"));
  auto* status = main->findChild<QLineEdit*>(QStringLiteral("EditStatus"));
  main->WMDropFiles({folder, prog.dir.makeFile("third.exe", 3456)});
  checkWhole(status, status->text());
  QTRY_VERIFY(SelectionKnown(main));
  checkWhole(fileBox, fileBox->text());
  // 10,000 files from 100 folders, 100 of them given directly.
  checkWhole(fileBox, ctx.state
                          .langText(LangText::FilesFromFoldersMixed, QStringLiteral("10000"),
                                    QStringLiteral("100"))
                          .replace(QLatin1String("%3"), QStringLiteral("100")));
  checkWhole(fileBox, ctx.state.langText(LangText::FilesFromFolders, QStringLiteral("10000"),
                                         QStringLiteral("100")));
  check(main, QStringLiteral("FormMain-folders"));

  // The status line gives each of the program's own messages whole, the window growing with it
  // (a message that holds a file's name may need more room than it has).
  const auto said = [&](LangText n, const QStringList& values = {}) {
    QString text = ctx.state.langText(n);
    for (const QString& v : values) text = text.arg(v);
    return text;
  };
  const QString removed = u' ' + said(LangText::StatusRemoved, {QStringLiteral("12")});
  const QStringList figures{QStringLiteral("9999"), QStringLiteral("10000"), QStringLiteral("1")};
  const QStringList messages{
      said(LangText::StatusReady), said(LangText::StatusDone), said(LangText::StatusError),
      said(LangText::StatusWarning), said(LangText::NamesNotSaved),
      said(LangText::StatusStopped) + removed,
      said(LangText::StatusSignal, {QStringLiteral("SIGKILL")}) + removed,
      said(LangText::StatusExitCode, {QStringLiteral("127")}), said(LangText::StatusSearching),
      said(LangText::ResultsPacked, figures), said(LangText::ResultsUnpacked, figures),
      said(LangText::ResultsTested, figures),
      said(LangText::MethodWon, {"nrv2e", "12345678", "12.5", "LZMA"}),
      said(LangText::MethodAlone, {"LZMA", "12345678"}),
      // The longest: both with their filters.
      said(LangText::MethodWon, {said(LangText::MethodWithFilter, {"nrv2e", "0x26"}), "12345678",
                                 "12.5", said(LangText::MethodWithFilter, {"lzma", "0x49"})})};
  for (const QString& message : messages) {
    main->showExitStatus(message);
    Settle();
    const QRect line(status->mapTo(main, QPoint()), status->size());
    if (!static_cast<StatusLine*>(status)->wholeShown() ||
        visiblePart(status, status->rect(), main) != line)
      problems_ << QStringLiteral("%1 %2pt FormMain.EditStatus: \"%3\" not whole in %4x%5")
                       .arg(language_)
                       .arg(points_)
                       .arg(message)
                       .arg(status->width())
                       .arg(status->height());
  }
  main->showExitStatus(said(LangText::StatusError));
  check(main, QStringLiteral("FormMain-status"));

  check(ctx.formOpt(), QStringLiteral("FormOpt"));
  if (auto* pane = ctx.formOpt()->findChild<QWidget*>(QStringLiteral("ScrollBox1Pane")))
    check(ctx.formOpt(), QStringLiteral("FormOpt-pane"), pane);
  ctx.formOpt()->hide();
  // The results of a job with a name as long as a file system allows and refusals.
  using FileResults::Outcome;
  ctx.formResults()->setRows(
      {{"/home/user/" + QByteArray(250, 'n') + "/tool", 123456, 45678, Outcome::Packed, {}},
       {"/home/user/already", 2000, 2000, Outcome::AlreadyPacked,
        "AlreadyPackedException: already packed by UPX"},
       {"/home/user/text", 300, 300, Outcome::Unsupported, "UnknownExecutableFormatException"}});
  for (QWidget* w : QList<QWidget*>{ctx.formAbout(), ctx.formVersHist(), ctx.formIntegration(),
                                    ctx.formFTSC(), ctx.formResults()}) {
    check(w, w->objectName());
    w->hide();
  }
  ctx.formEditExec()->setWindowTitle(ctx.state.langText(LangText::EditorCaption));
  check(ctx.formEditExec(), QStringLiteral("FormEditExec"));
  ctx.formEditExec()->hide();

  // The console, with a full line of output.
  ScreenModel screen;
  screen.writeConsoleText(QByteArray(80, 'M'));
  ConsoleWindow console(&screen);
  check(&console, QStringLiteral("ConsoleWindow"));
  ConsoleView* view = console.view();
  if (view->visibleRows() != 25)
    problems_ << QStringLiteral("%1 %2pt console: %3 rows in sight, not 25")
                     .arg(language_)
                     .arg(points_)
                     .arg(view->visibleRows());
  if (view->columnX(80) > view->viewport()->width())
    problems_ << QStringLiteral("%1 %2pt console: 80 columns need %3 pixels, the view has %4")
                     .arg(language_)
                     .arg(points_)
                     .arg(view->columnX(80))
                     .arg(view->viewport()->width());
  console.hide();
  main->hide();

  // Each problem on a line of its own (a failure message of QTest is cut after some length).
  for (const QString& p : std::as_const(problems_)) qWarning("%s", qPrintable(p));
  QVERIFY2(problems_.isEmpty(), qPrintable(QStringLiteral("%1 problems, listed above, first: %2")
                                               .arg(problems_.size())
                                               .arg(problems_.value(0))));
}

QTEST_MAIN(TestFit)
#include "test_fit.moc"
