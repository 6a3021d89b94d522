#include "gui/widgets/DesktopIdentity.h"

#include <QApplication>
#include <QImageReader>
#include <QPixmap>

#include "PackhelmBuildConfig.h"

// The resource file lives in a static library: its registration must be pulled in by name.
static void initIconResource() {
  Q_INIT_RESOURCE(packhelm_icons);
}

namespace DesktopIdentity {

QIcon Icon() {
  initIconResource();
  QIcon icon;
  for (int size : {PACKHELM_ICON_SIZES}) {
    // Read as what they are: left to guess, the reader would first load every image plug-in
    // (and the libraries behind them) to ask whether one of them knows the file.
    QImageReader reader(QStringLiteral(":/icons/packhelm-%1.png").arg(size), "png");
    reader.setAutoDetectImageFormat(false);
    icon.addPixmap(QPixmap::fromImage(reader.read()));
  }
  return icon;
}

void ApplyName() {
  QGuiApplication::setDesktopFileName(QStringLiteral(PACKHELM_APP_ID));
}

void ApplyIcon() {
  QApplication::setWindowIcon(Icon());
}

void Apply() {
  ApplyName();
  ApplyIcon();
}

}  // namespace DesktopIdentity
