// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program of the test's own with the real packer where the stand-in would be (and no
// stand-in in its folder), asked its version as at start-up, and a work folder for the files.

#include "support/MainWindowTest.h"

struct RealPackerWindow : MainWindowTest {
  explicit RealPackerWindow(quint32 runs = 1);
  QByteArray work() const { return dir.path() + "work/"; }
};
