// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The method group of the main window: its choices are usable while the method box is ticked,
// each only when the packer has the method; the hint of one it lacks says so. The start-up finds
// it among the window's children to give it the packer's answer.

#include <QList>
#include <QObject>
#include <QString>

#include "core/packer/PackerVersion.h"

class QAbstractButton;
class QCheckBox;
class TFormMain;
struct ProgramState;

class MethodChoice : public QObject {
  Q_OBJECT
 public:
  // The choices are the window's radio buttons named after the methods ("RadioButton_lzma").
  MethodChoice(const ProgramState& state, TFormMain* form);

  // The packer's answer to the version question; until then every method counts as there.
  void setPacker(const PackerCapabilities& packer);
  // After the box changed, or a language set the hints anew.
  void update();

 private:
  const ProgramState& state_;
  QCheckBox* use_;
  QList<QAbstractButton*> choices_;
  QList<QString> added_;  // what each hint was given here, to take back before it changes
  PackerCapabilities packer_;
};
