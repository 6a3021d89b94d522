#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "app/AppContext.h"
#include "app/TFormMain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Packhelm"));
  QApplication::setApplicationDisplayName(QStringLiteral("Packhelm"));

  AppContext ctx;
  // Relative file arguments are taken against the folder Packhelm was started from, before the
  // program folder becomes the current directory.
  const QStringList args = QCoreApplication::arguments();
  for (int i = 1; i < args.size(); ++i)
    ctx.arguments.append(QFile::encodeName(QFileInfo(args[i]).absoluteFilePath()));

  ctx.createForms();
  ctx.FormMain->show();
  return app.exec();
}
