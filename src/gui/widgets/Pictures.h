// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures the windows draw themselves instead of shipping them as files.

#include <QIcon>

namespace Pictures {

// The shell-integration button's picture, 20 x 20: a file with a context menu beside it.
QIcon IntegrationIcon();

}  // namespace Pictures
