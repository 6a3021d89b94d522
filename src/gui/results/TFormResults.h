// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the last job did to each file: a sortable table of the files with their sizes, outcome
// and the packer's message (the current row's message in full below it), copied as text or
// saved as CSV.

#include <QDialog>

#include "core/packer/FileResults.h"

struct ProgramState;
class QSortFilterProxyModel;
class ResultsModel;
namespace Ui {
class TFormResults;
}

class TFormResults : public QDialog {
  Q_OBJECT
 public:
  explicit TFormResults(ProgramState& state, QWidget* parent = nullptr);
  ~TFormResults() override;

  void setRows(const QList<FileResults::Row>& rows);
  // The column titles and outcome names anew, after a change of language.
  void retranslate();

  // The selected rows (every row when none is selected) as lines of tab-separated text, in the
  // order shown.
  QString selectedText() const;
  void copy();
  void save();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void showMessage();
  // Columns as wide as their contents, the file's cut so that outcome and message stay in sight.
  void fitColumns();
  // The table's menu (right click, menu key): copy, and sort by each column.
  void showTableMenu(const QPoint& at);
  void sortBy(int column);

  ProgramState& state_;
  Ui::TFormResults* ui;
  ResultsModel* model_;
  QSortFilterProxyModel* sorted_;
};
