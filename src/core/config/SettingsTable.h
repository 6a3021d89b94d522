// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every value the program keeps between runs, in one table: the packing options of the main
// window, the preferences of the Options dialog and the few session values. A row's key is the
// settings file's record name; for options and preferences it also finds the control that shows
// the value (by object name), which is the language files' target for its caption.
//
// The settings file, the defaults, both Resets, the maximum-compression preset, the binding of
// both windows' controls and the simple command-line switches all loop over the table. The
// fields of PackOptions and GlobalOptions are made from it too, so a new check-box option or a
// new preference is one row here, its control in the form and its captions.

#include <QByteArray>
#include <QList>
#include <array>
#include <cstddef>
#include <optional>
#include <type_traits>

namespace RunGroups {
quint32 Clamp(quint32 runs);
}

namespace Settings {

// Who holds the value: the main window (session values and packing options) or the program-wide
// preferences.
enum class Section { Session, PackOption, Preference };

// How the settings file stores the value. Lines are one string joined by CR LF; Extensions are
// numbered string records ("ShellExt0", ...).
enum class Type { Boolean, Integer, Cardinal, String, Lines, Extensions };

// The control that shows the value, found by its object name. Check boxes and radio buttons hold
// a flag, sliders and spin boxes a number, radio groups an item (-1 = none); RadioButtons is a
// box whose radio buttons, in order, stand for the row's choices.
enum class Control { None, CheckBox, RadioButton, Slider, RadioGroup, RadioButtons, SpinBox };

struct Row {
  const char* key;
  Section section;
  Type type;
  Control control;
  const char* controlName;  // when the control is not named like the key
  qint64 defaultValue;      // numbers and flags; a first start and Reset take it
  bool reset;               // Reset (the main window's or the Options dialog's) sets the default
  qint64 presetValue;       // in the maximum-compression preset (options)
  qint64 minimum;           // sliders and spin boxes: the range; radio groups: -1 to the last item
  qint64 maximum;
  // The command-line switch each value 0, 1, 2 adds (simple options), else none.
  std::array<const char*, 3> pieces;
  // Items of a control whose value is not the item number: item i stands for choices[i]. A
  // value that no item shows leaves the control alone, no item selected keeps the value.
  std::array<qint64, 4> choices;
  int choiceCount;
  // A stored or entered number beyond what this machine allows is brought within it.
  quint32 (*limit)(quint32);

  const char* objectName() const { return controlName ? controlName : key; }
  bool isFlag() const { return type == Type::Boolean; }
  const char* piece(qint64 value) const {
    return value >= 0 && value < 3 ? pieces[value] : nullptr;
  }
  // The item showing a value, -1 for none; the value of an item, `current` for none.
  int itemOf(qint64 value) const;
  qint64 valueOf(int item, qint64 current) const;
  qint64 limited(qint64 value) const { return limit ? limit(quint32(value)) : value; }
};

// The C++ type of a stored value.
template <Type T>
using ValueType = std::conditional_t<
    T == Type::Boolean, bool,
    std::conditional_t<
        T == Type::Integer, qint32,
        std::conditional_t<T == Type::Cardinal, quint32,
                           std::conditional_t<T == Type::String, QByteArray, QList<QByteArray>>>>>;
// An option's field: a flag for buttons, a number for sliders and radio groups.
template <Control C>
using OptionType =
    std::conditional_t<C == Control::CheckBox || C == Control::RadioButton, bool, int>;

// The rows, in the order of the settings file's records (within each type). Options come in the
// order their controls are set: a check box that enables others before them. Radio buttons:
// setting the selected one clears the other, an unselected one is left alone.
//   SESSION(key, type)
//   OPTION(key, control, default, preset, minimum, maximum, switch for value 0, 1, 2...)
//   PREFERENCE(key, type, default, control, control name, reset, minimum, maximum, limit,
//              choices...)
// clang-format off
#define PACKHELM_SETTINGS(SESSION, OPTION, PREFERENCE)                                                       \
  PREFERENCE(LangName,                   String,   "",    None,         nullptr,               false, 0, 0, nullptr) \
  SESSION(SpeedButtonAddOpt,             Boolean)                                                            \
  SESSION(Files,                         Lines)                                                              \
  SESSION(EditOutfile,                   String)                                                             \
  OPTION(CompressValueBar,        Slider,      4,      1,     1,     10)                                     \
  OPTION(BackupBox,               CheckBox,    0,      0,     0,     1,      nullptr, " -k")                 \
  OPTION(OutFileBox,              CheckBox,    0,      0,     0,     1)                                      \
  OPTION(ReplaceIfExistsCheckBox, CheckBox,    1,      1,     0,     1)                                      \
  OPTION(OverlayGroup,            RadioGroup,  0,      0,     -1,    2,      nullptr, " --overlay=strip", " --overlay=skip") \
  OPTION(OptBoxDOS1,              CheckBox,    0,      0,     0,     1,      nullptr, " --8086")             \
  OPTION(OptBoxDOS2,              CheckBox,    0,      0,     0,     1,      nullptr, " --no-reloc")         \
  OPTION(ExportsGroup,            RadioGroup,  1,      1,     -1,    1,      " --compress-exports=0")        \
  OPTION(IconsGroup,              RadioGroup,  2,      2,     -1,    2,      " --compress-icons=0", " --compress-icons=1") \
  OPTION(ResourcesBox,            CheckBox,    0,      0,     0,     1,      nullptr, " --compress-resources=0") \
  OPTION(CheckBoxForce,           CheckBox,    0,      0,     0,     1,      nullptr, " --force")            \
  OPTION(RelocationsGroup,        RadioGroup,  1,      1,     -1,    1,      " --strip-relocs=0")            \
  OPTION(Compress1CheckBox,       CheckBox,    0,      1,     0,     1)                                      \
  OPTION(CompressValueBar1,       Slider,      999999, 10000, 10000, 999999)                                 \
  OPTION(CheckBoxCoff,            CheckBox,    0,      0,     0,     1,      nullptr, " --coff")             \
  OPTION(CheckBoxLe,              CheckBox,    0,      0,     0,     1,      nullptr, " --le")               \
  OPTION(CheckBoxTryMulti,        CheckBox,    0,      1,     0,     1)                                      \
  OPTION(RadioButton_nrv2b,       RadioButton, 1,      0,     0,     1)                                      \
  OPTION(RadioButton_nrv2d,       RadioButton, 0,      1,     0,     1)                                      \
  PREFERENCE(GlobalOpt_FastOpen,            Boolean,  false, CheckBox,     "CheckBoxFastShow",    true,  0, 1, nullptr) \
  PREFERENCE(GlobalOpt_UPX2,                String,   "",    None,         nullptr,               false, 0, 0, nullptr) \
  PREFERENCE(GlobalOpt_DragOp,              Integer,  0,     RadioGroup,   "RadioGroupDrag",      true,  -1, 2, nullptr) \
  PREFERENCE(GlobalOpt_CloseCon,            Integer,  1,     RadioButtons, "GroupBoxCon",         true,  0, 2, nullptr, 0, 1, 2) \
  PREFERENCE(GlobalOpt_PriorityClass,       Cardinal, 32,    RadioGroup,   "RadioGroupPri",       true,  0, 0, nullptr, 256, 128, 32, 64) \
  PREFERENCE(GlobalOpt_ThreadPriority,      Cardinal, 0,     None,         nullptr,               false, 0, 0, nullptr) \
  PREFERENCE(GlobalOpt_FirstTimeShowConsol, Integer,  0,     None,         nullptr,               false, 0, 0, nullptr) \
  PREFERENCE(GlobalOpt_StayOnTop,           Integer,  2,     RadioGroup,   "RadioGroupStayOnTop", true,  -1, 2, nullptr) \
  PREFERENCE(GlobalOpt_ShowHints,           Boolean,  true,  CheckBox,     "CheckBoxShowHints",   true,  0, 1, nullptr) \
  PREFERENCE(CmdLinesMax,                   Cardinal, 10,    SpinBox,      "SpinEdit1",           true,  1, 100, nullptr) \
  SESSION(CmdPackLines,                  Lines)                                                              \
  SESSION(CmdUnPackLines,                Lines)                                                              \
  SESSION(ShellExt,                      Extensions)                                                         \
  /* Newer than the rows above: a file written before it lacks the record, the default holds. */            \
  PREFERENCE(GlobalOpt_PackerRuns,          Cardinal, 1,     SpinBox,      "SpinEditRuns",        true,  1, 0x7fffffff, &RunGroups::Clamp) \
  OPTION(RadioButton_nrv2e,       RadioButton, 0,      0,     0,     1)                                      \
  OPTION(RadioButton_lzma,        RadioButton, 0,      0,     0,     1)                                      \
  OPTION(RadioButton_all,         RadioButton, 0,      0,     0,     1)
// clang-format on

// For the makers below: a section they leave out.
#define PACKHELM_SETTING_NONE(...)

// The rows by name, in table order: Table[int(Key::CmdLinesMax)].
#define PACKHELM_SETTING_KEY(key, ...) key,
enum class Key {
  PACKHELM_SETTINGS(PACKHELM_SETTING_KEY, PACKHELM_SETTING_KEY, PACKHELM_SETTING_KEY) Count
};
#undef PACKHELM_SETTING_KEY

namespace Detail {
// A default as a table number: texts have none.
template <typename T>
constexpr qint64 Number(T v) {
  if constexpr (std::is_arithmetic_v<T>)
    return qint64(v);
  else
    return 0;
}
template <typename... T>
constexpr std::array<const char*, 3> Pieces(T... p) {
  return {p...};
}
template <typename... T>
constexpr std::array<qint64, 4> Choices(T... c) {
  return {qint64(c)...};
}
template <typename... T>
constexpr int Count(T...) {
  return int(sizeof...(T));
}
}  // namespace Detail

// clang-format off
#define PACKHELM_SESSION_ROW(key, type) \
  {#key, Section::Session, Type::type, Control::None, nullptr, 0, false, 0, 0, 0, {}, {}, 0, nullptr},
#define PACKHELM_OPTION_ROW(key, control, def, preset, min, max, ...)                         \
  {#key, Section::PackOption,                                                                \
   Control::control == Control::Slider || Control::control == Control::RadioGroup             \
       ? Type::Integer : Type::Boolean,                                                      \
   Control::control, nullptr, def, true, preset, min, max, Detail::Pieces(__VA_ARGS__), {}, 0, \
   nullptr},
#define PACKHELM_PREFERENCE_ROW(key, type, def, control, name, reset, min, max, limit, ...)  \
  {#key, Section::Preference, Type::type, Control::control, name, Detail::Number(def), reset, \
   0, min, max, {}, Detail::Choices(__VA_ARGS__), Detail::Count(__VA_ARGS__), limit},
// clang-format on

inline constexpr Row Table[] = {
    PACKHELM_SETTINGS(PACKHELM_SESSION_ROW, PACKHELM_OPTION_ROW, PACKHELM_PREFERENCE_ROW)};
inline constexpr std::size_t RowCount = std::size(Table);
static_assert(RowCount == std::size_t(Key::Count));

constexpr const Row& RowOf(Key key) {
  return Table[int(key)];
}

// A table number into a field of any flag or number type, and back; other fields take none.
template <typename T>
void SetNumber(T& field, qint64 value) {
  if constexpr (std::is_arithmetic_v<T>) field = T(value);
}
template <typename T>
qint64 NumberOf(const T& field) {
  if constexpr (std::is_arithmetic_v<T>)
    return qint64(field);
  else
    return 0;
}

}  // namespace Settings
