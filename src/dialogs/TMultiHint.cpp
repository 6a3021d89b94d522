#include "dialogs/TMultiHint.h"

#include <QWidget>

TMultiHint::TMultiHint(QObject* owner) : QObject(owner) {
  setObjectName(QStringLiteral("MultiHint1"));
}
TMultiHint::~TMultiHint() = default;

void TMultiHint::setHintsShown(QWidget* window, bool shown) {
  if (shown)
    hintsOff_.remove(window);
  else
    hintsOff_.insert(window);
}

void TMultiHint::setAlwaysShowHint(QWidget* control) {
  alwaysShown_.insert(control);
}

bool TMultiHint::eventFilter(QObject* watched, QEvent* event) {
  return QObject::eventFilter(watched, event);
}
