#include <QTest>
class TestConsole : public QObject {
  Q_OBJECT
};
QTEST_MAIN(TestConsole)
#include "test_console.moc"
