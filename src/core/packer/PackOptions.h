#pragma once
// The states of the main window's packing option controls, as a plain value. The window reads
// its controls into one of these whenever a command line is built.

#include <QByteArray>

struct PackOptions {
  int CompressValueBar = 4;  // 1 (top, --best) to 10 (-1)
  bool Compress1CheckBox = false;
  int CompressValueBar1 = 999999;  // 10000 to 999999; the crp value is 1009999 - position
  bool CheckBoxTryMulti = false;
  bool RadioButton_nrv2b = true;
  bool RadioButton_nrv2d = false;
  bool BackupBox = false;
  int OverlayGroup = 0;  // radio groups: selected item, -1 = none
  bool OptBoxDOS1 = false;
  bool OptBoxDOS2 = false;
  int ExportsGroup = 1;
  int IconsGroup = 2;
  bool ResourcesBox = false;
  bool CheckBoxForce = false;
  int RelocationsGroup = 1;
  bool CheckBoxCoff = false;
  bool CheckBoxLe = false;
  bool OutFileBox = false;
  bool ReplaceIfExistsCheckBox = true;
  QByteArray EditFileName;
  QByteArray EditOutFile;

  bool operator==(const PackOptions&) const = default;
};
