// SPDX-License-Identifier: GPL-3.0-or-later
// Turns the editable source of a language file into the file the program reads:
//   lngtool SOURCE.txt OUTPUT.lng
// See src/core/i18n/LanguageSource.h for the source format.

#include <QFile>
#include <cstdio>

#include "core/i18n/LanguageSource.h"
#include "core/settings/CFGfile.h"

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: lngtool SOURCE OUTPUT\n");
    return 2;
  }
  QFile in(QFile::decodeName(argv[1]));
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "lngtool: cannot read %s\n", argv[1]);
    return 1;
  }
  TCFGfile cfg;
  QByteArray error;
  if (!LanguageSource::Convert(in.readAll(), cfg, error)) {
    std::fprintf(stderr, "lngtool: %s: %s\n", argv[1], error.constData());
    return 1;
  }
  if (!cfg.SaveToFile(argv[2])) {
    std::fprintf(stderr, "lngtool: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
