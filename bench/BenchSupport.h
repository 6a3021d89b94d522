// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the benchmarks that pack real programs share: finding the programs, running a packer
// straight, and the program of their own with its main window on screen.

#include <QDirIterator>
#include <QList>
#include <QStringList>

#include "gui/main/AppContext.h"
#include "support/TestProgramDir.h"

namespace Bench {

double Median(QList<double> v);

// The ELF files of `min` to `max` bytes in the folders (links left out), sorted by name, so that
// each run of a bench takes the same ones.
QStringList ElfFiles(const QStringList& folders, QDirIterator::IteratorFlags flags, qint64 min,
                     qint64 max);

// Runs the packer on a file directly (no shell, its output dropped): its exit code, -1 when it
// did not exit on its own.
int RunPacker(const QString& packer, const QStringList& args);

// The program of the bench's own with the packer, its main window on screen, one console kept
// (each job costs the same) and prompts answered by the test seam.
struct Program {
  TestProgramDir dir{false, false};
  AppContext ctx;
  explicit Program(const QByteArray& packer);
};

}  // namespace Bench
