// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A titled group of radio buttons addressed by item index, where -1 means "nothing selected".
// Language files replace its caption and its item texts line by line; the settings store its
// item index. A flat group without a title sits inside a titled group box of its own: it draws
// no frame and keeps no margins, so its items line up with the box's other controls.

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

class RadioGroup : public QGroupBox {
  Q_OBJECT
  Q_PROPERTY(QStringList items READ items WRITE setItems)
  Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex NOTIFY itemIndexChanged)
  Q_PROPERTY(int columns READ columns WRITE setColumns)
 public:
  explicit RadioGroup(QWidget* parent = nullptr);

  QStringList items() const;
  // Replaces all items (the selection is cleared).
  void setItems(const QStringList& items);
  int count() const;
  void setItemText(int index, const QString& text);
  QRadioButton* button(int index) const;

  int itemIndex() const { return index_; }
  // -1 clears the selection; values beyond the ends go to the nearest end.
  void setItemIndex(int index);

  int columns() const { return columns_; }
  void setColumns(int columns);

 signals:
  void itemIndexChanged(int index);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool bare() const;
  void placeInFocusChain();
  void fitMargins();
  void relayout();
  QButtonGroup* group_;
  QGridLayout* grid_;
  QList<QRadioButton*> buttons_;
  int index_ = -1;
  int columns_ = 1;
};
