// SPDX-License-Identifier: GPL-3.0-or-later
// Times saving and loading configuration files of 10,000 and 100,000 records.
// Usage: bench_cfgfile [folder]   (default: a temporary folder)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

#include "core/settings/CFGfile.h"

namespace {

void fill(TCFGfile& cfg, int records) {
  for (int i = 0; i < records; ++i) {
    const QByteArray key = "Key_" + QByteArray::number(i);
    switch (i % 4) {
      case 0:
        cfg.SetString(key, "a string value of some length, number " + QByteArray::number(i));
        break;
      case 1:
        cfg.SetInteger(key, i % 2 ? i : -i);
        break;
      case 2:
        cfg.SetCardinal(key, quint32(i) * 40503u);
        break;
      default:
        cfg.SetBoolean(key, i % 3 == 0);
        break;
    }
  }
}

bool run(const QString& folder, int records, int rounds) {
  const QByteArray path = QFile::encodeName(folder + "/bench-" + QString::number(records) + ".cfg");
  TCFGfile source;
  QElapsedTimer t;
  t.start();
  fill(source, records);
  const qint64 fillNs = t.nsecsElapsed();

  qint64 bestSave = -1, bestLoad = -1;
  for (int r = 0; r < rounds; ++r) {
    t.restart();
    if (!source.SaveToFile(path)) {
      std::fprintf(stderr, "save failed: %s\n", path.constData());
      return false;
    }
    const qint64 save = t.nsecsElapsed();
    TCFGfile loaded;
    t.restart();
    if (!loaded.LoadFromFile(path)) {
      std::fprintf(stderr, "load failed: %s\n", path.constData());
      return false;
    }
    const qint64 load = t.nsecsElapsed();
    if (loaded.StringCount() != source.StringCount()) {
      std::fprintf(stderr, "load lost records\n");
      return false;
    }
    if (bestSave < 0 || save < bestSave) bestSave = save;
    if (bestLoad < 0 || load < bestLoad) bestLoad = load;
  }
  const qint64 bytes = QFileInfo(QFile::decodeName(path)).size();
  std::printf(
      "%7d records, %9lld bytes: fill %8.2f ms, SaveToFile %8.2f ms, LoadFromFile %8.2f ms"
      " (best of %d)\n",
      records, (long long)bytes, fillNs / 1e6, bestSave / 1e6, bestLoad / 1e6, rounds);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir temp;
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
  if (argc <= 1 && !temp.isValid()) return 1;
  bool ok = run(folder, 10000, 5);
  ok = run(folder, 100000, 5) && ok;
  return ok ? 0 : 1;
}
