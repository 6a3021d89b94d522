// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where windows go on the desktop: inside the free area of a screen (without its panels and
// docks), and dialogs over the screen the main window is on.

#include <QRect>

class QScreen;
class QWidget;

namespace Placement {

// `frame` moved (never resized) to lie inside `area`; a frame larger than the area keeps its
// top left corner inside it, so that the title bar stays within reach.
QRect KeptInside(const QRect& frame, const QRect& area);

// The screen a window is on: the one under its top left corner, else under its centre, else its
// own, else the primary one.
QScreen* ScreenOf(const QWidget* window);

// Moves a top-level window so that its frame lies inside its screen's free area.
void KeepInside(QWidget* window);

// From now on the window is kept inside its screen's free area whenever it is shown or changes
// size (a panel sliding open, a larger font), also where a stored or computed position put it.
void KeepOnScreen(QWidget* window);

// The window dialogs open over (the program's main window), set once by the program context so
// that a dialog need not know the main window. Null when there is none (yet, or any more).
void SetMainWindow(const QWidget* window);
const QWidget* MainWindow();

// Centres a dialog on the free area of the screen `anchor` is on (the primary one without an
// anchor), inside that area.
void CentreOn(QWidget* dialog, const QWidget* anchor);

// For dialogs that keep the place the user moved them to: centred the first time (`placed`
// false), and again whenever `anchor` has gone to another screen since; otherwise left where it
// was, inside its screen.
void PlaceDialog(QWidget* dialog, const QWidget* anchor, bool& placed);

// Puts a window above all others or back among them, keeping its place and without hiding it (a
// modal dialog stays modal and open).
void SetTopmost(QWidget* window, bool topmost);

}  // namespace Placement
