#pragma once
// A push button whose caption wraps onto several lines when it does not fit on one, so that
// translated captions of the narrow buttons stay readable.

#include <QPushButton>

class TWrapButton : public QPushButton {
  Q_OBJECT
 public:
  explicit TWrapButton(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};
