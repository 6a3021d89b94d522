// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The packing options: the states of the main window's option controls as a plain value, and the
// one table that describes those controls. The table drives reading the controls, Reset, the
// maximum-compression preset and the settings file; the command-line builder reads the value.
//
// A new check-box option is: its control in the main window's form, one field here, one row in
// PackOptionRows (where its settings record goes), its piece in the command-line builder, its
// language entries and its test.

#include <QByteArray>
#include <cstddef>

struct PackOptions {
  // Every field starts at its table default.
  PackOptions();

  int CompressValueBar;  // 1 (top, --best) to 10 (-1)
  bool Compress1CheckBox;
  int CompressValueBar1;  // 10000 to 999999; the crp value is 1009999 - position
  bool CheckBoxTryMulti;
  bool RadioButton_nrv2b;
  bool RadioButton_nrv2d;
  bool BackupBox;
  int OverlayGroup;  // radio groups: selected item, -1 = none
  bool OptBoxDOS1;
  bool OptBoxDOS2;
  int ExportsGroup;
  int IconsGroup;
  bool ResourcesBox;
  bool CheckBoxForce;
  int RelocationsGroup;
  bool CheckBoxCoff;
  bool CheckBoxLe;
  bool OutFileBox;
  bool ReplaceIfExistsCheckBox;
  QByteArray EditFileName;
  QByteArray EditOutFile;

  bool operator==(const PackOptions&) const = default;
};

// How a control holds its state: check boxes and radio buttons a flag (stored as a boolean),
// sliders a position and radio groups the selected item (-1 = none), both stored as integers.
enum class OptionKind { CheckBox, RadioButton, Slider, RadioGroup };

struct OptionRow {
  const char* name;  // the control's object name, its settings key and its language-file target
  OptionKind kind;
  int defaultValue;  // after Reset and on a first start
  int bestValue;     // in the maximum-compression preset
  int minimum;       // sliders: the range; radio groups: -1 to the last item
  int maximum;
  bool PackOptions::*flag;   // check boxes and radio buttons
  int PackOptions::*number;  // sliders and radio groups

  bool isFlag() const { return kind == OptionKind::CheckBox || kind == OptionKind::RadioButton; }
  int get(const PackOptions& o) const { return isFlag() ? int(o.*flag) : o.*number; }
  void set(PackOptions& o, int value) const {
    if (isFlag())
      o.*flag = value != 0;
    else
      o.*number = value;
  }
};

// In the order the controls are set (a check box that enables others comes before them) and in
// which their records stand in the settings file. Radio buttons: setting the selected one clears
// the other, an unselected one is left alone.
inline constexpr OptionRow PackOptionRows[] = {
    // clang-format off
    // name                       kind                     def     best    min     max
    {"CompressValueBar",        OptionKind::Slider,        4,      1,      1,      10,     nullptr, &PackOptions::CompressValueBar},
    {"BackupBox",               OptionKind::CheckBox,      0,      0,      0,      1,      &PackOptions::BackupBox, nullptr},
    {"OutFileBox",              OptionKind::CheckBox,      0,      0,      0,      1,      &PackOptions::OutFileBox, nullptr},
    {"ReplaceIfExistsCheckBox", OptionKind::CheckBox,      1,      1,      0,      1,      &PackOptions::ReplaceIfExistsCheckBox, nullptr},
    {"OverlayGroup",            OptionKind::RadioGroup,    0,      0,      -1,     2,      nullptr, &PackOptions::OverlayGroup},
    {"OptBoxDOS1",              OptionKind::CheckBox,      0,      0,      0,      1,      &PackOptions::OptBoxDOS1, nullptr},
    {"OptBoxDOS2",              OptionKind::CheckBox,      0,      0,      0,      1,      &PackOptions::OptBoxDOS2, nullptr},
    {"ExportsGroup",            OptionKind::RadioGroup,    1,      1,      -1,     1,      nullptr, &PackOptions::ExportsGroup},
    {"IconsGroup",              OptionKind::RadioGroup,    2,      2,      -1,     2,      nullptr, &PackOptions::IconsGroup},
    {"ResourcesBox",            OptionKind::CheckBox,      0,      0,      0,      1,      &PackOptions::ResourcesBox, nullptr},
    {"CheckBoxForce",           OptionKind::CheckBox,      0,      0,      0,      1,      &PackOptions::CheckBoxForce, nullptr},
    {"RelocationsGroup",        OptionKind::RadioGroup,    1,      1,      -1,     1,      nullptr, &PackOptions::RelocationsGroup},
    {"Compress1CheckBox",       OptionKind::CheckBox,      0,      1,      0,      1,      &PackOptions::Compress1CheckBox, nullptr},
    {"CompressValueBar1",       OptionKind::Slider,        999999, 10000,  10000,  999999, nullptr, &PackOptions::CompressValueBar1},
    {"CheckBoxCoff",            OptionKind::CheckBox,      0,      0,      0,      1,      &PackOptions::CheckBoxCoff, nullptr},
    {"CheckBoxLe",              OptionKind::CheckBox,      0,      0,      0,      1,      &PackOptions::CheckBoxLe, nullptr},
    {"CheckBoxTryMulti",        OptionKind::CheckBox,      0,      1,      0,      1,      &PackOptions::CheckBoxTryMulti, nullptr},
    {"RadioButton_nrv2b",       OptionKind::RadioButton,   1,      0,      0,      1,      &PackOptions::RadioButton_nrv2b, nullptr},
    {"RadioButton_nrv2d",       OptionKind::RadioButton,   0,      1,      0,      1,      &PackOptions::RadioButton_nrv2d, nullptr},
    // clang-format on
};
inline constexpr std::size_t PackOptionCount = std::size(PackOptionRows);

// The maximum-compression preset (a default-constructed value holds the defaults).
PackOptions BestPackOptions();
