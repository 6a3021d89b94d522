// SPDX-License-Identifier: GPL-3.0-or-later
// A yardstick of the start-up benchmark: the main window's form as designed (its widgets, its own
// texts, its fonts), built and shown with none of the program's start-up work: no settings, no
// language file, no packer, no icon. Packhelm beyond it is the cost of its start-up; it beyond the
// bare window is the cost of the window's widgets and texts themselves.
#include <QApplication>

#include "gui/main/FontConfigWarmUp.h"
#include "ui_TFormMain.h"

int main(int argc, char** argv) {
  FontConfigWarmUp fonts;  // as the program does
  QApplication app(argc, argv);
  fonts.wait();
  QWidget window;
  Ui::TFormMain ui;
  ui.setupUi(&window);
  window.show();
  return app.exec();
}
