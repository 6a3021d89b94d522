// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The arrangement of a window made of a column of controls and a panel beside it that the window
// reveals by growing wider (the main window's option panel). The column and the panel are as
// large as their contents need, and at least their designed sizes; both are as tall as the taller
// of them. The window is always exactly as large as the column plus the shown part of the panel,
// so it grows with its texts (font, language, scale) instead of clipping them.

#include <QLayout>

class PanelSlideLayout : public QLayout {
  Q_OBJECT
 public:
  // `overlap`: pixels of the column the panel's left edge covers.
  PanelSlideLayout(QWidget* window, QWidget* column, QWidget* panel, int overlap = 1);
  ~PanelSlideLayout() override;

  // How many pixels of width the window adds to the column (0: the panel hidden). Once the whole
  // panel shows (panel width + overlap or more, by the panel's width at the time of the call) it
  // keeps showing whole when the panel later needs more room.
  void setShownWidth(int extra);
  int shownWidth() const;
  QSize columnSize() const;
  QSize panelSize() const;

  QSize sizeHint() const override;
  QSize minimumSize() const override;
  QSize maximumSize() const override;
  void setGeometry(const QRect& rect) override;
  void addItem(QLayoutItem* item) override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  int count() const override;
  Qt::Orientations expandingDirections() const override { return {}; }

 private:
  int height() const;
  QLayoutItem* column_;
  QLayoutItem* panel_;
  int overlap_;
  int extra_ = 0;
  bool whole_ = false;
};
