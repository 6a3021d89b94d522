#include "gui/dialogs/TFormOpt.h"

#include <QAbstractItemView>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHash>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include "core/i18n/LanguageFiles.h"
#include "core/settings/OptionsLogic.h"
#include "core/settings/ProgramState.h"
#include "ui_TFormOpt.h"

namespace {

constexpr int ClientWidth = 337;
constexpr int ClientHeight = 432;
constexpr int PaneWidth = 337;

QPixmap ArrowPicture(bool up) {
  const QSize size(321, 21);
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const double cx = size.width() / 2.0;
  const double top = 4, bottom = size.height() - 4, half = 70;
  QPainterPath path;
  if (up) {
    path.moveTo(cx - half, bottom);
    path.lineTo(cx, top);
    path.lineTo(cx + half, bottom);
  } else {
    path.moveTo(cx - half, top);
    path.lineTo(cx, bottom);
    path.lineTo(cx + half, top);
  }
  path.closeSubpath();
  p.fillPath(path, QColor(0, 126, 255));
  return pm;
}

// A blue band fading to the right, with a darker mark at its left end, left of the controls.
QPixmap BandPicture(int width, int height) {
  QPixmap pm(width, height);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  QLinearGradient g(0, 0, width, 0);
  g.setColorAt(0, QColor(0, 126, 255, 110));
  g.setColorAt(1, QColor(0, 126, 255, 10));
  p.fillRect(pm.rect(), g);
  p.fillRect(QRect(0, 0, 5, height), QColor(0, 90, 200));
  return pm;
}

int NeededHeight(const QWidget* w, int designed) {
  // A list scrolls its own rows; it keeps the designed height.
  if (qobject_cast<const QAbstractItemView*>(w)) return designed;
  const int width = w->width();
  const int need = w->hasHeightForWidth() ? w->heightForWidth(width) : w->sizeHint().height();
  return qMax(designed, need);
}

}  // namespace

TFormOpt::TFormOpt(ProgramState& state, QWidget* parent)
    : QDialog(parent), Timer1(new QTimer(this)), ui(new Ui::TFormOpt), state_(state) {
  ui->setupUi(this);
  // No system menu and so no close box: the dialog closes with its own button (or Escape).
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(ClientWidth, ClientHeight);

  QPalette hintsPalette = ui->CheckBoxShowHints->palette();
  hintsPalette.setColor(QPalette::Window, QColor(0, 126, 255));
  ui->CheckBoxShowHints->setPalette(hintsPalette);
  ui->CheckBoxShowHints->setAutoFillBackground(true);
  ui->CmdLinesMaxLabel->setWordWrap(true);
  ui->LabelLanguage->setWordWrap(true);
  ui->ComboBox1->setSelectionMode(QAbstractItemView::SingleSelection);

  makePictures();

  ui->ScrollBox1->verticalScrollBar()->setTracking(true);
  ui->ScrollBox1->verticalScrollBar()->setPageStep(40);
  for (QWidget* w :
       {static_cast<QWidget*>(ui->SpeedButton1), static_cast<QWidget*>(ui->SpeedButton2)}) {
    w->setMouseTracking(true);
    w->installEventFilter(this);
  }
  ui->ScrollBox1->viewport()->installEventFilter(this);
  ui->ScrollBox1Pane->installEventFilter(this);

  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(30);
  connect(Timer1, &QTimer::timeout, this, &TFormOpt::Timer1Timer);

  connect(ui->SpeedButton1, &QToolButton::clicked, this, &TFormOpt::SpeedButton1Click);
  connect(ui->SpeedButton2, &QToolButton::clicked, this, &TFormOpt::SpeedButton2Click);
  connect(ui->ButtonApply, &QPushButton::clicked, this, &TFormOpt::ButtonApplyClick);
  connect(ui->ButtonReset, &QPushButton::clicked, this, &TFormOpt::ButtonResetClick);
  connect(ui->ButtonClose, &QPushButton::clicked, this, &TFormOpt::ButtonCloseClick);
  connect(ui->ButtonCC, &QPushButton::clicked, this, &TFormOpt::ButtonCCClick);

  arrangePane();
}

TFormOpt::~TFormOpt() {
  delete ui;
}

void TFormOpt::makePictures() {
  ui->SpeedButton1->setIcon(ArrowPicture(true));
  ui->SpeedButton2->setIcon(ArrowPicture(false));
  ui->SpeedButton1->setIconSize(QSize(321, 21));
  ui->SpeedButton2->setIconSize(QSize(321, 21));
  for (QLabel* band :
       {ui->Image1, ui->Image2, ui->FlashI5, ui->FlashI3, ui->FlashI4, ui->FlashI6}) {
    band->setPixmap(BandPicture(band->width(), band->height()));
    band->lower();  // behind the groups
  }
}

// Keeps the designed places, but moves a control down (and everything after it) when the one
// above it needs more room for its texts, so that no caption of any language is clipped.
void TFormOpt::arrangePane() {
  struct Row {
    QWidget* w;
    int top;
    int height;
  };
  const Row rows[] = {
      {ui->CheckBoxFastShow, 8, 17},
      {ui->LabelLanguage, 32, 13},
      {ui->ComboBox1, 48, 81},
      {ui->RadioGroupDrag, 136, 65},
      {ui->RadioGroupPri, 208, 65},
      {ui->GroupBoxCon, 280, 89},
      {ui->RadioGroupStayOnTop, 376, 73},
      {ui->CheckBoxShowHints, 454, 32},
      {ui->SpinEdit1, 501, 22},
  };
  int shift = 0;
  int prevDesignedBottom = 0, prevBottom = 0;
  QHash<QWidget*, int> shiftOf;
  for (const Row& r : rows) {
    const int gap = r.top - prevDesignedBottom;
    const int top = qMax(r.top + shift, prevBottom + qMax(gap, 2));
    shift = top - r.top;
    // A group may widen up to the pane's edge for a long item.
    int w = r.w->width();
    if (qobject_cast<QGroupBox*>(r.w))
      w = qMax(321, qMin(r.w->sizeHint().width(), PaneWidth - r.w->x()));
    r.w->resize(w, r.w->height());
    const int h = NeededHeight(r.w, r.height);
    r.w->setGeometry(r.w->x(), top, w, h);
    shiftOf.insert(r.w, shift);
    prevDesignedBottom = r.top + r.height;
    prevBottom = top + h;
  }
  // The label beside the spin box, wrapped within the pane.
  const int labelHeight = NeededHeight(ui->CmdLinesMaxLabel, 13);
  ui->CmdLinesMaxLabel->setGeometry(ui->CmdLinesMaxLabel->x(), ui->SpinEdit1->y() + 4,
                                    ui->CmdLinesMaxLabel->width(), labelHeight);
  // Each band stays behind its group.
  const struct {
    QLabel* band;
    QWidget* anchor;
    int top;
  } bands[] = {
      {ui->Image1, ui->ComboBox1, 52},
      {ui->Image2, ui->RadioGroupDrag, 150},
      {ui->FlashI5, ui->RadioGroupPri, 222},
      {ui->FlashI3, ui->GroupBoxCon, 294},
      {ui->FlashI4, ui->RadioGroupStayOnTop, 389},
      {ui->FlashI6, ui->CheckBoxShowHints, 446},
  };
  for (const auto& b : bands) b.band->move(0, b.top + shiftOf.value(b.anchor));
  const int bottom = qMax(prevBottom, ui->CmdLinesMaxLabel->geometry().bottom() + 1) + 8;
  ui->ScrollBox1Pane->resize(PaneWidth, bottom);
}

void TFormOpt::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    FormShow();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      move(screen->availableGeometry().center() - rect().center());
  }
  QDialog::showEvent(event);
}

QList<std::pair<QRadioButton*, CloseCon>> TFormOpt::closeConButtons() const {
  return {{ui->RadioButton1, CloseCon::AfterEveryRun},
          {ui->RadioButton2, CloseCon::AfterSuccess},
          {ui->RadioButton3, CloseCon::Never}};
}

void TFormOpt::FormShow() {
  const GlobalOptions& o = state_.opt;
  setFixedWidth(ClientWidth);

  LanguageFiles::ListLanguages(state_.LangDir, names_, englishNames_, fileNames_);
  ui->ComboBox1->clear();
  if (names_.isEmpty()) {
    ui->ComboBox1->setEnabled(false);
  } else {
    ui->ComboBox1->setEnabled(true);
    for (qsizetype i = 0; i < names_.size(); ++i)
      ui->ComboBox1->addItem(QString::fromUtf8(names_[i] + " (" + englishNames_[i] + ")"));
    ui->ComboBox1->setCurrentRow(OptionsLogic::LanguageRowToSelect(englishNames_, o.LangName));
  }

  ui->CheckBoxFastShow->setChecked(o.GlobalOpt_FastOpen);
  ui->CheckBoxShowHints->setChecked(o.GlobalOpt_ShowHints);
  ui->RadioGroupDrag->setItemIndex(o.GlobalOpt_DragOp);

  for (const auto& [button, choice] : closeConButtons())
    if (o.closeCon() == choice) button->setChecked(true);

  const int pri = OptionsLogic::PriorityItemForClass(o.GlobalOpt_PriorityClass);
  if (pri >= 0) ui->RadioGroupPri->setItemIndex(pri);

  ui->RadioGroupStayOnTop->setItemIndex(o.GlobalOpt_StayOnTop);
  ui->SpinEdit1->setValue(int(qMin<quint32>(o.CmdLinesMax, 100)));

  arrangePane();
}

void TFormOpt::ButtonApplyClick() {
  GlobalOptions& o = state_.opt;
  o.GlobalOpt_FastOpen = ui->CheckBoxFastShow->isChecked();
  o.GlobalOpt_ShowHints = ui->CheckBoxShowHints->isChecked();

  const int row = ui->ComboBox1->currentRow();
  const bool languageSelected = ui->ComboBox1->isEnabled() && row >= 0 &&
                                row < englishNames_.size() &&
                                ui->ComboBox1->item(row)->isSelected();
  if (languageSelected) o.LangName = englishNames_[row];

  o.GlobalOpt_DragOp = ui->RadioGroupDrag->itemIndex();
  for (const auto& [button, choice] : closeConButtons())
    if (button->isChecked()) o.GlobalOpt_CloseCon = qint32(choice);
  o.GlobalOpt_PriorityClass =
      OptionsLogic::PriorityClassForItem(ui->RadioGroupPri->itemIndex(), o.GlobalOpt_PriorityClass);
  o.GlobalOpt_StayOnTop = ui->RadioGroupStayOnTop->itemIndex();

  // A text that is not a number counts as the box's minimum.
  bool ok = false;
  const int lines = ui->SpinEdit1->cleanText().trimmed().toInt(&ok);
  o.CmdLinesMax = quint32(ok ? qBound(1, lines, 100) : 1);
  ui->SpinEdit1->setValue(int(o.CmdLinesMax));

  if (languageSelected)
    emit languageChosen(fileNames_[row]);
  else
    emit preferencesChanged();
  arrangePane();
}

void TFormOpt::ButtonResetClick() {
  OptionsLogic::ResetPreferences(state_.opt);
  emit preferencesChanged();
  FormShow();
}

void TFormOpt::ButtonCloseClick() {
  reject();
}

void TFormOpt::ButtonCCClick() {
  emit closeConsoleRequested();
}

void TFormOpt::setScrollSpeed(int speed) {
  ScrollSpeed = speed;
  // The timer ticks only while there is something to move.
  if (ScrollSpeed != 0 && !Timer1->isActive())
    Timer1->start();
  else if (ScrollSpeed == 0)
    Timer1->stop();
}

void TFormOpt::Timer1Timer() {
  QScrollBar* bar = ui->ScrollBox1->verticalScrollBar();
  const int p = bar->value();
  bar->setValue(p + ScrollSpeed);
  if (bar->value() == p) setScrollSpeed(0);
}

void TFormOpt::ScrollBox1Click() {
  setScrollSpeed(0);
}

void TFormOpt::SpeedButton1Click() {
  setScrollSpeed(-10);
}

void TFormOpt::SpeedButton2Click() {
  setScrollSpeed(10);
}

void TFormOpt::SpeedButton1MouseMove() {
  if (ScrollSpeed != -10) setScrollSpeed(-2);
}

void TFormOpt::SpeedButton2MouseMove() {
  if (ScrollSpeed != 10) setScrollSpeed(2);
}

bool TFormOpt::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) {
    if (watched == ui->SpeedButton1) SpeedButton1MouseMove();
    if (watched == ui->SpeedButton2) SpeedButton2MouseMove();
  } else if (event->type() == QEvent::MouseButtonRelease &&
             (watched == ui->ScrollBox1->viewport() || watched == ui->ScrollBox1Pane)) {
    ScrollBox1Click();
  }
  return QDialog::eventFilter(watched, event);
}
