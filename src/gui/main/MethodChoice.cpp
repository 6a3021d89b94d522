// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/MethodChoice.h"

#include <QAbstractButton>
#include <QCheckBox>

#include "core/settings/ProgramState.h"
#include "core/util/HintText.h"
#include "gui/main/TFormMain.h"

MethodChoice::MethodChoice(const ProgramState& state, TFormMain* form)
    : QObject(form),
      state_(state),
      use_(form->findChild<QCheckBox*>(QStringLiteral("CheckBoxTryMulti"))) {
  for (const Methods::Info& m : Methods::Table)
    choices_.append(
        form->findChild<QAbstractButton*>(QStringLiteral("RadioButton_") + QLatin1String(m.name)));
  Q_ASSERT(use_ && !choices_.contains(nullptr));
  added_.resize(choices_.size());
  // A language sets the hints anew.
  connect(form, &TFormMain::languageApplied, this, &MethodChoice::update);
}

void MethodChoice::setPacker(const PackerCapabilities& packer) {
  packer_ = packer;
  update();
}

void MethodChoice::update() {
  const bool on = use_->isChecked();
  for (qsizetype i = 0; i < choices_.size(); ++i) {
    QAbstractButton* b = choices_[i];
    const bool offered = packer_.offers(Methods::Method(i));
    b->setEnabled(on && offered);
    // A language that set the hint since has taken the note away already.
    QString hint = b->toolTip();
    if (!added_[i].isEmpty() && hint.endsWith(added_[i])) hint.chop(added_[i].size());
    added_[i] = offered ? QString()
                        : QLatin1Char('\n') + state_.langText(LangText::MethodMissing,
                                                              QString::fromUtf8(packer_.version));
    b->setToolTip(hint + added_[i]);
    b->setAccessibleDescription(HintText::Shape(b->toolTip()));
  }
}
