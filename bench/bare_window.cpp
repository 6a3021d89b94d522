// SPDX-License-Identifier: GPL-3.0-or-later
// The yardsticks of the start-up benchmark: a bare Qt Widgets window of the main window's size,
// shown at once, doing nothing else; with "text", the same window showing one line of text (what
// any window with text pays for fonts, shaping and glyphs).
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget w;
  // The size of the main window it is compared with (the benchmark passes what it measured).
  const int width = argc > 2 ? std::atoi(argv[1]) : 338;
  const int height = argc > 2 ? std::atoi(argv[2]) : 398;
  if (argc > 3 && std::strcmp(argv[3], "text") == 0)
    (new QVBoxLayout(&w))->addWidget(new QLabel(QStringLiteral("Packhelm: Pack, Unpack"), &w));
  w.setFixedSize(width, height);
  w.show();
  return app.exec();
}
