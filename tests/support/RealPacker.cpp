// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/RealPacker.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtEndian>
#include <memory>

#include "support/TestHelpers.h"

namespace RealPacker {

QByteArray Path(QString* why) {
  const QByteArray path = qgetenv("PACKHELM_REAL_PACKER");
  QString problem;
  struct stat st;
  if (path.isEmpty())
    problem = QStringLiteral(
        "PACKHELM_REAL_PACKER is not set: these tests need the real packer, UPX 4.2.3. Build it "
        "with scripts/build-upx.sh DIR and set PACKHELM_REAL_PACKER=DIR/upx (scripts/test.sh "
        "does both), or configure with -DPACKHELM_REAL_PACKER=DIR/upx.");
  else if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
           ::access(path.constData(), X_OK) != 0)
    problem = QStringLiteral("PACKHELM_REAL_PACKER names %1, which is not an executable file.")
                  .arg(QString::fromLocal8Bit(path));
  if (why) *why = problem;
  return problem.isEmpty() ? path : QByteArray();
}

int Run(const QList<QByteArray>& args) {
  QStringList list;
  for (const QByteArray& a : args) list << QFile::decodeName(a);
  QProcess p;
  p.setStandardOutputFile(QProcess::nullDevice());
  p.setStandardErrorFile(QProcess::nullDevice());
  p.start(QFile::decodeName(Path()), list);
  if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit) return -1;
  return p.exitCode();
}

}  // namespace RealPacker

namespace {

struct KindInfo {
  SampleKind kind;
  const char* name;
  const char* fileName;
  const char* toolPrefix;  // MinGW-w64 target; empty: the host's compiler
};

const KindInfo kKinds[] = {
    {SampleKind::ElfPie, "pie", "prog", ""},
    {SampleKind::ElfNoPie, "nopie", "prog", ""},
    {SampleKind::ElfStatic, "static", "prog", ""},
    {SampleKind::ElfShared, "shared", "libsample.so", ""},
    {SampleKind::Pe32, "pe32", "prog.exe", "i686-w64-mingw32-"},
    {SampleKind::Pe64, "pe64", "prog.exe", "x86_64-w64-mingw32-"},
};

const KindInfo& info(SampleKind kind) {
  for (const KindInfo& k : kKinds)
    if (k.kind == kind) return k;
  return kKinds[0];
}

// One image: the colour fills every pixel, so that a row of it stands out in a file.
struct IconImage {
  int size;
  QByteArray bgra;
};

const QList<IconImage>& iconImages() {
  static const QList<IconImage> images{{16, QByteArray("\x21\x81\xe1\xff", 4)},
                                       {32, QByteArray("\x42\x12\xc2\xff", 4)},
                                       {16, QByteArray("\x63\xa3\x33\xff", 4)}};
  return images;
}

// An icon file holding the images, 32 bits per pixel.
QByteArray iconFile(const QList<IconImage>& images) {
  auto u16 = [](QByteArray& b, quint16 v) { b.append(reinterpret_cast<const char*>(&v), 2); };
  auto u32 = [](QByteArray& b, quint32 v) { b.append(reinterpret_cast<const char*>(&v), 4); };
  QList<QByteArray> bitmaps;
  for (const IconImage& img : images) {
    QByteArray bmp;
    const int maskRow = ((img.size + 31) / 32) * 4;
    u32(bmp, 40);
    u32(bmp, quint32(img.size));
    u32(bmp, quint32(img.size * 2));  // the colours, then the mask
    u16(bmp, 1);
    u16(bmp, 32);
    u32(bmp, 0);
    u32(bmp, quint32(img.size * img.size * 4 + img.size * maskRow));
    for (int i = 0; i < 4; ++i) u32(bmp, 0);
    bmp += img.bgra.repeated(img.size * img.size);
    bmp += QByteArray(img.size * maskRow, '\0');
    bitmaps << bmp;
  }
  QByteArray ico;
  u16(ico, 0);
  u16(ico, 1);
  u16(ico, quint16(images.size()));
  quint32 offset = quint32(6 + 16 * images.size());
  for (qsizetype i = 0; i < images.size(); ++i) {
    ico += char(images[i].size);
    ico += char(images[i].size);
    ico += QByteArray(2, '\0');
    u16(ico, 1);
    u16(ico, 32);
    u32(ico, quint32(bitmaps[i].size()));
    u32(ico, offset);
    offset += quint32(bitmaps[i].size());
  }
  for (const QByteArray& b : bitmaps) ico += b;
  return ico;
}

// Runs a build tool (no shell) in the folder; false with `error` holding its complaint.
bool runTool(const QString& tool, const QStringList& args, const QString& folder, QString* error) {
  const QString program = QStandardPaths::findExecutable(tool);
  if (program.isEmpty()) {
    if (error)
      *error = QStringLiteral(
                   "%1 is not installed; scripts/setup.sh --tests installs the C and "
                   "MinGW-w64 compilers the sample programs need.")
                   .arg(tool);
    return false;
  }
  QProcess p;
  p.setWorkingDirectory(folder);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
    return true;
  if (error)
    *error = QStringLiteral("%1 %2 failed: %3")
                 .arg(tool, args.join(u' '), QString::fromLocal8Bit(p.readAll()));
  return false;
}

bool build(SampleKind kind, const QString& folder, const QString& out, QString* error) {
  const QString source = QStringLiteral(PACKHELM_SAMPLES_DIR "/sample.c");
  const KindInfo& k = info(kind);
  if (!IsPe(kind)) {
    QStringList args{QStringLiteral("-O1"), QStringLiteral("-o"), out};
    switch (kind) {
      case SampleKind::ElfPie:
        args << QStringLiteral("-fPIE") << QStringLiteral("-pie");
        break;
      case SampleKind::ElfNoPie:
        args << QStringLiteral("-fno-pie") << QStringLiteral("-no-pie");
        break;
      case SampleKind::ElfStatic:
        args << QStringLiteral("-static");
        break;
      default:
        args << QStringLiteral("-fPIC") << QStringLiteral("-shared")
             << QStringLiteral("-DSAMPLE_LIBRARY");
        break;
    }
    return runTool(QStringLiteral("cc"), args << source, folder, error);
  }
  // Icons are looked up beside the resource compiler's working folder.
  const QList<IconImage>& images = iconImages();
  if (!writeFileBytes(QFile::encodeName(folder) + "/first.ico", iconFile(images.mid(0, 2))) ||
      !writeFileBytes(QFile::encodeName(folder) + "/second.ico", iconFile(images.mid(2)))) {
    if (error) *error = QStringLiteral("cannot write the icons in %1").arg(folder);
    return false;
  }
  const QString prefix = QString::fromLatin1(k.toolPrefix);
  const QString res = out + QStringLiteral(".res.o");
  // Relocations are kept in a section of their own and the image asks for no relocation at
  // load time, so that the packer's relocation option has something to keep or strip.
  return runTool(prefix + QStringLiteral("windres"),
                 {QStringLiteral(PACKHELM_SAMPLES_DIR "/sample.rc"), QStringLiteral("-O"),
                  QStringLiteral("coff"), QStringLiteral("-o"), res},
                 folder, error) &&
         runTool(prefix + QStringLiteral("gcc"),
                 {QStringLiteral("-O1"), QStringLiteral("-s"),
                  QStringLiteral("-Wl,--disable-dynamicbase,--enable-reloc-section"),
                  QStringLiteral("-o"), out, source, res},
                 folder, error);
}

}  // namespace

const QList<SampleKind>& AllSampleKinds() {
  static const QList<SampleKind> all{SampleKind::ElfPie,    SampleKind::ElfNoPie,
                                     SampleKind::ElfStatic, SampleKind::ElfShared,
                                     SampleKind::Pe32,      SampleKind::Pe64};
  return all;
}

const char* SampleKindName(SampleKind kind) {
  return info(kind).name;
}

QByteArray SampleFileName(SampleKind kind) {
  return info(kind).fileName;
}

bool IsPe(SampleKind kind) {
  return kind == SampleKind::Pe32 || kind == SampleKind::Pe64;
}

QByteArray SampleProgram(SampleKind kind, QString* error) {
  // Built once per test program, in a folder that goes with it.
  static std::unique_ptr<TemporaryDir> folder;
  static QHash<int, QByteArray> built;
  if (const auto it = built.constFind(int(kind)); it != built.constEnd()) return *it;
  if (!folder) folder = std::make_unique<TemporaryDir>();
  const QString out = folder->filePath(QString::fromLatin1(SampleKindName(kind))) +
                      (IsPe(kind) ? QStringLiteral(".exe") : QString());
  if (!build(kind, folder->path(), out, error)) return {};
  const QByteArray bytes = readFileBytes(QFile::encodeName(out));
  if (bytes == "<unreadable>") {
    if (error) *error = QStringLiteral("cannot read the built program %1").arg(out);
    return {};
  }
  built.insert(int(kind), bytes);
  return bytes;
}

bool WriteSample(SampleKind kind, const QByteArray& path, QString* error) {
  const QByteArray bytes = SampleProgram(kind, error);
  if (bytes.isEmpty()) return false;
  if (writeFileRaw(path, bytes, 0755) && ::chmod(path.constData(), 0755) == 0) return true;
  if (error) *error = QStringLiteral("cannot write %1").arg(QString::fromLocal8Bit(path));
  return false;
}

QByteArray IncompressibleProgram(SampleKind kind) {
  QByteArray bytes = SampleProgram(kind);
  // Random bytes where its text table and the padding between its parts were, so that packing
  // gains less than the packer asks for; headers and code stay as they were.
  QRandomGenerator random(7);
  const auto scramble = [&](qsizetype from, qsizetype size) {
    for (qsizetype i = from; i < from + size; ++i) bytes[i] = char(random.generate());
  };
  const QByteArray table = QByteArray("Packhelm sample ").repeated(4096);
  if (const qsizetype at = bytes.indexOf(table); at >= 0) scramble(at, table.size());
  const QByteArray zeros(256, '\0');
  for (qsizetype at = bytes.indexOf(zeros, 512); at >= 0; at = bytes.indexOf(zeros, at)) {
    qsizetype end = at;
    while (end < bytes.size() && bytes[end] == '\0') ++end;
    scramble(at, end - at);
  }
  return bytes;
}

QByteArray SampleOverlay() {
  return QByteArray("overlay data after the image ").repeated(100);
}

QByteArray SampleResourceText() {
  return "Packhelm sample resource, kept as written when resources are not compressed";
}

QByteArray SampleExportName() {
  return "sample_export";
}

QList<QByteArray> SampleIconPixels() {
  QList<QByteArray> rows;
  for (const IconImage& img : iconImages()) rows << img.bgra.repeated(img.size);
  return rows;
}

quint32 PeDataDirectorySize(const QByteArray& pe, int index) {
  auto u16at = [&](qsizetype at) {
    return at + 2 <= pe.size() ? qFromLittleEndian<quint16>(pe.constData() + at) : 0;
  };
  auto u32at = [&](qsizetype at) {
    return at + 4 <= pe.size() ? qFromLittleEndian<quint32>(pe.constData() + at) : 0;
  };
  if (!pe.startsWith("MZ")) return 0;
  const qsizetype header = u32at(0x3c);
  if (pe.mid(header, 4) != QByteArray("PE\0\0", 4)) return 0;
  const qsizetype optional = header + 24;
  // PE32 and PE32+ differ in the size of the fields before the data directories.
  const bool plus = u16at(optional) == 0x20b;
  const quint32 count = u32at(optional + (plus ? 108 : 92));
  if (index < 0 || quint32(index) >= count) return 0;
  return u32at(optional + (plus ? 112 : 96) + 8 * index + 4);
}
