// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

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
    QCOMPARE(Prompts::OpenFiles(nullptr, spec), QStringList({"/a", "/b"}));
    QVERIFY(Prompts::OpenFiles(nullptr, spec).isEmpty());  // nothing queued: cancelled
    QCOMPARE(Prompts::Test().dialogTitles, QStringList({"Pick", "Pick"}));
    Prompts::Message(nullptr, Prompts::Icon::Error, QStringLiteral("text"), QStringLiteral("cap"));
    QCOMPARE(Prompts::Test().messages.size(), 1);
    QCOMPARE(Prompts::Test().messages[0].caption, QStringLiteral("cap"));
    Prompts::Test().questionAnswers = {true, false};
    const QString q = QStringLiteral("Stop?");
    QVERIFY(Prompts::Question(nullptr, q, QStringLiteral("cap")));
    QVERIFY(!Prompts::Question(nullptr, q, QStringLiteral("cap")));
    QVERIFY(!Prompts::Question(nullptr, q, QStringLiteral("cap")));  // none left: no
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
    QString shown;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      shown = box->text();
      if (key)
        QTest::keyClick(box, Qt::Key(key));
      else
        box->button(QMessageBox::Yes)->click();
    });
    QCOMPARE(Prompts::Question(nullptr, QStringLiteral("<b>Stop?</b>"), QStringLiteral("cap")),
             answer);
    QCOMPARE(shown, QStringLiteral("<b>Stop?</b>"));
  }
};

QTEST_MAIN(TestPrompts)
#include "test_prompts.moc"
