// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/FontConfigWarmUp.h"

#include <fontconfig/fontconfig.h>

FontConfigWarmUp::FontConfigWarmUp() : thread_([] { FcInit(); }) {}

FontConfigWarmUp::~FontConfigWarmUp() {
  wait();
}

void FontConfigWarmUp::wait() {
  if (thread_.joinable()) thread_.join();
}
