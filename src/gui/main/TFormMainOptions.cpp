// The main window's option panel: packing options, their coupling, the presets, the slide, and
// the captions that depend on the language.
#include <QFile>
#include <QTimer>
#include <QWindow>

#include "gui/dialogs/TFormAbout.h"
#include "gui/dialogs/TFormOpt.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/TMultiHint.h"
#include "ui_TFormMain.h"

PackOptions TFormMain::packOptions() const {
  PackOptions o;
  o.CompressValueBar = ui->CompressValueBar->value();
  o.Compress1CheckBox = ui->Compress1CheckBox->isChecked();
  o.CompressValueBar1 = ui->CompressValueBar1->value();
  o.CheckBoxTryMulti = ui->CheckBoxTryMulti->isChecked();
  o.RadioButton_nrv2b = ui->RadioButton_nrv2b->isChecked();
  o.RadioButton_nrv2d = ui->RadioButton_nrv2d->isChecked();
  o.BackupBox = ui->BackupBox->isChecked();
  o.OverlayGroup = ui->OverlayGroup->itemIndex();
  o.OptBoxDOS1 = ui->OptBoxDOS1->isChecked();
  o.OptBoxDOS2 = ui->OptBoxDOS2->isChecked();
  o.ExportsGroup = ui->ExportsGroup->itemIndex();
  o.IconsGroup = ui->IconsGroup->itemIndex();
  o.ResourcesBox = ui->ResourcesBox->isChecked();
  o.CheckBoxForce = ui->CheckBoxForce->isChecked();
  o.RelocationsGroup = ui->RelocationsGroup->itemIndex();
  o.CheckBoxCoff = ui->CheckBoxCoff->isChecked();
  o.CheckBoxLe = ui->CheckBoxLe->isChecked();
  o.OutFileBox = ui->OutFileBox->isChecked();
  o.ReplaceIfExistsCheckBox = ui->ReplaceIfExistsCheckBox->isChecked();
  // The selected file's own bytes while the box shows it (a name that is not UTF-8 included), so
  // that it compares equal to the output name's bytes.
  const QString shown = ui->EditFileName->text();
  const QList<QByteArray>& files = ctx_.state.FileList;
  o.EditFileName = files.size() == 1 && QFile::decodeName(files[0]) == shown
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
  const bool on = ui->CheckBoxTryMulti->isChecked();
  ui->RadioButton_nrv2b->setEnabled(on);
  ui->RadioButton_nrv2d->setEnabled(on);
}

// Reset and the preset set the same controls in the same order. Each value goes through the
// control's own setter, so a coupling rule or the caption runs only where a state really changes.
void TFormMain::setOptionControls(const PackOptions& o) {
  ui->CompressValueBar->setValue(o.CompressValueBar);
  ui->BackupBox->setChecked(o.BackupBox);
  ui->OutFileBox->setChecked(o.OutFileBox);
  ui->ReplaceIfExistsCheckBox->setChecked(o.ReplaceIfExistsCheckBox);
  ui->OverlayGroup->setItemIndex(o.OverlayGroup);
  ui->OptBoxDOS1->setChecked(o.OptBoxDOS1);
  ui->OptBoxDOS2->setChecked(o.OptBoxDOS2);
  ui->ExportsGroup->setItemIndex(o.ExportsGroup);
  ui->IconsGroup->setItemIndex(o.IconsGroup);
  ui->ResourcesBox->setChecked(o.ResourcesBox);
  ui->CheckBoxForce->setChecked(o.CheckBoxForce);
  ui->RelocationsGroup->setItemIndex(o.RelocationsGroup);
  ui->Compress1CheckBox->setChecked(o.Compress1CheckBox);
  ui->CompressValueBar1->setValue(o.CompressValueBar1);
  ui->CheckBoxCoff->setChecked(o.CheckBoxCoff);
  ui->CheckBoxLe->setChecked(o.CheckBoxLe);
  ui->CheckBoxTryMulti->setChecked(o.CheckBoxTryMulti);
  // Selecting one method clears the other.
  if (o.RadioButton_nrv2b)
    ui->RadioButton_nrv2b->setChecked(true);
  else if (o.RadioButton_nrv2d)
    ui->RadioButton_nrv2d->setChecked(true);
}

void TFormMain::ButtonResetClick() {
  PackOptions o;  // the defaults
  o.CompressValueBar1 = ui->CompressValueBar1->maximum();
  o.RadioButton_nrv2b = true;
  setOptionControls(o);
  ui->RadioButton_nrv2b->setEnabled(false);
  ui->RadioButton_nrv2d->setEnabled(false);
}

void TFormMain::ButtonMaxClick() {
  PackOptions o;  // everything else as the defaults leave it
  o.CompressValueBar = 1;
  o.Compress1CheckBox = true;
  o.CompressValueBar1 = ui->CompressValueBar1->minimum();
  o.CheckBoxTryMulti = true;
  o.RadioButton_nrv2b = false;
  o.RadioButton_nrv2d = true;
  setOptionControls(o);
}

// --- the option panel's slide ---

void TFormMain::setClientWidth(int width) {
  setFixedSize(width, 393);
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
  const int stride = ctx_.state.opt.GlobalOpt_FastOpen ? 10000 : 100;
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
  const QString word = ctx_.state.langText(LangText::CompressionCaption);
  if (p == 1)
    ui->CompressValueBox->setTitle(' ' + word + QStringLiteral(" = Best "));
  else if (p >= 2 && p <= 10)
    ui->CompressValueBox->setTitle(' ' + word + QStringLiteral(" = ") + QString::number(11 - p) +
                                   ' ');
}

void TFormMain::SetTopmost(QWidget* window, bool topmost) {
  if (!window) return;
  const Qt::WindowFlags flags = window->windowFlags();
  if (flags.testFlag(Qt::WindowStaysOnTopHint) == topmost) return;
  const Qt::WindowFlags wanted =
      topmost ? (flags | Qt::WindowStaysOnTopHint) : (flags & ~Qt::WindowStaysOnTopHint);
  if (QWindow* handle = window->windowHandle()) {
    // Tell the window system directly: setWindowFlags() would hide the window (and end a modal
    // dialog's exec()); the widget's own record is updated without side effects.
    window->overrideWindowFlags(wanted);
    handle->setFlags(wanted);
  } else {
    window->setWindowFlags(wanted);
  }
}

void TFormMain::SetLanguage() {
  const GlobalOptions& opt = ctx_.state.opt;
  MultiHint1->setHintsShown(this, opt.GlobalOpt_ShowHints);

  if (opt.GlobalOpt_StayOnTop == 0 || opt.GlobalOpt_StayOnTop == 1) {
    SetTopmost(this, true);
    SetTopmost(ctx_.FormOpt, true);
  } else if (opt.GlobalOpt_StayOnTop == 2) {
    SetTopmost(this, false);
    SetTopmost(ctx_.FormOpt, false);
  }

  updateAddOptArrow();
  CompressValueBarChange();
  ui->EditStatus->setText(ctx_.state.langText(LangText::StatusReady));
  FillText();
  if (ctx_.FormAbout) ctx_.FormAbout->UpdateVersionLabels();

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
