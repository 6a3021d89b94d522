// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window made of a plain widget (the main window, the console) is a window to assistive
// technology, named by its title, as dialogs are; left alone, Qt offers it as an unnamed part of
// nothing ("filler"), which screen readers do not announce.

namespace WindowAccessible {

// Once per program, before the windows are first asked for.
void Install();

}  // namespace WindowAccessible
