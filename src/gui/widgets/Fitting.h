// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small measurements for windows that grow with their texts.

#include <QStringList>

class QGroupBox;

// The least width `box` needs to show the widest of `titles` and its contents. A group whose
// title changes while the window is open (a caption that follows a slider) reserves it, so that
// the window keeps its size.
int GroupWidthForTitles(const QGroupBox* box, const QStringList& titles);
