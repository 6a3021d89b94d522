// SPDX-License-Identifier: GPL-3.0-or-later
// Folders as input: scanning a large tree for executables. Builds a tree of 100,000 entries
// (1,000 folders of 99 files, one in ten an ELF file, the rest text) in a temporary folder and
// times ExecutableScan::Expand over it, the way a folder drop runs it. Run by hand:
//   build/bin/bench_scan [entries]
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "ScanTree.h"
#include "core/batch/ExecutableScan.h"

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
  QTemporaryDir dir;
  const QByteArray root = QFile::encodeName(dir.path());
  const int executables = MakeScanTree(dir.path(), entries);
  if (executables < 0) return 1;
  std::printf("tree: %d entries, %d executables\n", entries, executables);
  QList<qint64> times;
  for (int round = 0; round < 5; ++round) {
    QElapsedTimer t;
    t.start();
    const ExecutableScan::Result r = ExecutableScan::Expand({root});
    times << t.elapsed();
    if (r.files.size() != executables) {
      std::printf("wrong count: %lld\n", qlonglong(r.files.size()));
      return 1;
    }
  }
  std::sort(times.begin(), times.end());
  std::printf("scan: median %lld ms, best %lld ms, worst %lld ms (5 rounds, warm cache)\n",
              times[2], times[0], times[4]);
  return 0;
}
