// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/ProgramState.h"

QByteArray ProgramState::packerForCommand() const {
  // A path that would fall apart when the command line is split goes in its quoted form.
  return (UpxLocation.contains(' ') || UpxLocation.contains('"')) ? UpxShortLocation : UpxLocation;
}

const PackerCapabilities& ProgramState::packer() const {
  if (awaitPacker) {
    // Taken out first: the answer may arrive (and be settled) while it is awaited here.
    const std::function<PackerCapabilities()> wait = std::move(awaitPacker);
    awaitPacker = nullptr;
    Packer = wait();
  }
  return Packer;
}
