// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status line: a read-only edit box that shows its whole message, wrapped at word boundaries
// over as many lines as it needs, up to MaxLines (a longer message ends in "…"; nothing is cut
// silently: the whole message is also its tooltip and its accessible description). One line is
// one line of its font high (the designed 17 pixels at 8 points). Its colour says what kind of
// message it is: the ordinary text colour, a warning's or an error's, legible on light and dark
// desktops alike.

#include <QLineEdit>

class StatusLine : public QLineEdit {
  Q_OBJECT
 public:
  enum class Kind { Normal, Warning, Error };
  static constexpr int MaxLines = 3;

  explicit StatusLine(QWidget* parent = nullptr);

  void setKind(Kind kind);
  Kind kind() const { return kind_; }
  // The lines the message is shown in at the current width; the last one ends in "…" when the
  // message needs more than MaxLines.
  QStringList shownLines() const;
  // The whole message fits its lines.
  bool wholeShown() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QRect textRect() const;
  // The message broken into lines for `width` pixels, however many it takes.
  QStringList wrapped(int width) const;
  int linesNeeded() const;
  QColor textColour() const;

  Kind kind_ = Kind::Normal;
  mutable int lines_ = 1;  // the lines its size was last asked for
};
