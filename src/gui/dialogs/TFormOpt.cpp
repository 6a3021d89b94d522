// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/TFormOpt.h"

#include <QAbstractItemView>
#include <QGroupBox>
#include <QHash>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTimer>

#include "core/batch/RunGroups.h"
#include "core/i18n/LanguageFiles.h"
#include "core/settings/OptionsLogic.h"
#include "core/settings/ProgramState.h"
#include "gui/widgets/Placement.h"
#include "ui_TFormOpt.h"

namespace {

constexpr int ClientWidth = 337;
constexpr int ClientHeight = 432;
constexpr int PaneWidth = 337;  // the pane's designed width

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

  QPalette hintsPalette = ui->CheckBoxShowHints->palette();
  hintsPalette.setColor(QPalette::Window, QColor(0, 126, 255));
  ui->CheckBoxShowHints->setPalette(hintsPalette);
  ui->CheckBoxShowHints->setAutoFillBackground(true);
  ui->CmdLinesMaxLabel->setWordWrap(true);
  ui->PackerRunsLabel->setWordWrap(true);
  ui->PackerRunsLabel->setBuddy(ui->SpinEditRuns);
  // More runs than cores would only make each slower.
  ui->SpinEditRuns->setMaximum(RunGroups::MaxRuns());
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
// above it needs more room for its texts, and widens the pane, its controls and the window when a
// caption needs more width than designed, so that no caption of any language or font is clipped.
void TFormOpt::arrangePane() {
  struct Row {
    QWidget* w;
    int left;
    int top;
    int width;
    int height;
  };
  // As designed; all but the spin box keep their distance to the pane's right edge.
  const Row rows[] = {
      {ui->CheckBoxFastShow, 8, 8, 321, 17},
      {ui->LabelLanguage, 8, 32, 321, 13},
      {ui->ComboBox1, 40, 48, 273, 81},
      {ui->RadioGroupDrag, 8, 136, 321, 65},
      {ui->RadioGroupPri, 8, 208, 321, 65},
      {ui->GroupBoxCon, 8, 280, 321, 89},
      {ui->RadioGroupStayOnTop, 8, 376, 321, 73},
      {ui->CheckBoxShowHints, 40, 454, 281, 32},
      {ui->SpinEdit1, 8, 501, 49, 22},
  };
  auto rightMargin = [](const Row& r) { return PaneWidth - r.left - r.width; };

  // The buttons below the pane, each as wide as designed or as its caption needs; as designed,
  // each overlaps the one before by a pixel.
  QPushButton* buttons[] = {ui->ButtonApply, ui->ButtonReset, ui->ButtonClose};
  const int designedWidths[] = {113, 105, 105};
  int buttonWidths[3];
  int buttonHeight = 25, rowWidth = -2;
  for (int i = 0; i < 3; ++i) {
    buttonWidths[i] = qMax(designedWidths[i], buttons[i]->sizeHint().width());
    buttonHeight = qMax(buttonHeight, buttons[i]->sizeHint().height());
    rowWidth += buttonWidths[i];
  }

  // The width: the designed one, or what the buttons or the widest caption of a group need.
  int width = qMax(ClientWidth, 8 + rowWidth + 8);
  for (const Row& r : rows)
    if (qobject_cast<QGroupBox*>(r.w))
      width = qMax(width, r.left + r.w->minimumSizeHint().width() + rightMargin(r));

  int shift = 0;
  int prevDesignedBottom = 0, prevBottom = 0;
  for (const Row& r : rows) {
    const int gap = r.top - prevDesignedBottom;
    const int top = qMax(r.top + shift, prevBottom + qMax(gap, 2));
    shift = top - r.top;
    const int w = r.w == ui->SpinEdit1 ? qMax(r.width, r.w->sizeHint().width())
                                       : width - r.left - rightMargin(r);
    r.w->resize(w, r.w->height());
    const int h = NeededHeight(r.w, r.height);
    r.w->setGeometry(r.left, top, w, h);
    prevDesignedBottom = r.top + r.height;
    prevBottom = top + h;
  }
  // Each spin box with its label beside it, wrapped within the pane; the second pair goes below
  // the taller of the first.
  ui->SpinEditRuns->setGeometry(ui->SpinEdit1->x(), 0, ui->SpinEdit1->width(),
                                NeededHeight(ui->SpinEditRuns, 22));
  const int labelLeft = ui->SpinEdit1->geometry().right() + 8;
  int pairTop = ui->SpinEdit1->y();
  for (auto [spin, label] : {std::pair{ui->SpinEdit1, ui->CmdLinesMaxLabel},
                             std::pair{ui->SpinEditRuns, ui->PackerRunsLabel}}) {
    spin->move(spin->x(), pairTop);
    label->resize(width - 8 - labelLeft, label->height());
    label->setGeometry(labelLeft, pairTop + 4, width - 8 - labelLeft, NeededHeight(label, 13));
    pairTop = qMax(spin->geometry().bottom(), label->geometry().bottom()) + 7;
  }
  // Each band stays behind its group, as wide as the pane, in the designed proportion to it.
  const struct {
    QLabel* band;
    const Row& anchor;
    int top;
    int height;
  } bands[] = {
      {ui->Image1, rows[2], 52, 70},   {ui->Image2, rows[3], 150, 48},
      {ui->FlashI5, rows[4], 222, 48}, {ui->FlashI3, rows[5], 294, 48},
      {ui->FlashI4, rows[6], 389, 48}, {ui->FlashI6, rows[7], 446, 48},
  };
  for (const auto& b : bands) {
    const QWidget* a = b.anchor.w;
    const double scale = double(a->height()) / b.anchor.height;
    const int h = int(b.height * scale + 0.5);
    if (b.band->size() != QSize(width, h)) {
      b.band->resize(width, h);
      b.band->setPixmap(BandPicture(width, h));
    }
    b.band->move(0, a->y() + int((b.top - b.anchor.top) * scale + 0.5));
  }
  const int bottom =
      qMax(ui->SpinEditRuns->geometry().bottom(), ui->PackerRunsLabel->geometry().bottom()) + 1 + 8;
  ui->ScrollBox1Pane->resize(width, bottom);

  // The window around the pane: the arrow strips, the pane's area (its scroll bar kept out of
  // sight beyond the right edge) and the buttons.
  ui->SpeedButton1->setGeometry(8, 0, width - 16, 23);
  ui->ScrollBox1->setGeometry(0, 24, width + 24, 345);
  ui->SpeedButton2->setGeometry(8, 370, width - 16, 23);
  int x = width - 8 - rowWidth;
  for (int i = 0; i < 3; ++i) {
    buttons[i]->setGeometry(x, 400, buttonWidths[i], buttonHeight);
    x += buttonWidths[i] - 1;
  }
  setFixedSize(width, 400 + buttonHeight + ClientHeight - 425);
}

void TFormOpt::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    FormShow();
    Placement::CentreOn(this, Placement::MainWindow());
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
  ui->SpinEditRuns->setValue(int(RunGroups::Clamp(o.GlobalOpt_PackerRuns)));

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
  const int runs = ui->SpinEditRuns->cleanText().trimmed().toInt(&ok);
  o.GlobalOpt_PackerRuns = RunGroups::Clamp(quint32(ok ? qMax(runs, 1) : 1));
  ui->SpinEditRuns->setValue(int(o.GlobalOpt_PackerRuns));

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
