// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/TFormOpt.h"

#include <QAbstractItemView>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "core/i18n/LanguageFiles.h"
#include "core/settings/OptionsLogic.h"
#include "core/settings/ProgramState.h"
#include "gui/widgets/Placement.h"
#include "gui/widgets/SettingControls.h"
#include "ui_TFormOpt.h"

namespace {

constexpr int ClientWidth = 337;
constexpr int ClientHeight = 432;

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

// The pane's layout places its controls; the pane takes the designed width, or what the widest
// caption or the buttons need, and the height its layout needs for that width, so that no caption
// of any language or font is clipped. The window follows the pane.
void TFormOpt::arrangePane() {
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

  QWidget* pane = ui->ScrollBox1Pane;
  QLayout* layout = pane->layout();
  // Captions may have changed since the last pass: every nested layout forgets its sizes.
  layout->invalidate();
  layout->activate();
  const int width = std::max({ClientWidth, 8 + rowWidth + 8, layout->minimumSize().width()});
  pane->resize(width, layout->hasHeightForWidth() ? layout->totalHeightForWidth(width)
                                                  : layout->sizeHint().height());
  layout->setGeometry(pane->rect());
  placeBands();

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

// Each band lies behind the control its form names, as wide as the pane, from its top inset below
// the control's top to its bottom inset above the control's bottom.
void TFormOpt::placeBands() {
  QWidget* pane = ui->ScrollBox1Pane;
  for (QLabel* band : pane->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    const QString anchorName = band->property("anchor").toString();
    const QWidget* anchor = pane->findChild<QWidget*>(anchorName);
    if (anchorName.isEmpty() || !anchor) continue;
    const QPoint top = anchor->mapTo(pane, QPoint(0, 0));
    const int y = top.y() + band->property("insetTop").toInt();
    const int h = anchor->height() - band->property("insetTop").toInt() -
                  band->property("insetBottom").toInt();
    if (band->size() != QSize(pane->width(), h)) {
      band->resize(pane->width(), h);
      band->setPixmap(BandPicture(pane->width(), h));
    }
    band->move(0, y);
  }
}

void TFormOpt::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    FormShow();
    Placement::CentreOn(this, Placement::MainWindow());
  }
  QDialog::showEvent(event);
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

  SettingControls::show(this, o);

  arrangePane();
}

void TFormOpt::ButtonApplyClick() {
  GlobalOptions& o = state_.opt;
  const int row = ui->ComboBox1->currentRow();
  const bool languageSelected = ui->ComboBox1->isEnabled() && row >= 0 &&
                                row < englishNames_.size() &&
                                ui->ComboBox1->item(row)->isSelected();
  if (languageSelected) o.LangName = englishNames_[row];

  // Every control's value, and back into the controls as stored (a spin box's text that was no
  // number shows the number taken).
  SettingControls::take(this, o);
  SettingControls::show(this, o);

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
