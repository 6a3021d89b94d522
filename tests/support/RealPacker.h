// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real packer and real programs, for the tests that check what Packhelm believes about a
// packer run against the packer itself (label "realpacker").
//
// The packer is named by PACKHELM_REAL_PACKER (scripts/test.sh builds it and sets it); without it
// these tests fail, saying how to get it. The programs are built on first use, once per test
// program, from tests/samples with the host's C compiler and Debian's MinGW-w64 cross compilers.

#include <QByteArray>
#include <QList>
#include <QString>

namespace RealPacker {

// The packer's path; empty, with `why` saying what is missing, when PACKHELM_REAL_PACKER is unset
// or names no executable file.
QByteArray Path(QString* why = nullptr);
// Runs the packer with the arguments (its output dropped); its exit code, -1 when it did not
// exit on its own.
int Run(const QList<QByteArray>& args);

}  // namespace RealPacker

enum class SampleKind { ElfPie, ElfNoPie, ElfStatic, ElfShared, Pe32, Pe64 };

const QList<SampleKind>& AllSampleKinds();
// A short name for test rows ("pie", "pe32", ...).
const char* SampleKindName(SampleKind kind);
// A file name such a program has ("prog", "libsample.so", "prog.exe").
QByteArray SampleFileName(SampleKind kind);
bool IsPe(SampleKind kind);

// The program's bytes; empty, with `error` set, when it cannot be built.
QByteArray SampleProgram(SampleKind kind, QString* error = nullptr);
// Writes the program to path (any bytes), executable; false with `error` set on failure.
bool WriteSample(SampleKind kind, const QByteArray& path, QString* error = nullptr);

// The program with random bytes in place of its data and padding: the packer finds it not
// compressible (ELF kinds).
QByteArray IncompressibleProgram(SampleKind kind);

// Bytes the program carries after its image (an overlay).
QByteArray SampleOverlay();

// What the Windows programs carry, to see which parts the packer left uncompressed: the
// resource's text, the export's name, and the pixels of each icon image (the first icon group's
// two images, then the second group's one).
QByteArray SampleResourceText();
QByteArray SampleExportName();
QList<QByteArray> SampleIconPixels();
// The size a PE file's data directory entry gives (5: the base relocations); 0 when the file is
// not a PE file or has no such entry.
quint32 PeDataDirectorySize(const QByteArray& pe, int index);
