// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A push button as large as its caption needs and no larger: the style's size for the caption,
// without the minimum width some styles give every push button (80 pixels in Fusion). Rows of
// short captions keep their narrow designed buttons and widen only for a caption that needs it.

#include <QPushButton>

class CaptionButton : public QPushButton {
  Q_OBJECT
  // The size the form gives the button at its designed font: it is never smaller, and larger
  // only when its caption needs more. (A minimum size would hold even against the caption.)
  Q_PROPERTY(QSize designedSize READ designedSize WRITE setDesignedSize)
 public:
  explicit CaptionButton(QWidget* parent = nullptr);

  QSize designedSize() const { return designed_; }
  void setDesignedSize(const QSize& size);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // The room a caption of `textSize` needs in `button`, its frame included.
  static QSize sizeFor(const QPushButton* button, const QSize& textSize);

 private:
  QSize designed_;
};
