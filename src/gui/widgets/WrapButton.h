#pragma once
// A push button whose caption wraps onto several lines when it does not fit on one, so that
// translated captions of the narrow buttons stay readable. It asks for the width of the caption
// broken into two lines at the best place, and the height of those lines.

#include <QPushButton>

class WrapButton : public QPushButton {
  Q_OBJECT
  // The size the form gives the button at its designed font: it is never smaller, and larger
  // only when its caption needs more. (A minimum size would hold even against the caption.)
  Q_PROPERTY(QSize designedSize READ designedSize WRITE setDesignedSize)
 public:
  explicit WrapButton(QWidget* parent = nullptr);

  QSize designedSize() const { return designed_; }
  void setDesignedSize(const QSize& size);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QSize designed_;
};
