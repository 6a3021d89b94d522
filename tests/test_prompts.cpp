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
    TFileDialogSpec spec(QStringLiteral("OpenDialog"), TFileDialogSpec::Kind::Open, nullptr);
    spec.title = QStringLiteral("Pick");
    Prompts::Test().openAnswers = {{QStringLiteral("/a"), QStringLiteral("/b")}};
    QCOMPARE(Prompts::OpenFiles(nullptr, spec), QStringList({"/a", "/b"}));
    QVERIFY(Prompts::OpenFiles(nullptr, spec).isEmpty());  // nothing queued: cancelled
    QCOMPARE(Prompts::Test().dialogTitles, QStringList({"Pick", "Pick"}));
    Prompts::Message(nullptr, Prompts::Icon::Error, QStringLiteral("text"), QStringLiteral("cap"));
    QCOMPARE(Prompts::Test().messages.size(), 1);
    QCOMPARE(Prompts::Test().messages[0].caption, QStringLiteral("cap"));
  }
};

QTEST_MAIN(TestPrompts)
#include "test_prompts.moc"
