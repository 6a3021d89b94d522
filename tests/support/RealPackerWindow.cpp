// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/RealPackerWindow.h"

#include <QDir>
#include <QFile>

#include "core/packer/PackerVersion.h"
#include "support/RealPacker.h"
#include "support/TestProgramDir.h"

RealPackerWindow::RealPackerWindow(quint32 runs)
    : MainWindowTest(
          [runs](AppContext& ctx) {
            qunsetenv("PACKHELM_STANDIN_ARGLOG");
            const QByteArray packer = RealPacker::Path();
            ctx.state.UpxLocation = packer;
            ctx.state.UpxShortLocation = packer;
            ctx.state.Packer = AskPackerVersion(packer);
            ctx.state.opt.GlobalOpt_CloseCon = int(CloseCon::Never);
            ctx.state.opt.GlobalOpt_PackerRuns = runs;
          },
          WindowSetup{.standin = false}) {
  QDir().mkpath(QFile::decodeName(work()));
}
