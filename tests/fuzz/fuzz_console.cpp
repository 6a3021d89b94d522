// SPDX-License-Identifier: GPL-3.0-or-later
// The console byte stream: the packer's output, cut into reads at places the input chooses,
// through the output guard into libvterm and the screen model. No crash, no hang, and the
// cursor is on the screen after every read.

#include "core/console/ScreenModel.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte chooses the read length (1 to 64 bytes), so that every kind of cut is tried.
  const size_t step = (data[0] & 63) + 1;
  ScreenModel screen(80, 40);
  for (size_t at = 1; at < size; at += step) {
    const size_t n = std::min(step, size - at);
    screen.feed(reinterpret_cast<const char*>(data + at), qsizetype(n));
    FUZZ_CHECK(screen.cursorRow() >= 0 && screen.cursorRow() < screen.rows());
    FUZZ_CHECK(screen.cursorColumn() >= 0 && screen.cursorColumn() < screen.columns());
  }
  screen.finishOutput();
  // Console-side writes after any output still land on the screen.
  screen.writeConsoleText(
      QByteArray(reinterpret_cast<const char*>(data), qsizetype(std::min<size_t>(size, 200))));
  FUZZ_CHECK(screen.cursorColumn() >= 0 && screen.cursorColumn() < screen.columns());
  return 0;
}
