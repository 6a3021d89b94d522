// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/batch/RunGroups.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QHash>
#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace RunGroups {

int MaxRuns() {
  return qMax(1, QThread::idealThreadCount());
}

quint32 Clamp(quint32 runs) {
  return qBound(quint32(1), runs, quint32(MaxRuns()));
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

Queue::Queue(const QList<QByteArray>& files, int runs, qsizetype fixed, qsizetype room)
    : fixed_(fixed), room_(room) {
  QHash<QByteArray, qsizetype> unitOf;
  quint64 total = 0;
  for (qsizetype index = 0; index < files.size(); ++index) {
    const QByteArray& f = files[index];
    const QByteArray key = StemKey(f);
    auto it = unitOf.constFind(key);
    if (it == unitOf.constEnd()) {
      it = unitOf.insert(key, units_.size());
      units_.append(Unit());
    }
    struct stat st;
    const quint64 size =
        ::stat(f.constData(), &st) == 0 && st.st_size > 0 ? quint64(st.st_size) : 0;
    units_[*it].files.append(f);
    units_[*it].indexes.append(index);
    units_[*it].size += size;
    total += size;
  }
  std::stable_sort(units_.begin(), units_.end(),
                   [](const Unit& a, const Unit& b) { return a.size > b.size; });
  left_ = units_.size();
  // Some sixteen portions a run: the last ones are small, so the runs end close together, and
  // thousands of small files still start the packer only some dozens of times.
  bundle_ = qMax<quint64>(total / quint64(qMax(runs, 1) * 16), 1);
}

qsizetype Queue::cost(const QByteArray& file) const {
  return file.size() + 1 + qsizetype(sizeof(char*));
}

QList<QByteArray> Queue::take(int run) {
  // The run's earlier piece of a unit has ended: the unit's next piece may go.
  for (Unit& u : units_)
    if (u.busy == run) u.busy = -1;
  while (first_ < units_.size() && units_[first_].sent == units_[first_].files.size()) ++first_;
  QList<std::pair<qsizetype, QByteArray>> portion;  // with each file's place in the selection
  qsizetype used = fixed_;
  quint64 size = 0;
  for (qsizetype i = first_; i < units_.size() && size < bundle_; ++i) {
    Unit& u = units_[i];
    if (u.busy >= 0 || u.sent == u.files.size()) continue;
    qsizetype bytes = 0;
    for (qsizetype k = u.sent; k < u.files.size(); ++k) bytes += cost(u.files[k]);
    if (used + bytes > room_) {
      if (!portion.isEmpty()) continue;  // whole units only beside others
      // Too many names for one start: a piece now, the rest once it has ended.
      while (u.sent < u.files.size() &&
             (portion.isEmpty() || used + cost(u.files[u.sent]) <= room_)) {
        used += cost(u.files[u.sent]);
        portion.append({u.indexes[u.sent], u.files[u.sent]});
        ++u.sent;
      }
      u.busy = u.sent < u.files.size() ? run : -1;
      if (u.busy < 0) --left_;
      break;
    }
    for (; u.sent < u.files.size(); ++u.sent) portion.append({u.indexes[u.sent], u.files[u.sent]});
    used += bytes;
    size += u.size;
    --left_;
  }
  // Within a start the files keep the selection's order.
  std::sort(portion.begin(), portion.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  QList<QByteArray> files;
  files.reserve(portion.size());
  for (const auto& p : portion) files.append(p.second);
  return files;
}

QList<QByteArray> Queue::rest() const {
  QList<QByteArray> files;
  for (const Unit& u : units_) files += u.files.mid(u.sent);
  return files;
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
