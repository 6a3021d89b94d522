// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/TMultiHint.h"

#include <QApplication>
#include <QHelpEvent>
#include <QScreen>
#include <QToolTip>
#include <QWidget>

#include "core/util/HintText.h"

TMultiHint::TMultiHint(QObject* owner) : QObject(owner) {
  setObjectName(QStringLiteral("MultiHint1"));
  if (qApp) qApp->installEventFilter(this);
}

TMultiHint::~TMultiHint() = default;

void TMultiHint::setHintsShown(QWidget* window, bool shown) {
  if (!window) return;
  if (shown) {
    hintsOff_.remove(window);
    return;
  }
  if (!hintsOff_.contains(window)) {
    hintsOff_.insert(window);
    // A freed window's address may come back for another one.
    connect(window, &QObject::destroyed, this, [this, window] { hintsOff_.remove(window); });
  }
}

void TMultiHint::setAlwaysShowHint(QWidget* control) {
  if (!control || alwaysShown_.contains(control)) return;
  alwaysShown_.insert(control);
  connect(control, &QObject::destroyed, this, [this, control] { alwaysShown_.remove(control); });
}

QString TMultiHint::shownText(const QString& hint) const {
  const QString text = Active ? HintText::Shape(hint, QChar::fromLatin1(Separator)) : hint;
  return HintText::ToRichText(text);
}

bool TMultiHint::showHint(QWidget* w, QHelpEvent* e) {
  QPoint pos = e->globalPos();
  if (Active) {
    const QScreen* screen = QGuiApplication::screenAt(pos);
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) {
      // In screen coordinates the bottom of a screen that is not the top one lies below its
      // height; the rule is about the bottom of the screen the hint is on.
      const QRect g = screen->geometry();
      const int top = pos.y() + TipOffsetY - g.y();
      pos.setY(HintText::ClampTop(top, g.height()) + g.y() - TipOffsetY);
    }
  }
  QToolTip::showText(pos, shownText(w->toolTip()), w, QRect(), w->toolTipDuration());
  return true;
}

bool TMultiHint::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
    return QObject::eventFilter(watched, event);
  auto* w = static_cast<QWidget*>(watched);
  auto* help = static_cast<QHelpEvent*>(event);

  bool always = false;
  for (QWidget* p = w; p; p = p->isWindow() ? nullptr : p->parentWidget()) {
    if (alwaysShown_.contains(p)) {
      always = true;
      break;
    }
  }
  if (!always && hintsOff_.contains(w->window())) {
    // No hint at all in this window, not even the ones that item views show themselves.
    QToolTip::hideText();
    event->accept();
    return true;
  }
  // A control without a hint of its own passes the event on to its parent as usual.
  if (w->toolTip().isEmpty()) return false;
  event->accept();
  return showHint(w, help);
}
