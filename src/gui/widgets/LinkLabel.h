// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A label that acts as a link: blue, underlined, hand cursor, clicked with the mouse or, when it
// has the keyboard focus (Tab), with Enter or Space. Its text stays plain, so a language file
// may replace it without breaking the link; the target lives in the code.

#include <QLabel>

class LinkLabel : public QLabel {
  Q_OBJECT
 public:
  explicit LinkLabel(QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  bool pressed_ = false;
};
