// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestProgramDir.h"

#include <QDir>
#include <QFile>

#include "support/TestHelpers.h"

QByteArray standinPath() {
  return PACKHELM_STANDIN_PATH;
}

bool PlaceStandin(const QByteArray& path) {
  const QByteArray packer = readFileBytes(standinPath());
  return MakeFoldersRaw(path.left(path.lastIndexOf('/') + 1)) &&
         packer.startsWith(
             "\x7f"
             "ELF") &&
         writeFileRaw(path, packer);
}

PackerCapabilities AskPackerVersion(const QByteArray& packerPath, int timeoutMs) {
  PackerVersion::Asking asking;
  asking.start(packerPath, timeoutMs);
  return asking.result();
}

TestProgramDir::TestProgramDir(bool withLanguages, bool withPacker, Layout layout)
    : layout_(layout) {
  // An installed copy is told by its shared folder, even an empty one.
  if (layout == Layout::Installed) {
    QDir().mkpath(QFile::decodeName(path()));
    QDir().mkpath(QFile::decodeName(langPath()));
  }
  QDir d(QFile::decodeName(path()));
  if (withLanguages) {
    const QDir src(QStringLiteral(PACKHELM_LANG_SOURCE_DIR));
    const QDir to(QFile::decodeName(langPath()));
    for (const QString& f : src.entryList({QStringLiteral("*.lng")}, QDir::Files))
      QFile::copy(src.filePath(f), to.filePath(f));
  }
  if (withPacker) {
    d.mkdir(QStringLiteral("upx"));
    QFile::copy(QString::fromLocal8Bit(standinPath()), d.filePath(QStringLiteral("upx/upx")));
    QFile::setPermissions(d.filePath(QStringLiteral("upx/upx")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
}

QByteArray TestProgramDir::path() const {
  const QByteArray root = QFile::encodeName(dir_.path()) + '/';
  return layout_ == Layout::Portable ? root : root + "bin/";
}

QByteArray TestProgramDir::langPath() const {
  if (layout_ == Layout::Portable) return path();
  return QFile::encodeName(dir_.path()) + "/share/packhelm/lang/";
}

QByteArray TestProgramDir::makeFile(const QByteArray& name, qint64 size) const {
  const QByteArray p = file(name);
  QFile f(QFile::decodeName(p));
  if (f.open(QIODevice::WriteOnly)) {
    QByteArray chunk;
    for (int i = 0; chunk.size() < 4096; ++i)
      chunk += "Packhelm test data line " + QByteArray::number(i) + '\n';
    qint64 left = size;
    while (left > 0) {
      const qint64 n = qMin<qint64>(left, chunk.size());
      f.write(chunk.constData(), n);
      left -= n;
    }
  }
  return p;
}

void TestProgramDir::prepare(ProgramState& state) const {
  state.ProgramDir = path();
  state.UpxLocation = packerPath();
  state.UpxShortLocation = packerPath();
  state.SettingsPath = path() + "Packhelmconfig.cfg";
}

TestProgram::TestProgram(bool withLanguages, bool withPacker, Layout layout)
    : dir(withLanguages, withPacker, layout) {
  dir.prepare(ctx.state);
  ctx.runStartupOnShow = false;
  ctx.createForms();
  BuildEveryWindow(ctx);
}

void BuildEveryWindow(AppContext& ctx) {
  ctx.formAbout();
  ctx.formVersHist();
  ctx.formOpt();
  ctx.formChooseLang();
  ctx.formFTSC();
  ctx.formEditExec();
  ctx.formIntegration();
  ctx.formResults();
}
