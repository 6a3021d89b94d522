// SPDX-License-Identifier: GPL-3.0-or-later
// Folders as input in the window: a folder of 100,000 entries dropped on the main window
// (offscreen). Side by side in one run: the search alone (ExecutableScan::Expand), the drop until
// the selection is shown, the longest time the event loop went without turning meanwhile (a
// 1 ms timer's largest gap: how long the window was frozen), and the file box with the size
// figures of the 10,000 files found (FillText). Run by hand:
//   QT_QPA_PLATFORM=offscreen build/bin/bench_folderdrop [entries]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "ScanTree.h"
#include "core/batch/ExecutableScan.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"
#include "support/TestProgramDir.h"

namespace {

double median(QList<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
  TestProgramDir dir(false, false);
  const QString root = QFile::decodeName(dir.path()) + QStringLiteral("tree");
  const int executables = MakeScanTree(root, entries);
  if (executables < 0) return 1;
  const QByteArray rootBytes = QFile::encodeName(root);
  std::printf("tree: %d entries, %d executables\n", entries, executables);

  AppContext ctx;
  dir.prepare(ctx.state);
  ctx.runStartupOnShow = false;
  Prompts::Test().active = true;
  ctx.createForms();
  ctx.FormMain->show();
  app.processEvents();

  QList<double> scan, drop, stall, fill;
  for (int round = 0; round < 5; ++round) {
    QElapsedTimer t;
    t.start();
    const ExecutableScan::Result r = ExecutableScan::Expand({rootBytes});
    scan << t.nsecsElapsed() / 1e6;
    if (r.files.size() != executables) return 1;

    ctx.state.FileList.clear();
    qint64 last = 0, longest = 0;
    QTimer tick;
    QElapsedTimer since;
    QObject::connect(&tick, &QTimer::timeout, [&] {
      const qint64 now = since.nsecsElapsed();
      longest = std::max(longest, now - last);
      last = now;
    });
    tick.start(1);
    since.start();
    t.restart();
    ctx.FormMain->WMDropFiles({rootBytes});
    while (ctx.state.FileList.size() != executables)
      app.processEvents(QEventLoop::WaitForMoreEvents);
    drop << t.nsecsElapsed() / 1e6;
    // The gap that holds the selection's own display counts too: a few more ticks after it.
    for (QElapsedTimer after; !after.isValid() || after.elapsed() < 50;) {
      if (!after.isValid()) after.start();
      app.processEvents(QEventLoop::WaitForMoreEvents);
    }
    tick.stop();
    stall << longest / 1e6;

    t.restart();
    ctx.FormMain->FillText();
    fill << t.nsecsElapsed() / 1e6;
  }
  const double s = median(scan);
  std::printf("search alone:             median %.0f ms\n", s);
  std::printf("drop until shown:         median %.0f ms (%.2f x the search)\n", median(drop),
              median(drop) / s);
  std::printf(
      "longest event-loop stall: median %.1f ms from the drop to 50 ms after the selection\n",
      median(stall));
  std::printf("file box and sizes:       median %.1f ms for %d files (%.3f x the search)\n",
              median(fill), executables, median(fill) / s);
  return 0;
}
