#include "core/settings/ProgramState.h"

QByteArray ProgramState::packerForCommand() const {
  // A path that would fall apart when the command line is split goes in its quoted form.
  return (UpxLocation.contains(' ') || UpxLocation.contains('"')) ? UpxShortLocation : UpxLocation;
}
