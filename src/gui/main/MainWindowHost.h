// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the main window may ask of the program around it, and nothing more: the program state
// and the first start's language choice, which shows another window. The program context
// provides it; tests may provide their own.

struct ProgramState;

class MainWindowHost {
 public:
  explicit MainWindowHost(ProgramState& s) : state(s) {}
  virtual ~MainWindowHost() = default;
  MainWindowHost(const MainWindowHost&) = delete;
  MainWindowHost& operator=(const MainWindowHost&) = delete;

  ProgramState& state;
  // The language choice of a first start, shown modally; false when the program must end.
  virtual bool runLanguageChoice() = 0;
  // The chooser is on screen now (a start-up inside its showing must not show it again).
  virtual bool languageChoiceShowing() const = 0;
};
