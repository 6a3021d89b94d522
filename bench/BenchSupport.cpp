// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <algorithm>

#include "core/settings/ProgramState.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"

namespace Bench {

double Median(QList<double> v) {
  std::sort(v.begin(), v.end());
  return v.isEmpty() ? 0 : v[v.size() / 2];
}

QStringList ElfFiles(const QStringList& folders, QDirIterator::IteratorFlags flags, qint64 min,
                     qint64 max) {
  QStringList found;
  for (const QString& dir : folders) {
    QDirIterator it(dir, QDir::Files, flags);
    while (it.hasNext()) {
      const QFileInfo fi(it.next());
      if (fi.isSymLink() || fi.size() < min || fi.size() > max) continue;
      QFile f(fi.filePath());
      if (f.open(QIODevice::ReadOnly) && f.read(4) == QByteArray("\x7f"
                                                                 "ELF"))
        found << fi.filePath();
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

int RunPacker(const QString& packer, const QStringList& args) {
  QProcess p;
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p.setStandardOutputFile(QProcess::nullDevice());
  p.start(packer, args);
  if (!p.waitForFinished(-1)) return -1;
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

Program::Program(const QByteArray& packer) {
  dir.prepare(ctx.state);
  ctx.state.UpxLocation = packer;
  ctx.state.UpxShortLocation = packer;
  ctx.runStartupOnShow = false;
  ctx.state.opt.GlobalOpt_FirstTimeShowConsol = 1;
  ctx.state.opt.GlobalOpt_CloseCon = 2;
  ctx.state.Packer = PackerCapabilities::ForVersion("4.2.4");
  Prompts::Test().active = true;
  ctx.createForms();
  ctx.FormMain->show();
  QCoreApplication::processEvents();
}

}  // namespace Bench
