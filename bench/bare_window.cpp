// The yardstick of the start-up benchmark: a bare Qt Widgets window of the main window's size,
// shown at once, doing nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget w;
  w.setFixedSize(297, 393);
  w.show();
  return app.exec();
}
