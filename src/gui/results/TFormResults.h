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

 private:
  void showMessage();

  ProgramState& state_;
  Ui::TFormResults* ui;
  ResultsModel* model_;
  QSortFilterProxyModel* sorted_;
};
