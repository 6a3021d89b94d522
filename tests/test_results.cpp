// SPDX-License-Identifier: GPL-3.0-or-later
// The results window by itself: its columns keep the outcome and the message in sight whatever
// the names, everything is reached and done by keyboard (Tab, Ctrl+C, sorting, a visible focus),
// and the packer's messages are said in the user's language beside its own words.
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QtTest>

#include "core/packer/FileResults.h"
#include "gui/main/AppContext.h"
#include "gui/results/TFormResults.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

using FileResults::Outcome;
using FileResults::Row;

namespace {

// A job's rows: a name as long as a file system allows, an ordinary one, and two refusals.
const QByteArray kLongName = "/home/user/" + QByteArray(250, 'n') + "/tool";
QList<Row> jobRows() {
  return {{kLongName, 123456, 45678, Outcome::Packed, {}},
          {"/home/user/already", 2000, 2000, Outcome::AlreadyPacked,
           "AlreadyPackedException: already packed by UPX"},
          {"/home/user/text", 300, 300, Outcome::Unsupported, "UnknownExecutableFormatException"},
          {"/home/user/odd", 900, 900, Outcome::Failed, "IOException: bad write"}};
}

// The results window of a program of the test's own, in a language, showing the rows.
struct Window {
  TestProgram prog{true, false};
  TFormResults* form = nullptr;
  QTableView* table = nullptr;
  explicit Window(const QByteArray& language = "English.lng") {
    prog.ctx.changeLanguage(language);
    form = prog.ctx.formResults();
    form->setRows(jobRows());
    form->show();
    QApplication::setActiveWindow(form);
    Settle();
    table = form->findChild<QTableView*>(QStringLiteral("TableResults"));
  }
  QString cell(int row, int column) const {
    return table->model()->index(row, column).data().toString();
  }
  QStringList files() const {
    QStringList cells;
    for (int r = 0; r < table->model()->rowCount(); ++r) cells << cell(r, 0);
    return cells;
  }
};

enum Column { File, Before, After, Result, Message };

}  // namespace

class TestResults : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { QApplication::setFont(QFont()); }

  // A name of 250 bytes takes no more than its share: the outcome stands whole and the message
  // starts in sight, in every language and at small and large fonts; the name is cut in its
  // middle and given whole in the detail box and the tooltip.
  void columnsKeepOutcomeAndMessageInSight_data() {
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<int>("points");
    for (const char* language : {"English.lng", "German.lng", "Russian.lng"})
      for (int points : {8, 12})
        QTest::addRow("%s %dpt", language, points) << QByteArray(language) << points;
  }
  void columnsKeepOutcomeAndMessageInSight() {
    QFETCH(QByteArray, language);
    QFETCH(int, points);
    QFont font = QApplication::font();
    font.setPointSize(points);
    QApplication::setFont(font);
    Window w(language);
    QHeaderView* header = w.table->horizontalHeader();
    const int room = w.table->viewport()->width();
    const int outcomeEnd = header->sectionViewportPosition(Result) + header->sectionSize(Result);
    QVERIFY2(outcomeEnd <= room, qPrintable(QStringLiteral("%1 of %2").arg(outcomeEnd).arg(room)));
    for (int r = 0; r < w.table->model()->rowCount(); ++r) {
      const int need = w.table->fontMetrics().horizontalAdvance(w.cell(r, Result));
      QVERIFY2(need < header->sectionSize(Result), qPrintable(w.cell(r, Result)));
    }
    QVERIFY2(header->sectionViewportPosition(Message) + 4 * w.table->fontMetrics().height() <= room,
             "the message column is out of sight");
    // The long name is cut, in its middle; whole where the user reads it in full.
    QVERIFY(header->sectionSize(File) < w.table->fontMetrics().horizontalAdvance(w.cell(0, File)));
    // The table's cells look as a plain cell cut in its middle does for the name, at its end for
    // the message, whatever the view asks for (drawn narrow, so that both are cut).
    const auto paint = [&](const QAbstractItemDelegate& d, int column, Qt::TextElideMode mode) {
      const QModelIndex index = w.table->model()->index(1, column);
      QStyleOptionViewItem option;
      option.initFrom(w.table);
      option.state &= ~QStyle::State_HasFocus;
      option.rect =
          QRect(0, 0, 10 * w.table->fontMetrics().averageCharWidth(), w.table->rowHeight(1));
      option.font = w.table->font();
      option.fontMetrics = w.table->fontMetrics();
      option.textElideMode = mode;
      QImage image(option.rect.size(), QImage::Format_ARGB32);
      image.fill(Qt::white);
      QPainter painter(&image);
      d.paint(&painter, option, index);
      return image;
    };
    QStyledItemDelegate plain;
    QAbstractItemDelegate& cells = *w.table->itemDelegate();
    QCOMPARE(paint(cells, File, Qt::ElideRight), paint(plain, File, Qt::ElideMiddle));
    QVERIFY(paint(cells, File, Qt::ElideRight) != paint(plain, File, Qt::ElideRight));
    QCOMPARE(paint(cells, Message, Qt::ElideMiddle), paint(plain, Message, Qt::ElideRight));
    QCOMPARE(w.table->model()->index(0, File).data(Qt::ToolTipRole).toString(),
             QFile::decodeName(kLongName));
    w.table->setCurrentIndex(w.table->model()->index(0, Message));
    QVERIFY(w.form->findChild<QPlainTextEdit*>(QStringLiteral("EditMessage"))
                ->toPlainText()
                .contains(QFile::decodeName(kLongName)));
  }

  // By keyboard alone: Tab goes round every control; the table shows where its focus is (a frame
  // that stands out from the row's highlight), the detail box takes a cursor that selects, and
  // Ctrl+C in the table copies the rows chosen, as the Copy button does.
  void keyboardAlone() {
    Window w;
    auto* detail = w.form->findChild<QPlainTextEdit*>(QStringLiteral("EditMessage"));
    w.form->findChild<QPushButton*>(QStringLiteral("ButtonClose"))->setFocus(Qt::TabFocusReason);
    const QRect current = w.table->visualRect(w.table->currentIndex());
    const QImage unfocused = w.table->viewport()->grab(current).toImage();
    QStringList round;
    for (int i = 0; i < 5; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      round << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(round, (QStringList{"TableResults", "EditMessage", "ButtonCopy", "ButtonSave",
                                 "ButtonClose"}));
    w.table->setFocus(Qt::TabFocusReason);
    Settle();
    const QImage focused = w.table->viewport()->grab(current).toImage();
    int frame = 0;
    for (int x = 0; x < focused.width(); ++x)
      frame += qAbs(qGray(focused.pixel(x, 1)) - qGray(unfocused.pixel(x, 1))) > 100;
    QVERIFY2(frame > focused.width() / 2, qPrintable(QString::number(frame)));
    QTest::keyClick(detail, Qt::Key_End, Qt::ShiftModifier);
    QVERIFY(detail->textCursor().hasSelection());
    QTest::keyClick(w.table, Qt::Key_Down);
    QTest::keyClick(w.table, Qt::Key_Down, Qt::ShiftModifier);
    QApplication::clipboard()->clear();
    QTest::keySequence(w.table, QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), w.form->selectedText());
    QVERIFY(w.form->selectedText().startsWith(QStringLiteral("/home/user/already\t")));
    QCOMPARE(w.form->selectedText().count(u'\n'), 2);
  }

  // The table's menu (the menu key) sorts by each column; the same column again turns the order
  // round.
  void sortByKeyboard_data() {
    QTest::addColumn<int>("column");
    for (int c : {File, Before, After, Result, Message}) QTest::addRow("column %d", c) << c;
  }
  void sortByKeyboard() {
    QFETCH(int, column);
    Window w;
    w.table->setFocus(Qt::TabFocusReason);
    const auto sortFromMenu = [&] {
      QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(4, 4),
                                w.table->viewport()->mapToGlobal(QPoint(4, 4)));
      QApplication::sendEvent(w.table->viewport(), &menuKey);
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QVERIFY(menu);
      const QString title = w.table->model()->headerData(column, Qt::Horizontal).toString();
      QAction* chosen = nullptr;
      for (QAction* a : menu->actions())
        if (a->text().contains(title)) chosen = a;
      QVERIFY2(chosen, qPrintable(title));
      chosen->trigger();
      menu->close();
    };
    // Sorted as a click on the header sorts: by number for the sizes, in their own order for
    // the outcomes.
    const auto sortedAs = [&](Qt::SortOrder order) {
      QAbstractItemModel* m = w.table->model();
      for (int r = 0; r + 1 < m->rowCount(); ++r) {
        const QPartialOrdering o = QVariant::compare(m->index(r, column).data(Qt::UserRole),
                                                     m->index(r + 1, column).data(Qt::UserRole));
        if (o == (order == Qt::AscendingOrder ? QPartialOrdering::Greater : QPartialOrdering::Less))
          return false;
      }
      return true;
    };
    sortFromMenu();
    QCOMPARE(w.table->horizontalHeader()->sortIndicatorSection(), column);
    QCOMPARE(w.table->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    QVERIFY(sortedAs(Qt::AscendingOrder));
    const QStringList ascending = w.files();
    sortFromMenu();
    QCOMPARE(w.table->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    QVERIFY(sortedAs(Qt::DescendingOrder));
    QVERIFY(w.files() != ascending);
  }

  // The packer's messages in the user's language, its own words beside them; a message Packhelm
  // does not know stays as the packer wrote it.
  void messagesInTheUsersLanguage_data() {
    QTest::addColumn<QByteArray>("language");
    for (const char* language : {"English.lng", "German.lng", "Russian.lng"})
      QTest::newRow(language) << QByteArray(language);
  }
  void messagesInTheUsersLanguage() {
    QFETCH(QByteArray, language);
    Window w(language);
    const ProgramState& s = w.prog.ctx.state;
    const QList<Row> rows = jobRows();
    QSet<QString> meanings;
    for (qsizetype r = 0; r < rows.size(); ++r) {
      const QString shown = w.cell(int(r), Message);
      const QString raw = QString::fromUtf8(rows[r].message);
      const FileResults::Meaning m = FileResults::MeaningOf(rows[r].message);
      if (m == FileResults::Meaning::Unknown) {
        QCOMPARE(shown, raw);
        continue;
      }
      const QString said = s.langText(LangText(int(LangText::ResultsMeaningFirst) + int(m) -
                                               int(FileResults::Meaning::AlreadyPacked)));
      QVERIFY(!said.isEmpty());
      meanings.insert(said);
      QVERIFY2(shown.startsWith(said) && shown.contains(raw), qPrintable(shown));
      // The detail box too.
      w.table->setCurrentIndex(w.table->model()->index(int(r), File));
      QVERIFY(w.form->findChild<QPlainTextEdit*>(QStringLiteral("EditMessage"))
                  ->toPlainText()
                  .contains(shown));
    }
    QCOMPARE(meanings.size(), 2);
  }
};

QTEST_MAIN(TestResults)
#include "test_results.moc"
