// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/MethodChoice.h"

#include <QAbstractButton>
#include <QCheckBox>

#include "core/settings/ProgramState.h"

MethodChoice::MethodChoice(const ProgramState& state, QCheckBox* use,
                           QList<QAbstractButton*> choices, QObject* parent)
    : QObject(parent), state_(state), use_(use), choices_(std::move(choices)) {
  Q_ASSERT(choices_.size() == qsizetype(Methods::Table.size()));
  added_.resize(choices_.size());
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
  }
}
