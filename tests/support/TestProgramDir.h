// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A program folder of a test's own: a temporary directory holding copies of the shipped language
// files and the stand-in packer as upx/upx, with an AppContext pointing at it. Laid out as a
// portable copy (languages beside the program) or as an installed one (program in bin/, languages
// in share/packhelm/lang/).

#include <QByteArray>
#include <memory>

#include "core/packer/PackerVersion.h"
#include "gui/main/AppContext.h"
#include "support/TestHelpers.h"

enum class Layout { Portable, Installed };

class TestProgramDir {
 public:
  // withLanguages: copy lang/*.lng; withPacker: place the stand-in as upx/upx.
  explicit TestProgramDir(bool withLanguages = true, bool withPacker = true,
                          Layout layout = Layout::Portable);

  QByteArray path() const;      // the program folder, with a trailing "/"
  QByteArray langPath() const;  // where the language files were put, with a trailing "/"
  QByteArray file(const QByteArray& name) const { return path() + name; }
  QByteArray packerPath() const { return path() + "upx/upx"; }
  // Writes a file of the given size with compressible content; returns its path.
  QByteArray makeFile(const QByteArray& name, qint64 size) const;
  // Location of the stand-in packer's argument log (set PACKHELM_STANDIN_ARGLOG to it).
  QByteArray argLogPath() const { return path() + "packer-args.log"; }

  // Fills state.ProgramDir, the packer location and the settings path for this folder.
  void prepare(ProgramState& state) const;

 private:
  TemporaryDir dir_;
  Layout layout_;
};

// Builds every window that is otherwise built on first use.
void BuildEveryWindow(AppContext& ctx);

// A program of the test's own: the folder and a context over it with every window created.
// Showing the main window does not run the start-up sequence.
struct TestProgram {
  TestProgramDir dir;
  AppContext ctx;
  TestProgram(bool withLanguages, bool withPacker, Layout layout = Layout::Portable);
};

// Where the build put the stand-in packer.
QByteArray standinPath();
// Copies the stand-in packer to `path` (any bytes), executable, making the folders above it.
bool PlaceStandin(const QByteArray& path);
// The packer asked its version as the start-up asks it, the answer awaited here: what the version
// decides (unknown when the packer gives no version within `timeoutMs`).
PackerCapabilities AskPackerVersion(const QByteArray& packerPath, int timeoutMs = 5000);
