// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/batch/RunGroups.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QHash>
#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>

extern char** environ;

namespace RunGroups {

int MaxRuns() {
  return qMax(1, QThread::idealThreadCount());
}

quint32 Clamp(quint32 runs) {
  return qBound(quint32(1), runs, quint32(MaxRuns()));
}

QList<QList<qsizetype>> SplitBySize(const QList<quint64>& sizes, int runs) {
  const qsizetype count = qMin<qsizetype>(qMax(runs, 1), sizes.size());
  if (count <= 1) {
    QList<qsizetype> all(sizes.size());
    std::iota(all.begin(), all.end(), 0);
    return {all};
  }
  QList<qsizetype> order(sizes.size());
  std::iota(order.begin(), order.end(), 0);
  // Largest first; equal sizes in selection order, so that the split never depends on chance.
  std::stable_sort(order.begin(), order.end(),
                   [&](qsizetype a, qsizetype b) { return sizes[a] > sizes[b]; });
  QList<QList<qsizetype>> groups(count);
  QList<quint64> totals(count, 0);
  for (qsizetype i = 0; i < order.size(); ++i) {
    // The first items open the groups, so that none stays empty even beside files of size 0.
    qsizetype to = i;
    if (i >= count) to = std::min_element(totals.begin(), totals.end()) - totals.begin();
    groups[to].append(order[i]);
    totals[to] += sizes[order[i]];
  }
  for (QList<qsizetype>& g : groups) std::sort(g.begin(), g.end());
  return groups;
}

QByteArray StemKey(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  QByteArray folder = slash < 0 ? QByteArray(".") : path.left(slash + 1);
  if (folder.isEmpty()) folder = "/";
  if (char* real = ::realpath(folder.constData(), nullptr)) {
    folder = QByteArray(real) + '/';
    std::free(real);
  }
  const QByteArray name = path.mid(slash + 1);
  const qsizetype dot = name.lastIndexOf('.');
  return folder + '\0' + (dot < 0 ? name : name.left(dot));
}

QList<QList<QByteArray>> SplitFiles(const QList<QByteArray>& files, int runs) {
  // Files that must share a run form one unit, in the order of their first file.
  QList<QList<qsizetype>> units;
  QList<quint64> sizes;
  QHash<QByteArray, qsizetype> unitOf;
  for (qsizetype i = 0; i < files.size(); ++i) {
    struct stat st;
    const quint64 size =
        ::stat(files[i].constData(), &st) == 0 && st.st_size > 0 ? quint64(st.st_size) : 0;
    const QByteArray key = StemKey(files[i]);
    auto it = unitOf.constFind(key);
    if (it == unitOf.constEnd()) {
      it = unitOf.insert(key, units.size());
      units.append(QList<qsizetype>());
      sizes.append(0);
    }
    units[*it].append(i);
    sizes[*it] += size;
  }
  QList<QList<QByteArray>> groups;
  for (const QList<qsizetype>& g : SplitBySize(sizes, runs)) {
    QList<qsizetype> members;
    for (qsizetype u : g) members.append(units[u]);
    // Within a run the files keep the order of the selection.
    std::sort(members.begin(), members.end());
    QList<QByteArray> names;
    names.reserve(members.size());
    for (qsizetype i : members) names.append(files[i]);
    groups.append(names);
  }
  return groups;
}

QList<QList<QByteArray>> SplitForArgumentLimit(const QList<QByteArray>& files, qsizetype fixed,
                                               qsizetype room) {
  QList<QList<QByteArray>> batches{{}};
  qsizetype used = fixed;
  for (const QByteArray& f : files) {
    const qsizetype cost = f.size() + 1 + qsizetype(sizeof(char*));
    if (!batches.last().isEmpty() && used + cost > room) {
      batches.append(QList<QByteArray>());
      used = fixed;
    }
    batches.last().append(f);
    used += cost;
  }
  return batches;
}

qsizetype ArgumentRoom() {
  const long limit = ::sysconf(_SC_ARG_MAX);
  qsizetype environment = 0;
  for (char** e = environ; e && *e; ++e) environment += qsizetype(strlen(*e)) + 1 + sizeof(char*);
  // The margin covers the program's own name and what the terminal adds to the environment.
  return qMax<qsizetype>(qsizetype(limit > 0 ? limit : 131072) - environment - 8192, 4096);
}

qsizetype WorstRun(const QList<int>& codes) {
  auto weight = [](int code) {
    switch (code) {
      case 0:
        return 0;
      case 2:
        return 1;
      case 1:
        return 2;
      default:
        return 3;
    }
  };
  qsizetype worst = -1;
  for (qsizetype i = 0; i < codes.size(); ++i)
    if (worst < 0 || weight(codes[i]) > weight(codes[worst])) worst = i;
  return worst;
}

}  // namespace RunGroups
