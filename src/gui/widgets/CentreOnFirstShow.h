#pragma once
// Where a dialog first appears: centred on its screen's free area the first time it is shown;
// later shows keep the place the user moved it to.

#include <QPoint>
#include <QScreen>
#include <QWidget>

inline void CentreOnFirstShow(QWidget* w, bool& placed) {
  if (placed) return;
  placed = true;
  if (const QScreen* s = w->screen())
    w->move(s->availableGeometry().center() - QPoint(w->width() / 2, w->height() / 2));
}
