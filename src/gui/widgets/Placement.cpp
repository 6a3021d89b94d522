// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/Placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace Placement {

QRect KeptInside(const QRect& frame, const QRect& area) {
  QRect r = frame;
  if (r.right() > area.right()) r.moveRight(area.right());
  if (r.bottom() > area.bottom()) r.moveBottom(area.bottom());
  if (r.left() < area.left()) r.moveLeft(area.left());
  if (r.top() < area.top()) r.moveTop(area.top());
  return r;
}

QScreen* ScreenOf(const QWidget* window) {
  if (!window) return QGuiApplication::primaryScreen();
  // The corner with the title's start decides: a window that grows to the right (the option
  // panel) stays on the screen it was on, however far it reaches into the next one.
  const QRect frame = window->frameGeometry();
  if (QScreen* s = QGuiApplication::screenAt(frame.topLeft() + QPoint(8, 8))) return s;
  if (QScreen* s = QGuiApplication::screenAt(frame.center())) return s;
  if (QScreen* s = window->screen()) return s;
  return QGuiApplication::primaryScreen();
}

void KeepInside(QWidget* window) {
  const QScreen* screen = ScreenOf(window);
  if (!screen) return;
  const QRect frame = window->frameGeometry();
  const QRect kept = KeptInside(frame, screen->availableGeometry());
  if (kept.topLeft() != frame.topLeft()) window->move(kept.topLeft());
}

namespace {

class ScreenKeeper : public QObject {
 public:
  explicit ScreenKeeper(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && window_->isVisible() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Show))
      KeepInside(window_);
    return false;
  }

 private:
  QWidget* window_;
};

}  // namespace

void KeepOnScreen(QWidget* window) {
  new ScreenKeeper(window);
}

namespace {
QPointer<const QWidget>& mainWindow() {
  static QPointer<const QWidget> window;
  return window;
}
}  // namespace

void SetMainWindow(const QWidget* window) {
  mainWindow() = window;
}

const QWidget* MainWindow() {
  return mainWindow().data();
}

void CentreOn(QWidget* dialog, const QWidget* anchor) {
  const QScreen* screen = anchor ? ScreenOf(anchor) : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  QRect frame = dialog->frameGeometry();
  frame.moveCenter(area.center());
  dialog->move(KeptInside(frame, area).topLeft());
}

void PlaceDialog(QWidget* dialog, const QWidget* anchor, bool& placed) {
  const QScreen* wanted = anchor ? ScreenOf(anchor) : QGuiApplication::primaryScreen();
  if (!placed || ScreenOf(dialog) != wanted) {
    placed = true;
    CentreOn(dialog, anchor);
  } else {
    KeepInside(dialog);
  }
}

void SetTopmost(QWidget* window, bool topmost) {
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

}  // namespace Placement
