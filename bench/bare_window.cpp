// The yardstick of the start-up benchmark: a bare Qt Widgets window of the main window's size,
// shown at once, doing nothing else.
#include <QApplication>
#include <QWidget>
#include <cstdlib>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget w;
  // The size of the main window it is compared with (the benchmark passes what it measured).
  const int width = argc > 2 ? std::atoi(argv[1]) : 338;
  const int height = argc > 2 ? std::atoi(argv[2]) : 398;
  w.setFixedSize(width, height);
  w.show();
  return app.exec();
}
