// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/console/EchoedNames.h"

#include <algorithm>

namespace {

bool isControl(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 0x20 || b == 0x7f;
}

}  // namespace

QByteArray EchoedNames::Shown(const QByteArray& name) {
  QByteArray shown = name;
  for (char& c : shown)
    if (isControl(c)) c = '?';
  return shown;
}

EchoedNames::EchoedNames(const QList<QByteArray>& args) {
  QList<QByteArray> names;
  for (const QByteArray& a : args) {
    if (std::none_of(a.begin(), a.end(), isControl)) continue;
    names << a;
    const QByteArray last = a.mid(a.lastIndexOf('/') + 1);
    if (last != a && std::any_of(last.begin(), last.end(), isControl)) names << last;
  }
  // The longest first, so that a whole path wins over its last part.
  std::sort(names.begin(), names.end(), [](const QByteArray& x, const QByteArray& y) {
    return x.size() != y.size() ? x.size() > y.size() : x < y;
  });
  names.erase(std::unique(names.begin(), names.end()), names.end());
  for (const QByteArray& n : names) names_.append({n, Shown(n)});
}

QByteArray EchoedNames::filter(const QByteArray& output) {
  const QByteArray text = held_ + output;
  held_.clear();
  QByteArray out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size();) {
    const QByteArrayView rest = QByteArrayView(text).sliced(i);
    bool replaced = false, partial = false;
    for (const auto& [name, shown] : names_) {
      if (rest.startsWith(name)) {
        out += shown;
        i += name.size();
        replaced = true;
        break;
      }
      partial = partial || (rest.size() < name.size() && QByteArrayView(name).startsWith(rest));
    }
    if (replaced) continue;
    if (partial) {  // the output ends inside what may be a name: wait for the rest
      held_ = rest.toByteArray();
      break;
    }
    out += text[i++];
  }
  return out;
}

QByteArray EchoedNames::finish() {
  QByteArray rest;
  rest.swap(held_);
  return rest;
}
