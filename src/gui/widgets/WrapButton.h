// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A push button whose caption wraps onto several lines when it does not fit on one, so that
// translated captions of the narrow buttons stay readable. It asks for the width of the caption
// broken into two lines at the best place, and the height of those lines; like every caption
// button, never less than its designed size.

#include "gui/widgets/CaptionButton.h"

class WrapButton : public CaptionButton {
  Q_OBJECT
 public:
  explicit WrapButton(QWidget* parent = nullptr);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
