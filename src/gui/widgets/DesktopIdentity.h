// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the desktop knows Packhelm's windows: the application's icon (task bar, window lists, the
// window manager's _NET_WM_ICON) and the desktop file name that ties the windows to the installed
// desktop entry (Wayland's app id, the launcher's start-up notification).

#include <QIcon>

namespace DesktopIdentity {

// The icon at every size the build renders from resources/desktop/packhelm.svg.
QIcon Icon();
// The desktop file name: before any window is made, as it names the windows.
void ApplyName();
// The application's window icon, on every window made and to come. Decoding and sending eight
// images to the display takes a while: the program sets it once its first window is up.
void ApplyIcon();
// Both.
void Apply();

}  // namespace DesktopIdentity
