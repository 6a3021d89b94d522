// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the program sets up for its own process before anything else runs.

namespace ProcessSetup {

// SIGXFSZ is ignored: a file-size limit (ulimit -f) then makes the write fail with EFBIG, so the
// settings save fails and leaves the old file whole, instead of the signal ending the program.
void IgnoreFileSizeLimitSignal();

}  // namespace ProcessSetup
