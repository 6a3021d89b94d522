// SPDX-License-Identifier: GPL-3.0-or-later
// The guard in front of libvterm: the byte sequences that crash, hang or corrupt the terminal
// library Debian 12 ships go through the real library (ScreenModel) and leave a sound screen;
// the sequences a packer really prints pass unchanged.

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "core/console/EchoedNames.h"
#include "core/console/OutputGuard.h"
#include "core/console/ScreenModel.h"

namespace {

QByteArray params(int n) {
  QByteArray p;
  for (int i = 0; i < n; ++i) p += i ? ";1" : "1";
  return p;
}

void verifyCursorOnScreen(const ScreenModel& s) {
  QVERIFY2(s.cursorRow() >= 0 && s.cursorRow() < s.rows(),
           qPrintable(QString::number(s.cursorRow())));
  QVERIFY2(s.cursorColumn() >= 0 && s.cursorColumn() < s.columns(),
           qPrintable(QString::number(s.cursorColumn())));
}

}  // namespace

class TestOutputGuard : public QObject {
  Q_OBJECT
 private slots:
  void faultsThroughLibvterm_data();
  void faultsThroughLibvterm();
  void packerSequencesPassUnchanged_data();
  void packerSequencesPassUnchanged();
  void splitAnywhereGivesSameScreen_data();
  void splitAnywhereGivesSameScreen();
  void statusQueries();
  void savedCursorAfterSmallerBuffer();
  void marginsAfterSmallerBuffer();
  void endlessCombiningMarks();
  void unfinishedOutputEndsWithRun();
  void safeUtf8();
  void echoedNamesAreInert_data();
  void echoedNamesAreInert();
};

// Each row is a list of reads, fed one after another; the screen's first row and the cursor
// column must come out as given.
void TestOutputGuard::faultsThroughLibvterm_data() {
  QTest::addColumn<QList<QByteArray>>("reads");
  QTest::addColumn<QString>("row0");
  QTest::addColumn<int>("column");

  const QString fffd = QStringLiteral("\uFFFD");
  QTest::newRow("18 parameters in a file name (SIGSEGV)")
      << QList<QByteArray>{"a\x1b[" + params(18) + "mb.exe"} << "ab.exe" << 6;
  QTest::newRow("17 parameters (state overwritten)")
      << QList<QByteArray>{"x\x1b[" + params(17) + "my"} << "xy" << 2;
  QTest::newRow("100 parameters") << QList<QByteArray>{"x\x1b[" + params(100) + "Hy"} << "xy" << 2;
  QTest::newRow("16 parameters of a cursor move pass")
      << QList<QByteArray>{"\x1b[1;5;" + params(14) + "Hz"} << "    z" << 5;
  QTest::newRow("colour with 15 parameters ending in 38 (read past the slots)")
      << QList<QByteArray>{"\x1b[" + params(14) + ";38mc"} << "c" << 1;
  QTest::newRow("repeat before any character (endless loop)")
      << QList<QByteArray>{"\x1b[5b", "ok"} << "ok" << 2;
  QTest::newRow("repeat after a combining mark (endless loop)")
      << QList<QByteArray>{"\xCC\x81\x1b[3bz"} << "z" << 1;
  QTest::newRow("repeat after ASCII works") << QList<QByteArray>{"A\x1b[3b"} << "AAAA" << 4;
  QTest::newRow("repeat count of 20 digits")
      << QList<QByteArray>{"-\x1b[99999999999999999999b"} << QString(80, QLatin1Char('-')) << 79;
  QTest::newRow("UTF-8 cut, next read ASCII (stack overwrite)")
      << QList<QByteArray>{"\xC3", "A"} << fffd + "A" << 2;
  QTest::newRow("UTF-8 cut between reads, completed")
      << QList<QByteArray>{"caf\xC3", "\xA9!"} << QString::fromUtf8("café!") << 5;
  QTest::newRow("four-byte character in three reads")
      << QList<QByteArray>{"\xF0\x9F", "\x98", "\x80."} << QString::fromUtf8("\xF0\x9F\x98\x80.")
      << 3;
  QTest::newRow("invalid and overlong bytes")
      << QList<QByteArray>{"\xFF\xC0\xAF\xED\xA0\x80x"} << fffd.repeated(6) + "x" << 7;
  QTest::newRow("C1 code point (cursor to column -1)")
      << QList<QByteArray>{"\xC2\x85\xC2\x9Bx"} << fffd + fffd + "x" << 3;
  QTest::newRow("C1 code points after backspace at column 0")
      << QList<QByteArray>{"\b\xC2\x80\xC2\x80"} << fffd + fffd << 2;
  QTest::newRow("cursor moves of 20 digits")
      << QList<QByteArray>{"\x1b[99999999999999999999C\x1b[99999999999999999999D!"} << "!" << 1;
  QTest::newRow("unknown status query (bad format string)")
      << QList<QByteArray>{"\x1bP$qzz\x1b\\ok"} << "ok" << 2;
  QTest::newRow("terminator split across reads (length -1)")
      << QList<QByteArray>{"\x1b]2;t\x1b", "\\after"} << "after" << 5;
  QTest::newRow("query terminator split across reads")
      << QList<QByteArray>{"\x1bP$qm\x1b", "\\z"} << "z" << 1;
  QTest::newRow("left and right margins then text")
      << QList<QByteArray>{"\x1b[?69h\x1b[5;9s", "m"} << "m" << 1;
  QTest::newRow("double-width line") << QList<QByteArray>{"\x1b#6w"} << "w" << 1;
  QTest::newRow("single shift") << QList<QByteArray>{"\x1bNq"} << "q" << 1;
  QTest::newRow("CAN ends a sequence") << QList<QByteArray>{"\x1b[3\x18" "3"} << "3" << 1;
  QTest::newRow("very long title is dropped, text stays")
      << QList<QByteArray>{"\x1b]2;" + QByteArray(5000, 'T') +
                           "\x07"
                           "t"}
      << "t" << 1;
  QTest::newRow("unterminated string swallows only itself")
      << QList<QByteArray>{"\x1b]2;" + QByteArray(100000, 'T'), "\x1b\\v"} << "v" << 1;
}

void TestOutputGuard::faultsThroughLibvterm() {
  QFETCH(QList<QByteArray>, reads);
  QFETCH(QString, row0);
  QFETCH(int, column);
  ScreenModel s(80, 300);
  for (const QByteArray& r : reads) {
    s.feed(r);
    verifyCursorOnScreen(s);
  }
  QCOMPARE(s.rowText(0), row0);
  QCOMPARE(s.cursorRow(), 0);
  QCOMPARE(s.cursorColumn(), column);
  // The pen is as it was: nothing of a dropped colour sequence took effect.
  QCOMPARE(s.penForeground(), 7);
  QCOMPARE(s.penBackground(), 0);
}

// What a packer prints goes to libvterm byte for byte.
void TestOutputGuard::packerSequencesPassUnchanged_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("text and line ends") << QByteArray("Packing file.exe\r\n\tdone\n");
  QTest::newRow("no-break space after the C1 range") << QByteArray("1\xC2\xA0KB \xC2\xBF");
  QTest::newRow("UTF-8 names") << QByteArray(
      "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB \xE6\x96\x87 \xF0\x9F\x98\x80");
  QTest::newRow("colours") << QByteArray(
      "\x1b[1;31mred\x1b[0m \x1b[38;5;208mo\x1b[38;2;1;2;3mx\x1b[m");
  QTest::newRow("progress bar with CR")
      << QByteArray("\r[*****.....]  50%\r[**********] 100%\x1b[K\n");
  QTest::newRow("progress bar with backspaces") << QByteArray("  1%\b\b\b\b 50%\b\b\b\b100%\x07");
  QTest::newRow("line erase and cursor") << QByteArray("\x1b[2K\x1b[1G\x1b[A\x1b[10;20H\x1b[J");
  QTest::newRow("hide and show the cursor") << QByteArray("\x1b[?25l\x1b[?25h");
  QTest::newRow("title") << QByteArray("\x1b]0;upx 4.0\x1b\\");
  QTest::newRow("save and restore cursor") << QByteArray(
      "\x1b"
      "7x\x1b"
      "8");
  QTest::newRow("line drawing set") << QByteArray("\x1b(0qqq\x1b(B");
}

void TestOutputGuard::packerSequencesPassUnchanged() {
  QFETCH(QByteArray, bytes);
  OutputGuard g;
  QCOMPARE(g.filter(bytes), bytes);
}

// Reads may end anywhere; the screen must not depend on where.
void TestOutputGuard::splitAnywhereGivesSameScreen_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("colours and UTF-8")
      << QByteArray("\x1b[1;33m\xD0\x96\xE2\x82\xAC\x1b[0m ok \xF0\x9F\x98\x80\r\nnext");
  QTest::newRow("title, query and repeat")
      << QByteArray("\x1b]2;t\xC3\xA9\x1b\\A\x1b[2b\x1bP$qm\x1b\\\xC2\x85!");
  QTest::newRow("hostile mix") << QByteArray("\x1b[" + params(18) +
                                             "m\xC3\x1b[5b\xE2\x82x\x1b[99999999C");
}

void TestOutputGuard::splitAnywhereGivesSameScreen() {
  QFETCH(QByteArray, bytes);
  ScreenModel whole(80, 30);
  whole.feed(bytes);
  for (qsizetype cut = 1; cut < bytes.size(); ++cut) {
    ScreenModel split(80, 30);
    split.feed(bytes.left(cut));
    split.feed(bytes.mid(cut));
    for (int r = 0; r < 3; ++r) QCOMPARE(split.rowText(r), whole.rowText(r));
    QCOMPARE(split.cursorColumn(), whole.cursorColumn());
    QCOMPARE(split.title(), whole.title());
  }
  ScreenModel bytewise(80, 30);
  for (const char c : bytes) bytewise.feed(&c, 1);
  QCOMPARE(bytewise.rowText(0), whole.rowText(0));
}

// The queries libvterm answers correctly get their answer; the others get none.
void TestOutputGuard::statusQueries() {
  ScreenModel s(80, 30);
  QSignalSpy input(&s, &ScreenModel::input);
  s.feed("\x1bP$qzz\x1b\\");
  s.feed("\x1bP+q544e\x1b\\");
  QCOMPARE(input.count(), 0);
  s.feed("\x1bP$qm\x1b\\");
  QCOMPARE(input.count(), 1);
  QVERIFY(input.first().first().toByteArray().startsWith("\x1bP1$r"));
  s.feed("\x1b[6n");
  QCOMPARE(input.last().first().toByteArray(), QByteArray("\x1b[1;1R"));
}

// A cursor saved on row 200 of a 300-row buffer, restored after the buffer shrank to 25 rows.
void TestOutputGuard::savedCursorAfterSmallerBuffer() {
  ScreenModel s(80, 300);
  s.feed(QByteArray("\x1b[200;70H\x1b") + '7');
  QVERIFY(s.setBufferSize(40, 25));
  s.feed(QByteArray("\x1b") + '8');
  verifyCursorOnScreen(s);
  QCOMPARE(s.cursorRow(), 24);
  QCOMPARE(s.cursorColumn(), 39);
  s.feed("x");
  QCOMPARE(s.cell(24, 39).ch, U'x');
}

// Margins near the bottom of a 300-row buffer, then the buffer shrinks to 25 rows and lines run
// on: libvterm would scroll the region with a negative height.
void TestOutputGuard::marginsAfterSmallerBuffer() {
  ScreenModel s(80, 300);
  s.feed("\x1b[250;300r\x1b[260;1Hlow");
  QVERIFY(s.setBufferSize(80, 25));
  s.feed("\r\n\r\n\x1bM\x1b[5S\x1b[3Lend");
  verifyCursorOnScreen(s);
  QCOMPARE(s.rowText(s.cursorRow()), QStringLiteral("end"));
}

// Megabytes of combining marks after one character (libvterm's time grows with the square of
// their number): only the first 32 reach it.
void TestOutputGuard::endlessCombiningMarks() {
  ScreenModel s(80, 30);
  QByteArray chunk;
  while (chunk.size() < 65536) chunk += "\xCC\x81";
  QElapsedTimer t;
  t.start();
  s.feed("a");
  for (int i = 0; i < 64; ++i) s.feed(chunk);  // 4 MiB
  s.feed(
      "b\xCC\x81"
      "c");
  QVERIFY2(t.elapsed() < 2000, QByteArray::number(t.elapsed()).constData());
  QCOMPARE(s.rowText(0), QStringLiteral("abc"));
  QCOMPARE(OutputGuard()
               .filter("x" + QByteArray(40, 'x').replace('x', "\xCC\x81") + "y")
               .count("\xCC\x81"),
           OutputGuard::kMaxCombining);
}

// A run that ended inside a sequence does not swallow the next run's first line.
void TestOutputGuard::unfinishedOutputEndsWithRun() {
  ScreenModel s(80, 30);
  s.feed("first \xE2\x82\x1b]2;unfinished");
  s.finishOutput();
  s.feed("second");
  QCOMPARE(s.rowText(0), QStringLiteral("first \uFFFDsecond"));
}

void TestOutputGuard::safeUtf8() {
  QCOMPARE(OutputGuard::SafeUtf8("ab\xC3\xA9\n"), QByteArray("ab\xC3\xA9\n"));
  QCOMPARE(OutputGuard::SafeUtf8("\xC3"), QByteArray("\xEF\xBF\xBD"));
  QCOMPARE(OutputGuard::SafeUtf8("\xC3x\xC2\x9B"), QByteArray("\xEF\xBF\xBDx\xEF\xBF\xBD"));
  // U+10FFFF is the last code point; what would lie above it is four bytes that are no text.
  QCOMPARE(OutputGuard::SafeUtf8("\xF4\x8F\xBF\xBF"), QByteArray("\xF4\x8F\xBF\xBF"));
  QCOMPARE(OutputGuard::SafeUtf8("\xF4\x90\x80\x80"), QByteArray("\xEF\xBF\xBD").repeated(4));
  // Helper text with a cut character reaches the screen as whole characters.
  ScreenModel s(80, 30);
  s.writeConsoleText("n\xC3");
  s.writeConsoleText("A");
  QCOMPARE(s.rowText(0), QStringLiteral("n\uFFFDA"));
}

// A name with control bytes that the packer echoes acts on nothing: whole, as its last part, or
// cut between two reads anywhere, it comes out legible and the screen keeps its colours; the
// packer's own colours pass.
void TestOutputGuard::echoedNamesAreInert_data() {
  QTest::addColumn<QList<QByteArray>>("args");
  QTest::addColumn<QByteArray>("output");
  QTest::addColumn<QByteArray>("shown");
  const QByteArray red = "/w/red\x1b[31m.exe", blank = "/w/x\x1b[30;40my";
  QTest::newRow("path in an error line")
      << QList<QByteArray>{"upx", "-9", red} << "upx: " + red + ": NotPackable\n"
      << QByteArray("upx: /w/red?[31m.exe: NotPackable\n");
  QTest::newRow("last part in the table, beside the packer's colour")
      << QList<QByteArray>{"upx", blank} << QByteArray("\x1b[32m  1 ->  2\x1b[0m  x\x1b[30;40my\n")
      << QByteArray("\x1b[32m  1 ->  2\x1b[0m  x?[30;40my\n");
  QTest::newRow("line feed in a name")
      << QList<QByteArray>{"upx", "/w/a\nb"} << QByteArray("upx: /w/a\nb: x\n")
      << QByteArray("upx: /w/a?b: x\n");
  QTest::newRow("DEL in a name") << QList<QByteArray>{"upx", "/w/del\x7f.exe"}
                                 << QByteArray("upx: /w/del\x7f.exe: x\n")
                                 << QByteArray("upx: /w/del?.exe: x\n");
  QTest::newRow("ordinary names are not looked for")
      << QList<QByteArray>{"upx", "/w/a b"} << QByteArray("\x1b[31mupx: /w/a b\n")
      << QByteArray("\x1b[31mupx: /w/a b\n");
}

void TestOutputGuard::echoedNamesAreInert() {
  QFETCH(QList<QByteArray>, args);
  QFETCH(QByteArray, output);
  QFETCH(QByteArray, shown);
  for (qsizetype cut = 0; cut <= output.size(); ++cut) {
    EchoedNames names(args);
    QByteArray got = names.filter(output.left(cut));
    got += names.filter(output.mid(cut));
    got += names.finish();
    QCOMPARE(got, shown);
  }
}

QTEST_GUILESS_MAIN(TestOutputGuard)
#include "test_outputguard.moc"
