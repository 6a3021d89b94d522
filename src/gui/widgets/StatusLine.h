// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status line: a read-only line that always shows the beginning of its message (the word
// that says what happened), with the whole message in its tooltip, and one line of its font
// high (the designed 17 pixels at 8 points).

#include <QLineEdit>

class StatusLine : public QLineEdit {
  Q_OBJECT
 public:
  explicit StatusLine(QWidget* parent = nullptr);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
};
