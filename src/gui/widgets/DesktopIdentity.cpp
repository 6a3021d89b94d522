// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/DesktopIdentity.h"

#include <QApplication>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "PackhelmBuildConfig.h"

// The resource file lives in a static library: its registration must be pulled in by name.
static void initIconResource() {
  Q_INIT_RESOURCE(packhelm_icons);
}

namespace {

constexpr int kSizes[] = {PACKHELM_ICON_SIZES};  // ascending

int fitted(const QSize& size) {
  return qBound(1, qMin(size.width(), size.height()), std::end(kSizes)[-1]);
}

// The application icon, decoded only while it is asked for. The window system keeps its own copy
// of a window's icon, so decoded images kept here (about 360 KiB for the eight sizes) would only
// take memory for the whole run. Its images are read as PNG: left to guess, the reader would
// first load every image plug-in (and the libraries behind them) to ask whether one of them knows
// the file.
class ResourceIconEngine : public QIconEngine {
 public:
  QList<QSize> availableSizes(QIcon::Mode = QIcon::Normal, QIcon::State = QIcon::Off) override {
    QList<QSize> sizes;
    for (int size : kSizes) sizes << QSize(size, size);
    return sizes;
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    return QSize(fitted(size), fitted(size));
  }

  // The smallest rendered size at least as large as the request, scaled down to it when no size
  // matches exactly; never larger than the largest.
  QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
    const int wanted = fitted(size);
    const int chosen = *std::find_if(std::begin(kSizes), std::end(kSizes),
                                     [wanted](int s) { return s >= wanted; });
    QImageReader reader(QStringLiteral(":/icons/packhelm-%1.png").arg(chosen), "png");
    reader.setAutoDetectImageFormat(false);
    QImage image = reader.read();
    if (chosen != wanted && !image.isNull())
      image = image.scaled(wanted, wanted, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return QPixmap::fromImage(std::move(image));
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
  }

  QIconEngine* clone() const override { return new ResourceIconEngine; }
  QString key() const override { return QStringLiteral("ResourceIconEngine"); }
};

}  // namespace

namespace DesktopIdentity {

QIcon Icon() {
  initIconResource();
  return QIcon(new ResourceIconEngine);
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
