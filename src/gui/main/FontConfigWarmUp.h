// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the font configuration (dozens of XML files, then the font caches) is the largest single
// cost before the first text can be measured, and nothing before the first window needs it. A
// thread reads it while the application connects to the display; Qt then finds it loaded.

#include <thread>

class FontConfigWarmUp {
 public:
  FontConfigWarmUp();
  ~FontConfigWarmUp();
  // Waits until the configuration is loaded. Called before anything can ask for a font, so that
  // the configuration is never loaded twice at once.
  void wait();

 private:
  std::thread thread_;
};
