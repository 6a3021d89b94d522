// SPDX-License-Identifier: GPL-3.0-or-later
// Multi-line hints: separators become line breaks, a hint is always plain text, a hint never
// starts at the very bottom of the screen, and windows whose hints are off show none except the
// controls that always show theirs.
#include <QtTest>

#include <QAbstractTextDocumentLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolTip>
#include <QVBoxLayout>

#include "core/util/HintText.h"
#include "gui/widgets/TMultiHint.h"

namespace {

const QString kSliderHint = QStringLiteral("--best@-9@-8@-7@-6@-5@-4@-3@-2@-1");

// What a person reads in a tool tip that shows `rich`.
QStringList readLines(const QString& rich) {
  QTextDocument doc;
  doc.setHtml(rich);
  return doc.toPlainText().split(QLatin1Char('\n'));
}

// How many lines the tool tip's text takes when it is laid out.
int renderedLines(const QString& rich) {
  QTextDocument doc;
  doc.setHtml(rich);
  doc.documentLayout()->documentSize();
  int n = 0;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) n += b.layout()->lineCount();
  return n;
}

QWidget* tipLabel() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->inherits("QTipLabel") && w->isVisible()) return w;
  return nullptr;
}

}  // namespace

class TestHints : public QObject {
  Q_OBJECT

  // Sends the tool-tip request that a resting mouse pointer would send.
  static void requestHint(QWidget* w, QPoint local = QPoint(5, 5)) {
    QHelpEvent e(QEvent::ToolTip, local, w->mapToGlobal(local));
    QApplication::sendEvent(w, &e);
  }
  static void hideHint() {
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
  }

 private slots:
  void shape_data() {
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("compression slider")
        << kSliderHint
        << QStringList{"--best", "-9", "-8", "-7", "-6", "-5", "-4", "-3", "-2", "-1"};
    QTest::newRow("overlay group")
        << QStringLiteral("--overlay=copy@--overlay=strip@--overlay=skip")
        << QStringList{"--overlay=copy", "--overlay=strip", "--overlay=skip"};
    QTest::newRow("no separator") << QStringLiteral("Pack the file")
                                  << QStringList{"Pack the file"};
    QTest::newRow("separator first") << QStringLiteral("@a") << QStringList{"", "a"};
    QTest::newRow("two in a row") << QStringLiteral("a@@b") << QStringList{"a", "", "b"};
    QTest::newRow("separator last") << QStringLiteral("a@") << QStringList{"a", ""};
    QTest::newRow("only separators") << QStringLiteral("@@") << QStringList{"", "", ""};
    QStringList many;
    for (int i = 0; i < 60; ++i) many << QStringLiteral("--switch%1").arg(i);
    QTest::newRow("long hint") << many.join(QLatin1Char('@')) << many;
    QTest::newRow("markup stays text") << QStringLiteral("<b>bold</b>@a &amp; b@<i>")
                                       << QStringList{"<b>bold</b>", "a &amp; b", "<i>"};
  }
  void shape() {
    QFETCH(QString, hint);
    QFETCH(QStringList, lines);
    const QString shaped = HintText::Shape(hint, QLatin1Char('@'));
    QCOMPARE(shaped.split(QLatin1Char('\n')), lines);
    QVERIFY(!shaped.contains(QLatin1Char('@')));
    // Shown as rich text, the hint reads exactly as its lines, empty ones included.
    QCOMPARE(readLines(HintText::ToRichText(shaped)), lines);
    QCOMPARE(renderedLines(HintText::ToRichText(shaped)), lines.size());
  }

  void longHintReplacedToTheEnd() {
    QString hint = QString(400, QLatin1Char('x'));
    hint += QStringLiteral("@y@z@");
    QVERIFY(hint.size() > 400);
    const QString shaped = HintText::Shape(hint, QLatin1Char('@'));
    QCOMPARE(shaped.count(QLatin1Char('\n')), 3);
    QVERIFY(shaped.endsWith(QStringLiteral("\ny\nz\n")));
  }

  void otherSeparator() {
    QCOMPARE(HintText::Shape(QStringLiteral("a|b@c"), QLatin1Char('|')), QStringLiteral("a\nb@c"));
  }

  void clampTop_data() {
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("expected");
    QTest::newRow("height - 5 moves up") << 1080 - 5 << 1080 << 1080 - 11;
    QTest::newRow("height - 9 moves up") << 1080 - 9 << 1080 << 1080 - 11;
    QTest::newRow("height - 10 stays") << 1080 - 10 << 1080 << 1080 - 10;
    QTest::newRow("height - 11 stays") << 1080 - 11 << 1080 << 1080 - 11;
    QTest::newRow("at the bottom") << 1080 << 1080 << 1080 - 11;
    QTest::newRow("below the screen") << 1500 << 1080 << 1080 - 11;
    QTest::newRow("top of the screen") << 0 << 1080 << 0;
    QTest::newRow("middle") << 500 << 600 << 500;
  }
  void clampTop() {
    QFETCH(int, top);
    QFETCH(int, height);
    QFETCH(int, expected);
    QCOMPARE(HintText::ClampTop(top, height), expected);
  }

  void shownTextActiveAndInactive() {
    QObject owner;
    TMultiHint hint(&owner);
    QCOMPARE(hint.objectName(), QStringLiteral("MultiHint1"));
    QVERIFY(hint.Active);
    QCOMPARE(hint.Separator, '@');
    QCOMPARE(readLines(hint.shownText(kSliderHint)).size(), 10);
    hint.Active = false;
    QCOMPARE(readLines(hint.shownText(kSliderHint)), QStringList{kSliderHint});
    // Plain text even when inactive.
    QCOMPARE(readLines(hint.shownText(QStringLiteral("<b>x</b>"))), QStringList{"<b>x</b>"});
  }

  // --- through real windows ---
  void windowsAndExceptions() {
    TMultiHint hint(qApp);
    QWidget off;
    off.setObjectName(QStringLiteral("FormMain"));
    auto* layoutOff = new QVBoxLayout(&off);
    auto* slider = new QPushButton(QStringLiteral("slider"), &off);
    slider->setToolTip(kSliderHint);
    auto* integration = new QPushButton(QStringLiteral("integration"), &off);
    integration->setObjectName(QStringLiteral("ButtonIntegration"));
    integration->setToolTip(QStringLiteral("Shell@integration"));
    layoutOff->addWidget(slider);
    layoutOff->addWidget(integration);
    hint.setHintsShown(&off, false);
    hint.setAlwaysShowHint(integration);

    QWidget on;
    auto* layoutOn = new QVBoxLayout(&on);
    auto* other = new QPushButton(QStringLiteral("other"), &on);
    other->setToolTip(QStringLiteral("a@<b>b</b>"));
    layoutOn->addWidget(other);

    off.show();
    on.show();
    QVERIFY(QTest::qWaitForWindowExposed(&off));
    QVERIFY(QTest::qWaitForWindowExposed(&on));

    hideHint();
    requestHint(slider);
    QVERIFY(!QToolTip::isVisible());

    requestHint(integration);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), hint.shownText(QStringLiteral("Shell@integration")));
    QCOMPARE(readLines(QToolTip::text()), (QStringList{"Shell", "integration"}));
    hideHint();

    requestHint(other);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(readLines(QToolTip::text()), (QStringList{"a", "<b>b</b>"}));
    hideHint();

    // Switched back on, the window shows its hints again.
    hint.setHintsShown(&off, true);
    requestHint(slider);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(readLines(QToolTip::text()).size(), 10);
    hideHint();

    // Inactive: separators stay.
    hint.Active = false;
    requestHint(slider);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(readLines(QToolTip::text()), QStringList{kSliderHint});
    hideHint();

    // The stored hints are never changed.
    QCOMPARE(slider->toolTip(), kSliderHint);
    QCOMPARE(integration->toolTip(), QStringLiteral("Shell@integration"));
    QCOMPARE(other->toolTip(), QStringLiteral("a@<b>b</b>"));
  }

  void controlWithoutHintShowsParentsHint() {
    TMultiHint hint(qApp);
    QWidget w;
    w.setToolTip(QStringLiteral("parent@hint"));
    auto* child = new QWidget(&w);
    child->resize(20, 20);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    hideHint();
    requestHint(child);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(readLines(QToolTip::text()), (QStringList{"parent", "hint"}));
    hideHint();
  }

  void hintPlacement() {
    TMultiHint hint(qApp);
    QWidget w;
    w.setToolTip(kSliderHint);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect screen = w.screen()->geometry();
    hideHint();
    // Away from the bottom the hint starts just below the pointer, as tool tips do (the exact
    // distance is the pointer's height, which the platform decides).
    const QPoint middle(screen.x() + 40, screen.y() + 100);
    QHelpEvent e1(QEvent::ToolTip, w.mapFromGlobal(middle), middle);
    QApplication::sendEvent(&w, &e1);
    QTRY_VERIFY(QToolTip::isVisible());
    QVERIFY(tipLabel());
    const int top = tipLabel()->geometry().top();
    QVERIFY2(top > middle.y() && top <= middle.y() + 2 * TMultiHint::TipOffsetY,
             qPrintable(QStringLiteral("tip top %1").arg(top)));
    hideHint();
    // The pointer rests where the hint's top would be 5 pixels above the screen's bottom.
    const QPoint low(screen.x() + 40, screen.bottom() + 1 - 5 - TMultiHint::TipOffsetY);
    QHelpEvent e2(QEvent::ToolTip, w.mapFromGlobal(low), low);
    QApplication::sendEvent(&w, &e2);
    QTRY_VERIFY(QToolTip::isVisible());
    QVERIFY(tipLabel());
    const QRect tip = tipLabel()->geometry();
    QVERIFY2(tip.top() + 10 <= screen.bottom() + 1 && tip.bottom() <= screen.bottom(),
             qPrintable(QStringLiteral("tip at %1..%2").arg(tip.top()).arg(tip.bottom())));
    hideHint();
  }
};

QTEST_MAIN(TestHints)
#include "test_hints.moc"
