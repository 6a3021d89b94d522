// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/startup/ProcessSetup.h"

#include <csignal>

namespace ProcessSetup {

void IgnoreFileSizeLimitSignal() {
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace ProcessSetup
