// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A check box whose caption wraps onto further lines within the box's width, for captions that a
// language file may make longer than one line. The whole box, text included, toggles on a click.

#include <QCheckBox>

class WrapCheckBox : public QCheckBox {
  Q_OBJECT
 public:
  explicit WrapCheckBox(QWidget* parent = nullptr);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;

 private:
  QRect textRect(int width, int height) const;
  int indicatorWidth() const;
};
