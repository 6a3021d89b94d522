// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/results/TFormResults.h"

#include <QAbstractTableModel>
#include <QActionGroup>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>

#include "core/console/EchoedNames.h"
#include "core/settings/ProgramState.h"
#include "gui/widgets/Placement.h"
#include "gui/widgets/Prompts.h"
#include "ui_TFormResults.h"

namespace {

enum Column { File, Before, After, Outcome, Message, ColumnCount };

// Names and messages may hold any byte: control bytes show as "?", bytes that are not UTF-8 as
// the file system's decoding gives them.
QString shown(const QByteArray& bytes) {
  return QFile::decodeName(EchoedNames::Shown(bytes));
}

// A long name is cut in its middle, where it tells least (its folder's start and its own name
// stay); other texts at their end. The current cell gets a frame while the table has the focus:
// the row's highlight alone does not tell a keyboard user where the focus is, nor which column is
// current.
class CellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = index.column() == File ? Qt::ElideMiddle : Qt::ElideRight;
  }
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    if (!(option.state & QStyle::State_HasFocus)) return;
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setPen(
        QPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Highlight), 2));
    painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
    painter->restore();
  }
};

}  // namespace

class ResultsModel : public QAbstractTableModel {
 public:
  explicit ResultsModel(const ProgramState& state, QObject* parent)
      : QAbstractTableModel(parent), state_(state) {}

  void setRows(const QList<FileResults::Row>& rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
  }
  const FileResults::Row& row(int i) const { return rows_[i]; }
  void retranslate() {
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!rows_.isEmpty()) emit dataChanged(index(0, Outcome), index(rowCount() - 1, Message));
  }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : int(rows_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : ColumnCount;
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return state_.langText(LangText(int(LangText::ResultsColumnFile) + section));
  }
  QString text(int r, int column) const {
    const FileResults::Row& row = rows_[r];
    const auto size = [](const std::optional<quint64>& s) {
      return s ? QLocale().toString(*s) : QString();
    };
    switch (column) {
      case File:
        return shown(row.file);
      case Before:
        return size(row.sizeBefore);
      case After:
        return size(row.sizeAfter);
      case Outcome:
        return state_.langText(LangText(int(LangText::ResultsOutcomeFirst) + int(row.outcome)));
      default:
        return message(row.message);
    }
  }
  // The packer's words, after what they mean in the user's language where that is known.
  QString message(const QByteArray& raw) const {
    const FileResults::Meaning m = FileResults::MeaningOf(raw);
    if (m == FileResults::Meaning::Unknown) return shown(raw);
    const QString meaning = state_.langText(LangText(int(LangText::ResultsMeaningFirst) + int(m) -
                                                     int(FileResults::Meaning::AlreadyPacked)));
    return meaning + QStringLiteral(" (") + shown(raw) + u')';
  }
  QVariant data(const QModelIndex& i, int role) const override {
    if (!i.isValid()) return {};
    const FileResults::Row& row = rows_[i.row()];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return text(i.row(), i.column());
    // Sizes sort by their number, outcomes in their own order.
    if (role == Qt::UserRole) {
      if (i.column() == Before) return row.sizeBefore ? qint64(*row.sizeBefore) : -1;
      if (i.column() == After) return row.sizeAfter ? qint64(*row.sizeAfter) : -1;
      if (i.column() == Outcome) return int(row.outcome);
      return text(i.row(), i.column());
    }
    if (role == Qt::TextAlignmentRole && (i.column() == Before || i.column() == After))
      return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
  }

 private:
  const ProgramState& state_;
  QList<FileResults::Row> rows_;
};

TFormResults::TFormResults(ProgramState& state, QWidget* parent)
    : QDialog(parent),
      state_(state),
      ui(new Ui::TFormResults),
      model_(new ResultsModel(state, this)),
      sorted_(new QSortFilterProxyModel(this)) {
  ui->setupUi(this);
  sorted_->setSourceModel(model_);
  sorted_->setSortRole(Qt::UserRole);
  ui->TableResults->setModel(sorted_);
  ui->TableResults->sortByColumn(-1, Qt::AscendingOrder);  // the job's order until a click
  // The message takes what the other columns leave; a cut text stands whole in the detail box
  // and its tooltip.
  ui->TableResults->horizontalHeader()->setStretchLastSection(true);
  ui->TableResults->setItemDelegate(new CellDelegate(ui->TableResults));
  ui->TableResults->viewport()->installEventFilter(this);
  // By keyboard: Ctrl+C copies the chosen rows, the menu (menu key) also sorts.
  ui->TableResults->installEventFilter(this);
  ui->TableResults->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ui->TableResults, &QWidget::customContextMenuRequested, this,
          &TFormResults::showTableMenu);
  // The detail box is read with the keyboard too: a cursor to move, text to select and copy.
  ui->EditMessage->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                           Qt::TextSelectableByKeyboard);
  ui->TableResults->verticalHeader()->hide();
  // One line of text a row: thousands of rows stay quick to look through.
  ui->TableResults->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  ui->TableResults->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  // Wider with a larger font, as far as the screen has room.
  if (const QScreen* screen = Placement::ScreenOf(this))
    resize(qMax(width(), qMin(120 * fontMetrics().averageCharWidth(),
                              screen->availableGeometry().width() * 9 / 10)),
           height());
  ui->Splitter->setStretchFactor(0, 4);
  ui->Splitter->setStretchFactor(1, 1);
  connect(ui->TableResults->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &TFormResults::showMessage);
  connect(ui->ButtonCopy, &QPushButton::clicked, this, &TFormResults::copy);
  connect(ui->ButtonSave, &QPushButton::clicked, this, &TFormResults::save);
  connect(ui->ButtonClose, &QPushButton::clicked, this, &QDialog::close);
}

TFormResults::~TFormResults() {
  delete ui;
}

void TFormResults::setRows(const QList<FileResults::Row>& rows) {
  model_->setRows(rows);
  fitColumns();
  ui->TableResults->setCurrentIndex(sorted_->index(0, 0));
  showMessage();
}

void TFormResults::retranslate() {
  model_->retranslate();
  fitColumns();
  showMessage();
}

void TFormResults::fitColumns() {
  QTableView* table = ui->TableResults;
  QHeaderView* header = table->horizontalHeader();
  // The sizes and the outcome as wide as they are; the name as wide as it is up to half of what
  // they leave, the message over the rest (it stretches), at least a few words each.
  int fixed = 0;
  for (int c = Before; c <= Outcome; ++c) {
    table->resizeColumnToContents(c);
    fixed += header->sectionSize(c);
  }
  table->resizeColumnToContents(File);
  const int words = 16 * table->fontMetrics().averageCharWidth();
  const int half = (table->viewport()->width() - fixed) / 2;
  header->resizeSection(File, qMax(qMin(header->sectionSize(File), half), words));
}

bool TFormResults::eventFilter(QObject* watched, QEvent* event) {
  // The columns share the table's width anew whenever it changes.
  if (watched == ui->TableResults->viewport() && event->type() == QEvent::Resize) fitColumns();
  if (watched == ui->TableResults && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    copy();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TFormResults::showTableMenu(const QPoint& at) {
  // Popped up, not exec()'d: nothing waits for it.
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QAction* copyRows = menu->addAction(ui->ButtonCopy->text(), this, &TFormResults::copy);
  copyRows->setShortcut(QKeySequence::Copy);
  menu->addSeparator();
  const QHeaderView* header = ui->TableResults->horizontalHeader();
  // One column at a time: read out as a choice among them.
  auto* columns = new QActionGroup(menu);
  for (int c = 0; c < ColumnCount; ++c) {
    const QString title = model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    QAction* sort = menu->addAction(state_.langText(LangText::ResultsSortBy, title));
    columns->addAction(sort);
    sort->setCheckable(true);
    sort->setChecked(header->isSortIndicatorShown() && header->sortIndicatorSection() == c);
    connect(sort, &QAction::triggered, this, [this, c] { sortBy(c); });
  }
  menu->popup(ui->TableResults->viewport()->mapToGlobal(at));
}

void TFormResults::sortBy(int column) {
  // The same column again turns the order round, as a second click on its header does.
  const QHeaderView* header = ui->TableResults->horizontalHeader();
  const bool again = header->isSortIndicatorShown() && header->sortIndicatorSection() == column &&
                     header->sortIndicatorOrder() == Qt::AscendingOrder;
  ui->TableResults->sortByColumn(column, again ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TFormResults::showMessage() {
  const QModelIndex current = sorted_->mapToSource(ui->TableResults->currentIndex());
  if (!current.isValid()) {
    ui->EditMessage->clear();
    return;
  }
  const FileResults::Row& row = model_->row(current.row());
  ui->EditMessage->setPlainText(
      model_->text(current.row(), File) + u'\n' + model_->text(current.row(), Outcome) +
      (row.message.isEmpty() ? QString() : QStringLiteral(": ") + model_->message(row.message)));
}

QString TFormResults::selectedText() const {
  QModelIndexList rows = ui->TableResults->selectionModel()->selectedRows();
  if (rows.isEmpty())
    for (int r = 0; r < sorted_->rowCount(); ++r) rows.append(sorted_->index(r, 0));
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  QString out;
  for (const QModelIndex& i : std::as_const(rows)) {
    const int r = sorted_->mapToSource(i).row();
    QStringList cells;
    for (int c = 0; c < ColumnCount; ++c) cells.append(model_->text(r, c));
    out += cells.join(u'\t') + u'\n';
  }
  return out;
}

void TFormResults::copy() {
  QGuiApplication::clipboard()->setText(selectedText());
}

void TFormResults::save() {
  FileDialogSpec spec(QStringLiteral("SaveDialogResults"), FileDialogSpec::Kind::Save, this);
  spec.title = state_.langText(LangText::ResultsSaveCaption);
  spec.filter = QStringLiteral("CSV|*.csv");
  // Beside the selected files, else in the user's home (never the program's own folder).
  const QList<QByteArray>& files = state_.FileList;
  const QString near = files.isEmpty() ? QDir::homePath()
                                       : QFileInfo(QFile::decodeName(files.first())).absolutePath();
  spec.fileName = QDir(near).filePath(QStringLiteral("results.csv"));
  // The rows as they are now: a later job must not change what this dialog saves.
  QList<FileResults::Row> rows;
  for (int r = 0; r < model_->rowCount(); ++r) rows.append(model_->row(r));
  Prompts::SaveFile(this, spec, [this, rows](const QString& chosen) {
    if (chosen.isEmpty()) return;
    QString why;
    if (FileResults::WriteCsv(QFile::encodeName(chosen), rows, &why)) return;
    Prompts::Message(this, Prompts::Icon::Error,
                     state_.langText(LangText::ResultsNotSaved, chosen, why),
                     state_.langText(LangText::ErrorCaption));
  });
}
