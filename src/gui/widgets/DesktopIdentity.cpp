#include "gui/widgets/DesktopIdentity.h"

#include <QApplication>

#include "PackhelmBuildConfig.h"

// The resource file lives in a static library: its registration must be pulled in by name.
static void initIconResource() {
  Q_INIT_RESOURCE(packhelm_icons);
}

namespace DesktopIdentity {

QIcon Icon() {
  initIconResource();
  QIcon icon;
  for (int size : {PACKHELM_ICON_SIZES})
    icon.addFile(QStringLiteral(":/icons/packhelm-%1.png").arg(size), QSize(size, size));
  return icon;
}

void Apply() {
  QGuiApplication::setDesktopFileName(QStringLiteral(PACKHELM_APP_ID));
  QApplication::setWindowIcon(Icon());
}

}  // namespace DesktopIdentity
