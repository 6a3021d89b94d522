// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's option panel: packing options, their coupling, the presets, the slide, and
// the captions that depend on the language.
#include <QFile>
#include <QTimer>

#include "core/settings/ProgramState.h"
#include "gui/main/MethodChoice.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Fitting.h"
#include "gui/widgets/PanelSlideLayout.h"
#include "gui/widgets/Placement.h"
#include "gui/widgets/SettingControls.h"
#include "gui/widgets/TMultiHint.h"
#include "ui_TFormMain.h"

PackOptions TFormMain::packOptions() const {
  PackOptions o;
  SettingControls::take(this, o);
  // The selected file's own bytes while the box shows it (a name that is not UTF-8 included), so
  // that it compares equal to the output name's bytes.
  const QString shown = ui->EditFileName->text();
  const QList<QByteArray>& files = state_.FileList;
  // A single file found in a folder: the box shows the figures, the name is the file's.
  o.EditFileName =
      files.size() == 1 && (QFile::decodeName(files[0]) == shown || selectionFromFolders())
          ? files[0]
          : QFile::encodeName(shown);
  o.EditOutFile = outFileBytes();
  return o;
}

// --- coupling ---

void TFormMain::Compress1CheckBoxClick() {
  ui->CompressValueBar1->setEnabled(ui->Compress1CheckBox->isChecked());
}

void TFormMain::CheckBoxTryMultiClick() {
  methods_->update();
}

// Reset and the preset set the same controls in the table's order. Each value goes through the
// control's own setter, so a coupling rule or the caption runs only where a state really changes.
void TFormMain::setOptionControls(const PackOptions& o) {
  SettingControls::show(this, o);
}

void TFormMain::ButtonResetClick() {
  setOptionControls(PackOptions());
}

void TFormMain::ButtonMaxClick() {
  setOptionControls(BestPackOptions());
}

// --- the option panel's slide ---

void TFormMain::setClientWidth(int width) {
  // The layout sizes the window: the column as its texts need, plus this much of the panel.
  auto* slide = static_cast<PanelSlideLayout*>(layout());
  slide->setShownWidth(width - (ui->SpeedButtonAddOpt->geometry().right() + 1));
  slide->activate();
}

void TFormMain::updateAddOptArrow() {
  // Until a language gives the button a caption, an arrow shows which way the panel goes.
  QToolButton* b = ui->SpeedButtonAddOpt;
  if (!b->text().isEmpty())
    b->setArrowType(Qt::NoArrow);
  else
    b->setArrowType(b->isChecked() ? Qt::LeftArrow : Qt::RightArrow);
}

void TFormMain::SpeedButtonAddOptClick() {
  const int right = ui->SpeedButtonAddOpt->geometry().right() + 1;
  panelLow_ = 0;
  panelHigh_ = ui->OptPanel->width() + 1;
  const int stride = state_.opt.GlobalOpt_FastOpen ? 10000 : 100;
  const bool show = ui->SpeedButtonAddOpt->isChecked();
  panelStep_ = show ? stride : -stride;
  const int target = show ? panelHigh_ : panelLow_;
  if (right + target != width()) Timer1->start();
}

void TFormMain::Timer1Timer() {
  panelCurrent_ += panelStep_;
  if (PanelFirstShow) {
    panelCurrent_ += 100 * panelStep_;
    Timer1->stop();
  }
  if (panelCurrent_ >= panelHigh_) {
    panelCurrent_ = panelHigh_;
    Timer1->stop();
  }
  if (panelCurrent_ <= panelLow_) {
    panelCurrent_ = panelLow_;
    Timer1->stop();
  }
  PanelFirstShow = false;
  setClientWidth(ui->SpeedButtonAddOpt->geometry().right() + 1 + panelCurrent_);
}

// --- language-dependent captions ---

void TFormMain::CompressValueBarChange() {
  const int p = ui->CompressValueBar->value();
  const QString word = state_.langText(LangText::CompressionCaption);
  auto caption = [&word](int position) {
    return position == 1
               ? ' ' + word + QStringLiteral(" = Best ")
               : ' ' + word + QStringLiteral(" = ") + QString::number(11 - position) + ' ';
  };
  if (p >= 1 && p <= 10) ui->CompressValueBox->setTitle(caption(p));
  // As wide as the widest caption, so that the window keeps its size while the slider moves.
  QStringList all;
  for (int position = 1; position <= 10; ++position) all << caption(position);
  ui->CompressValueBox->setMinimumWidth(GroupWidthForTitles(ui->CompressValueBox, all));
}

void TFormMain::SetLanguage() {
  const GlobalOptions& opt = state_.opt;
  MultiHint1->setHintsShown(this, opt.GlobalOpt_ShowHints);

  if (opt.stayOnTop() == StayOnTop::Always || opt.stayOnTop() == StayOnTop::ExceptDuringRun) {
    Placement::SetTopmost(this, true);
    emit stayOnTopChanged(true);
  } else if (opt.stayOnTop() == StayOnTop::Never) {
    Placement::SetTopmost(this, false);
    emit stayOnTopChanged(false);
  }

  updateAddOptArrow();
  CompressValueBarChange();
  setStatus(state_.langText(LangText::StatusReady));
  FillText();
  emit languageApplied();

  int right = 0;
  for (QLabel* l : {ui->LabelSize1, ui->LabelSize2, ui->LabelRatio}) {
    l->adjustSize();
    right = qMax(right, l->x() + l->width());
  }
  for (QLabel* l : {ui->LabelF1, ui->LabelF2, ui->LabelF3}) {
    l->move(right + 8, l->y());
    l->adjustSize();
  }
}
