// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <optional>

#include "gui/widgets/Prompts.h"

class TestPrompts : public QObject {
  Q_OBJECT
 private slots:
  void filter_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("all files") << QStringLiteral("Все файлы (*.*)|*.*|(*.exe)|*.exe")
                               << QStringLiteral("Все файлы (*.*) (*);;(*.exe) (*.exe)");
    QTest::newRow("two patterns") << QStringLiteral("Programs|*.exe;*.dll")
                                  << QStringLiteral("Programs (*.exe *.dll)");
    QTest::newRow("dangling description") << QStringLiteral("A|*.a|B") << QStringLiteral("A (*.a)");
    QTest::newRow("empty") << QString() << QString();
  }
  void filter() {
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(Prompts::ToQtFilter(input), expected);
  }

  void scriptAnswersInOrder() {
    Prompts::Test().active = true;
    FileDialogSpec spec(QStringLiteral("OpenDialog"), FileDialogSpec::Kind::Open, nullptr);
    spec.title = QStringLiteral("Pick");
    Prompts::Test().openAnswers = {{QStringLiteral("/a"), QStringLiteral("/b")}};
    QList<QStringList> chosen;
    for (int i = 0; i < 2; ++i)  // the second with nothing queued: cancelled
      Prompts::OpenFiles(nullptr, spec, [&chosen](const QStringList& files) { chosen << files; });
    QCOMPARE(chosen, QList<QStringList>({{"/a", "/b"}, {}}));
    QCOMPARE(Prompts::Test().dialogTitles, QStringList({"Pick", "Pick"}));
    Prompts::Message(nullptr, Prompts::Icon::Error, QStringLiteral("text"), QStringLiteral("cap"));
    QCOMPARE(Prompts::Test().messages.size(), 1);
    QCOMPARE(Prompts::Test().messages[0].caption, QStringLiteral("cap"));
    Prompts::Test().questionAnswers = {true, false};
    const QString q = QStringLiteral("Stop?");
    QList<bool> answers;
    for (int i = 0; i < 3; ++i)  // the last with none left: no
      Prompts::Ask(nullptr, q, QStringLiteral("cap"), [&answers](bool yes) { answers << yes; });
    QCOMPARE(answers, QList<bool>({true, false, false}));
    QCOMPARE(Prompts::Test().questions.size(), 3);
    QCOMPARE(Prompts::Test().questions[2].text, q);
    Prompts::Test() = {};
  }

  // The real question box: Enter takes the default (no), Escape says no, only Yes says yes.
  void questionBox_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Enter") << int(Qt::Key_Return) << false;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    QTest::newRow("Yes button") << 0 << true;
  }
  void questionBox() {
    QFETCH(int, key);
    QFETCH(bool, answer);
    Prompts::Test().active = false;
    std::optional<bool> answered;
    QWidget owner;
    owner.show();
    Prompts::Ask(&owner, QStringLiteral("<b>Stop?</b>"), QStringLiteral("cap"),
                 [&answered](bool yes) { answered = yes; });
    // Asked without waiting: the box is up, nothing answered yet.
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box && !answered);
    QCOMPARE(box->text(), QStringLiteral("<b>Stop?</b>"));
    QCOMPARE(box->textFormat(), Qt::PlainText);
    if (key)
      QTest::keyClick(box, Qt::Key(key));
    else
      box->button(QMessageBox::Yes)->click();
    QTRY_VERIFY(answered.has_value());
    QCOMPARE(*answered, answer);
  }

  // A message returns at once and stays up, as plain text, until closed. It is modal to its
  // window alone (a console beside stays usable); one of no window blocks nothing.
  void messageDoesNotWait_data() {
    QTest::addColumn<bool>("owned");
    QTest::newRow("of a window") << true;
    QTest::newRow("of no window") << false;
  }
  void messageDoesNotWait() {
    QFETCH(bool, owned);
    Prompts::Test().active = false;
    int closed = 0;
    QWidget owner, other;
    owner.show();
    other.show();
    Prompts::Message(owned ? &owner : nullptr, Prompts::Icon::Error, QStringLiteral("<b>gone</b>"),
                     QStringLiteral("cap"), [&closed] { ++closed; });
    QMessageBox* box = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) box = b;
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("<b>gone</b>"));
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->windowModality(), owned ? Qt::WindowModal : Qt::NonModal);
    // Keys reach another window as the window system delivers them.
    bool typed = false;
    QLineEdit* field = new QLineEdit(&other);
    field->show();
    field->setFocus();
    QObject::connect(field, &QLineEdit::textEdited, field, [&typed] { typed = true; });
    QTest::keyClick(other.windowHandle(), Qt::Key_A);
    QVERIFY(typed);
    QCOMPARE(closed, 0);  // what follows the message waits for its reading
    const QPointer<QMessageBox> watched(box);
    box->button(QMessageBox::Ok)->click();
    QCOMPARE(closed, 1);
    QTRY_VERIFY(!watched);  // and it does not stay behind as a hidden window
  }
};

QTEST_MAIN(TestPrompts)
#include "test_prompts.moc"
