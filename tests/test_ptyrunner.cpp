// SPDX-License-Identifier: GPL-3.0-or-later
// The console's core without windows: the screen model, the console helpers over it, and the
// pty runner with real child processes (the stand-in packer).

#include <sys/resource.h>
#include <unistd.h>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <csignal>

#include "core/console/ConsoleEx.h"
#include "core/console/PtyRunner.h"
#include "core/console/ScreenModel.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

struct RunResult {
  bool started = false;
  int exitCode = -1;
  int signal = -1;
  QByteArray output;
};

RunResult runToEnd(const QList<QByteArray>& args, int nice = 0) {
  RunResult r;
  PtyRunner runner;
  QObject::connect(&runner, &PtyRunner::output, [&](const QByteArray& b) { r.output += b; });
  QSignalSpy finished(&runner, &PtyRunner::finished);
  r.started = runner.start(args, nice, 80, 300);
  if (!r.started) return r;
  if (finished.isEmpty() && !finished.wait(60000)) return r;
  r.exitCode = finished.first().first().toInt();
  r.signal = runner.termSignal();
  return r;
}

bool processExists(qint64 pid) {
  return ::kill(pid_t(pid), 0) == 0;
}

}  // namespace

class TestPtyRunner : public QObject {
  Q_OBJECT
 private slots:
  void init() { ConsoleEx::SetCurrent(nullptr); }

  // --- screen model and helpers ---
  void colourOrder_data();
  void colourOrder();
  void writeIntoLastColumnWrapsAtOnce();
  void lineFeedStartsRowAtColumnZero();
  void helpersWithoutConsoleFail();
  void gotoOutsideBufferFails();
  void hideCursor();
  void bufferSizeAndWindowRect();
  void titleFromHelperAndFromProgram();
  void fullBufferScrolls();
  void resizeAfterScrollingKeepsRows_data();
  void resizeAfterScrollingKeepsRows();
  void reverseVideoSwapsGlyphAndBlankColours();
  void packerOutputKeepsCurrentColours();
  void keysBecomeTerminalBytes_data();
  void keysBecomeTerminalBytes();
  void noteKeepsPen();

  // --- runner ---
  void exitCodes_data();
  void exitCodes();
  void startFailures_data();
  void startFailures();
  void priorityClassMapping_data();
  void priorityClassMapping();
  void lowPriorityReachesChild();
  void megabyteArrivesWhole();
  void grandchildDoesNotHangRun();
  void terminateEndsProcessGroup();
  void destructorReapsPacker();
  void signalNames_data();
  void signalNames();
  void stopEscalates_data();
  void stopEscalates();
  void secondStopGoesOnAtOnce();
};

void TestPtyRunner::colourOrder_data() {
  QTest::addColumn<int>("console");
  QTest::addColumn<int>("ansi");
  QTest::newRow("black") << 0 << 0;
  QTest::newRow("blue") << 1 << 4;
  QTest::newRow("green") << 2 << 2;
  QTest::newRow("cyan") << 3 << 6;
  QTest::newRow("red") << 4 << 1;
  QTest::newRow("magenta") << 5 << 5;
  QTest::newRow("yellow") << 6 << 3;
  QTest::newRow("grey") << 7 << 7;
  QTest::newRow("dark grey") << 8 << 8;
  QTest::newRow("bright blue") << 9 << 12;
  QTest::newRow("bright red") << 12 << 9;
  QTest::newRow("white") << 15 << 15;
}

void TestPtyRunner::colourOrder() {
  QFETCH(int, console);
  QFETCH(int, ansi);
  QCOMPARE(ScreenModel::swapRedBlue(console), ansi);
  ScreenModel s(80, 300);
  ConsoleEx::SetCurrent(&s);
  QVERIFY(ConsoleEx::ConsoleSetTextAttr(console, 15 - console));
  ConsoleEx::ConsoleWrite("x");
  QCOMPARE(int(s.cell(0, 0).fg), console);
  QCOMPARE(int(s.cell(0, 0).bg), 15 - console);
  // The same colour reached by a program's ANSI escape lands on the same console index.
  const QByteArray sgr = "\x1b[" + QByteArray::number(ansi < 8 ? 30 + ansi : 90 + ansi - 8) + "my";
  s.feed(sgr);
  QCOMPARE(int(s.cell(0, 1).fg), console);
}

void TestPtyRunner::writeIntoLastColumnWrapsAtOnce() {
  ScreenModel s(80, 300);
  ConsoleEx::SetCurrent(&s);
  ConsoleEx::ConsoleWrite(QByteArray(80, 'a'));
  QCOMPARE(s.cursorRow(), 1);
  QCOMPARE(s.cursorColumn(), 0);
  QCOMPARE(ConsoleEx::ConsoleWhereY(), quint16(1));
  // A line feed now gives exactly one more row, not two and not zero.
  ConsoleEx::ConsoleWriteLn("");
  QCOMPARE(s.cursorRow(), 2);
  // Output of a program wrapped by the terminal: the helpers see the console's position.
  s.feed(QByteArray(80, 'b'));
  QCOMPARE(ConsoleEx::ConsoleWhereY(), quint16(3));
  QCOMPARE(s.rowText(2), QString(80, QLatin1Char('b')));
}

void TestPtyRunner::lineFeedStartsRowAtColumnZero() {
  ScreenModel s(80, 300);
  ConsoleEx::SetCurrent(&s);
  ConsoleEx::ConsoleWrite("abc");
  ConsoleEx::ConsoleWriteLn("def");
  QCOMPARE(s.cursorRow(), 1);
  QCOMPARE(s.cursorColumn(), 0);
  ConsoleEx::ConsoleWrite("x\ny");
  QCOMPARE(s.rowText(0), QStringLiteral("abcdef"));
  QCOMPARE(s.rowText(1), QStringLiteral("x"));
  QCOMPARE(s.rowText(2), QStringLiteral("y"));
  // An escape byte in helper text is shown, not obeyed.
  ConsoleEx::ConsoleWrite("\x1b[2J");
  QCOMPARE(s.rowText(0), QStringLiteral("abcdef"));
  QCOMPARE(s.rowText(2), QStringLiteral("y?[2J"));
}

void TestPtyRunner::helpersWithoutConsoleFail() {
  int a = 0, b = 0;
  bool v = false;
  QVERIFY(!ConsoleEx::ConsoleSetTitle("t"));
  QVERIFY(!ConsoleEx::ConsoleGotoXY(0, 0));
  QVERIFY(!ConsoleEx::ConsoleSetTextAttr(1, 1));
  QVERIFY(!ConsoleEx::ConsoleGetCursorInfo(a, v));
  QVERIFY(!ConsoleEx::ConsoleHideCursor());
  QVERIFY(!ConsoleEx::ConsoleGetScreenSize(a, b));
  QVERIFY(!ConsoleEx::ConsoleSetBufferSize(80, 300));
  QVERIFY(!ConsoleEx::ConsoleSetWindowRect(true, 0, 0, 79, 24));
  ConsoleEx::ConsoleWrite("nothing happens");
  // A console that went away is not written to either.
  auto* s = new ScreenModel(80, 300);
  ConsoleEx::SetCurrent(s);
  QVERIFY(ConsoleEx::ConsoleSetTitle("t"));
  delete s;
  QVERIFY(!ConsoleEx::ConsoleSetTitle("t"));
}

void TestPtyRunner::gotoOutsideBufferFails() {
  ScreenModel s(80, 300);
  ConsoleEx::SetCurrent(&s);
  QVERIFY(ConsoleEx::ConsoleGotoXY(79, 299));
  QCOMPARE(s.cursorRow(), 299);
  QCOMPARE(s.cursorColumn(), 79);
  QVERIFY(!ConsoleEx::ConsoleGotoXY(80, 0));
  QVERIFY(!ConsoleEx::ConsoleGotoXY(0, 300));
  QVERIFY(!ConsoleEx::ConsoleGotoXY(0, 65535));  // row 0 minus one, on 16 bits
  QCOMPARE(s.cursorRow(), 299);
  QVERIFY(ConsoleEx::ConsoleGotoX(5));
  QCOMPARE(s.cursorColumn(), 5);
  QCOMPARE(s.cursorRow(), 299);
  QVERIFY(!ConsoleEx::ConsoleSetTextAttr(16, 0));
  QVERIFY(!ConsoleEx::ConsoleSetTextAttr(0, -1));
}

void TestPtyRunner::hideCursor() {
  ScreenModel s(80, 300);
  ConsoleEx::SetCurrent(&s);
  int size = 0;
  bool visible = false;
  QVERIFY(ConsoleEx::ConsoleGetCursorInfo(size, visible));
  QVERIFY(visible);
  QCOMPARE(size, 25);
  QVERIFY(ConsoleEx::ConsoleHideCursor());
  QVERIFY(ConsoleEx::ConsoleGetCursorInfo(size, visible));
  QVERIFY(!visible);
  QCOMPARE(size, 25);
  QVERIFY(ConsoleEx::ConsoleHideCursor());  // already hidden: still true
  s.feed("\x1b[?25h");                      // a program may show it again
  QVERIFY(s.cursorVisible());
}

void TestPtyRunner::bufferSizeAndWindowRect() {
  ScreenModel s(80, 25);
  ConsoleEx::SetCurrent(&s);
  ConsoleEx::ConsoleWriteLn("kept");
  QVERIFY(ConsoleEx::ConsoleSetBufferSize(80, 300));
  int c = 0, r = 0;
  QVERIFY(ConsoleEx::ConsoleGetScreenSize(c, r));
  QCOMPARE(c, 80);
  QCOMPARE(r, 300);
  QCOMPARE(s.rowText(0), QStringLiteral("kept"));
  QVERIFY(!ConsoleEx::ConsoleSetBufferSize(0, 300));
  QSignalSpy rect(&s, &ScreenModel::windowRectChanged);
  QVERIFY(ConsoleEx::ConsoleSetWindowRect(true, 0, 0, 79, 24));
  QCOMPARE(rect.size(), 1);
  QCOMPARE(s.windowTop(), 0);
  QCOMPARE(s.windowRows(), 25);
  QVERIFY(!ConsoleEx::ConsoleSetWindowRect(true, 0, 290, 79, 300));
  QVERIFY(ConsoleEx::ConsoleSetWindowRect(false, 0, 10, 0, 10));  // moved down by 10 rows
  QCOMPARE(s.windowTop(), 10);
  QCOMPARE(s.windowRows(), 25);
}

void TestPtyRunner::titleFromHelperAndFromProgram() {
  ScreenModel s(80, 300);
  ConsoleEx::SetCurrent(&s);
  QSignalSpy spy(&s, &ScreenModel::titleChanged);
  QVERIFY(ConsoleEx::ConsoleSetTitle("UPX + Packhelm"));
  QCOMPARE(s.title(), QStringLiteral("UPX + Packhelm"));
  s.feed("\x1b]2;packer title\x07");
  QCOMPARE(s.title(), QStringLiteral("packer title"));
  QCOMPARE(spy.size(), 2);
}

void TestPtyRunner::fullBufferScrolls() {
  ScreenModel s(80, 300);
  ConsoleEx::SetCurrent(&s);
  for (int i = 0; i < 310; ++i) ConsoleEx::ConsoleWriteLn("line " + QByteArray::number(i));
  // 310 lines and the empty row of the cursor: the first 11 left the buffer.
  QCOMPARE(s.scrolledOut(), 11);
  QCOMPARE(s.rowText(0), QStringLiteral("line 11"));
  QCOMPARE(s.rowText(298), QStringLiteral("line 309"));
  QCOMPARE(s.cursorRow(), 299);
  // A scroll region (not the whole buffer) goes the slow way and keeps the rows outside it.
  s.feed("\x1b[2;3r\x1b[3;1H\n\x1b[r");
  QCOMPARE(s.rowText(0), QStringLiteral("line 11"));
  QCOMPARE(s.rowText(1), QStringLiteral("line 13"));
  QCOMPARE(s.rowText(2), QString());
  QCOMPARE(s.rowText(3), QStringLiteral("line 14"));
}

void TestPtyRunner::resizeAfterScrollingKeepsRows_data() {
  QTest::addColumn<int>("columns");
  QTest::addColumn<int>("rows");
  QTest::newRow("narrower and shorter") << 8 << 5;
  QTest::newRow("wider and taller") << 100 << 40;
  QTest::newRow("same width, shorter") << 20 << 3;
}

void TestPtyRunner::resizeAfterScrollingKeepsRows() {
  QFETCH(int, columns);
  QFETCH(int, rows);
  ScreenModel s(20, 10);
  ConsoleEx::SetCurrent(&s);
  // 13 lines in 10 rows: the ring no longer starts at its first row.
  for (int i = 0; i < 13; ++i) ConsoleEx::ConsoleWriteLn("row " + QByteArray::number(i) + " abc");
  QCOMPARE(s.scrolledOut(), 4);
  QVERIFY(ConsoleEx::ConsoleSetBufferSize(columns, rows));
  QCOMPARE(s.columns(), columns);
  QCOMPARE(s.rows(), rows);
  for (int r = 0; r < qMin(rows, 9); ++r)
    QCOMPARE(s.rowText(r), QStringLiteral("row %1 abc").arg(r + 4).left(columns));
  for (int r = 9; r < rows; ++r) QCOMPARE(s.rowText(r), QString());
  // New columns are blank in the default colours.
  if (columns > 20) {
    QCOMPARE(s.cell(0, 20).ch, U' ');
    QCOMPARE(int(s.cell(0, columns - 1).fg), 7);
  }
}

void TestPtyRunner::reverseVideoSwapsGlyphAndBlankColours() {
  ScreenModel s(80, 25);
  s.feed("\x1b[34;43mn\x1b[7mr\x1b[K\x1b[27mx");
  // ANSI blue on yellow is console 1 on 6; reverse video swaps them for glyphs and erased cells.
  QCOMPARE(int(s.cell(0, 0).fg), 1);
  QCOMPARE(int(s.cell(0, 0).bg), 6);
  QCOMPARE(s.cell(0, 1).ch, U'r');
  QCOMPARE(int(s.cell(0, 1).fg), 6);
  QCOMPARE(int(s.cell(0, 1).bg), 1);
  QCOMPARE(int(s.cell(0, 40).fg), 6);
  QCOMPARE(int(s.cell(0, 40).bg), 1);
  QCOMPARE(s.cell(0, 2).ch, U'x');
  QCOMPARE(int(s.cell(0, 2).fg), 1);
  QCOMPARE(int(s.cell(0, 2).bg), 6);
}

void TestPtyRunner::packerOutputKeepsCurrentColours() {
  ScreenModel s(80, 300);
  ConsoleEx::SetCurrent(&s);
  ConsoleEx::ConsoleSetTextAttr(8, 0);
  s.feed("out\r\n\x1b[0mreset");
  QCOMPARE(int(s.cell(0, 0).fg), 8);
  QCOMPARE(int(s.cell(1, 0).fg), 7);  // the console's default colours
  QCOMPARE(int(s.cell(1, 0).bg), 0);
  s.feed("\x1b[38;5;196mR\x1b[38;2;0;0;250mB\x1b[1;31mb");
  QCOMPARE(int(s.cell(1, 5).fg), 12);  // 256-colour red: nearest is bright red
  QCOMPARE(int(s.cell(1, 6).fg), 9);   // true-colour blue: bright blue
  QCOMPARE(int(s.cell(1, 7).fg), 12);  // bold red shows bright
}

void TestPtyRunner::keysBecomeTerminalBytes_data() {
  QTest::addColumn<int>("key");  // -1: text
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("mods");
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("printable") << -1 << QStringLiteral("aZ") << 0 << QByteArray("aZ");
  QTest::newRow("utf8") << -1 << QStringLiteral("ж") << 0 << QByteArray("\xd0\xb6");
  QTest::newRow("ctrl+c") << -1 << QStringLiteral("c") << int(ScreenModel::Ctrl)
                          << QByteArray("\x03");
  QTest::newRow("enter") << int(ScreenModel::Key::Enter) << QString() << 0 << QByteArray("\r");
  QTest::newRow("backspace") << int(ScreenModel::Key::Backspace) << QString() << 0
                             << QByteArray("\x7f");
  QTest::newRow("up") << int(ScreenModel::Key::Up) << QString() << 0 << QByteArray("\x1b[A");
  QTest::newRow("left") << int(ScreenModel::Key::Left) << QString() << 0 << QByteArray("\x1b[D");
}

void TestPtyRunner::keysBecomeTerminalBytes() {
  QFETCH(int, key);
  QFETCH(QString, text);
  QFETCH(int, mods);
  QFETCH(QByteArray, bytes);
  ScreenModel s(80, 300);
  QByteArray got;
  connect(&s, &ScreenModel::input, this, [&](const QByteArray& b) { got += b; });
  if (key < 0)
    s.sendText(text, mods);
  else
    s.sendKey(ScreenModel::Key(key), mods);
  QCOMPARE(got, bytes);
}

void TestPtyRunner::noteKeepsPen() {
  ScreenModel s(80, 300);
  ConsoleEx::SetCurrent(&s);
  s.feed("\x1b[32m");  // a program's green
  s.writeNote("note", 8, 0);
  s.feed("after");
  QCOMPARE(s.rowText(0), QStringLiteral("note"));
  QCOMPARE(int(s.cell(0, 0).fg), 8);
  QCOMPARE(int(s.cell(1, 0).fg), 2);
}

void TestPtyRunner::exitCodes_data() {
  QTest::addColumn<QByteArray>("var");
  QTest::addColumn<QByteArray>("value");
  QTest::addColumn<int>("expected");
  QTest::addColumn<int>("signal");
  QTest::newRow("0") << QByteArray("PACKHELM_STANDIN_EXIT") << QByteArray("0") << 0 << 0;
  QTest::newRow("1") << QByteArray("PACKHELM_STANDIN_EXIT") << QByteArray("1") << 1 << 0;
  QTest::newRow("2") << QByteArray("PACKHELM_STANDIN_EXIT") << QByteArray("2") << 2 << 0;
  QTest::newRow("3") << QByteArray("PACKHELM_STANDIN_EXIT") << QByteArray("3") << 3 << 0;
  // An exit code above 128 is not a signal.
  QTest::newRow("137") << QByteArray("PACKHELM_STANDIN_EXIT") << QByteArray("137") << 137 << 0;
  QTest::newRow("SIGKILL") << QByteArray("PACKHELM_STANDIN_SIGNAL") << QByteArray("9") << 128 + 9
                           << 9;
  QTest::newRow("SIGTERM") << QByteArray("PACKHELM_STANDIN_SIGNAL") << QByteArray("15") << 128 + 15
                           << 15;
}

void TestPtyRunner::exitCodes() {
  QFETCH(QByteArray, var);
  QFETCH(QByteArray, value);
  QFETCH(int, expected);
  QFETCH(int, signal);
  EnvGuard env{{var.constData(), value}};
  const RunResult r = runToEnd({standinPath(), "x"});
  QVERIFY(r.started);
  QCOMPARE(r.exitCode, expected);
  QCOMPARE(r.signal, signal);
}

void TestPtyRunner::startFailures_data() {
  QTest::addColumn<QByteArray>("program");
  TemporaryDir dir;  // only for unique names; files are made in the test
  QTest::newRow("empty") << QByteArray();
  QTest::newRow("missing path") << QByteArray("/nonexistent/packhelm/upx");
  QTest::newRow("missing on PATH") << QByteArray("packhelm-no-such-packer-xyz");
  QTest::newRow("not executable") << QByteArray("@noexec");
  QTest::newRow("script without interpreter line") << QByteArray("@script");
  QTest::newRow("folder") << QByteArray("@folder");
}

void TestPtyRunner::startFailures() {
  QFETCH(QByteArray, program);
  TemporaryDir dir;
  const QByteArray base = QFile::encodeName(dir.path()) + '/';
  const QByteArray marker = base + "shell-ran";
  if (program == "@noexec" || program == "@script") {
    QFile f(QFile::decodeName(base + "prog"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    // Were this handed to a shell, it would leave a marker file.
    f.write("touch '" + marker + "'\n");
    f.close();
    f.setPermissions(program == "@script" ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                          : QFile::ReadOwner | QFile::WriteOwner);
    program = base + "prog";
  } else if (program == "@folder") {
    program = base;
  }
  PtyRunner runner;
  QSignalSpy finished(&runner, &PtyRunner::finished);
  QVERIFY(!runner.start({program, "arg"}, 0, 80, 300));
  QVERIFY(!runner.errorString().isEmpty());
  QVERIFY(!runner.isRunning());
  QVERIFY(finished.isEmpty());
  QVERIFY(!QFile::exists(QFile::decodeName(marker)));
}

void TestPtyRunner::priorityClassMapping_data() {
  QTest::addColumn<uint>("priorityClass");
  QTest::addColumn<int>("nice");
  QTest::newRow("realtime") << 256u << -20;
  QTest::newRow("high") << 128u << -10;
  QTest::newRow("normal") << 32u << 0;
  QTest::newRow("idle") << 64u << 19;
  QTest::newRow("other") << 16384u << 0;
  QTest::newRow("zero") << 0u << 0;
}

void TestPtyRunner::priorityClassMapping() {
  QFETCH(uint, priorityClass);
  QFETCH(int, nice);
  QCOMPARE(PtyRunner::NiceForPriorityClass(priorityClass), nice);
}

void TestPtyRunner::lowPriorityReachesChild() {
  EnvGuard env{{"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
  PtyRunner runner;
  QByteArray out;
  connect(&runner, &PtyRunner::output, this, [&](const QByteArray& b) { out += b; });
  QSignalSpy finished(&runner, &PtyRunner::finished);
  QVERIFY(runner.start({standinPath()}, 19, 80, 300));
  QVERIFY(!runner.priorityRefused());
  QCOMPARE(ProcessNice(runner.pid()), 19);
  runner.write("hello\rquit\r");
  QVERIFY(finished.wait(30000));
  QCOMPARE(finished.first().first().toInt(), 0);
  QVERIFY(out.contains("got: hello"));
}

void TestPtyRunner::megabyteArrivesWhole() {
  const int size = 1024 * 1024;
  EnvGuard env{{"PACKHELM_STANDIN_OUTPUT_BYTES", QByteArray::number(size)},
               {"PACKHELM_STANDIN_EXIT", "0"}};
  const RunResult r = runToEnd({standinPath()});
  QVERIFY(r.started);
  QCOMPARE(r.exitCode, 0);
  // The terminal turns each line feed into CR LF.
  const int lines = int(r.output.count('\n'));
  QCOMPARE(r.output.size() - lines, size);
  QVERIFY(r.output.startsWith("stand-in output line 0 "));
}

void TestPtyRunner::grandchildDoesNotHangRun() {
  EnvGuard env{{"PACKHELM_STANDIN_GRANDCHILD", "1"}, {"PACKHELM_STANDIN_EXIT", "2"}};
  QElapsedTimer t;
  t.start();
  const RunResult r = runToEnd({standinPath()});
  QVERIFY(r.started);
  QCOMPARE(r.exitCode, 2);
  QVERIFY2(t.elapsed() < 10000, "the run waited for the grandchild");
}

void TestPtyRunner::terminateEndsProcessGroup() {
  EnvGuard env{{"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
  PtyRunner runner;
  QSignalSpy finished(&runner, &PtyRunner::finished);
  QVERIFY(runner.start({standinPath()}, 0, 80, 300));
  const qint64 pid = runner.pid();
  QVERIFY(processExists(pid));
  runner.terminate();
  QVERIFY(!runner.isRunning());
  QCOMPARE(finished.size(), 1);
  QCOMPARE(finished.first().first().toInt(), 128 + SIGTERM);
  QVERIFY(!processExists(pid));  // reaped: no zombie left either
}

void TestPtyRunner::destructorReapsPacker() {
  EnvGuard env{{"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
  qint64 pid = -1;
  {
    PtyRunner runner;
    QVERIFY(runner.start({standinPath()}, 0, 80, 300));
    pid = runner.pid();
  }
  QVERIFY(!processExists(pid));
}

void TestPtyRunner::signalNames_data() {
  QTest::addColumn<int>("signal");
  QTest::addColumn<QByteArray>("name");
  QTest::newRow("2") << 2 << QByteArray("SIGINT");
  QTest::newRow("9") << 9 << QByteArray("SIGKILL");
  QTest::newRow("11") << 11 << QByteArray("SIGSEGV");
  QTest::newRow("15") << 15 << QByteArray("SIGTERM");
  QTest::newRow("unknown") << 200 << QByteArray("signal 200");
  QTest::newRow("zero") << 0 << QByteArray("signal 0");
}

void TestPtyRunner::signalNames() {
  QFETCH(int, signal);
  QFETCH(QByteArray, name);
  QCOMPARE(PtyRunner::SignalName(signal), name);
}

// The user's stop: interrupt, then terminate, then kill, each after the grace, without ever
// blocking the caller; a stopped (SIGSTOP) packer is woken to see the signal.
void TestPtyRunner::stopEscalates_data() {
  QTest::addColumn<QByteArray>("ignored");
  QTest::addColumn<bool>("suspended");
  QTest::addColumn<int>("signal");
  QTest::newRow("interrupt ends it") << QByteArray() << false << SIGINT;
  QTest::newRow("suspended packer") << QByteArray() << true << SIGINT;
  QTest::newRow("interrupt ignored") << QByteArray("2") << false << SIGTERM;
  QTest::newRow("terminate ignored too") << QByteArray("2,15") << false << SIGKILL;
  QTest::newRow("suspended, both ignored") << QByteArray("2,15") << true << SIGKILL;
}

void TestPtyRunner::stopEscalates() {
  QFETCH(QByteArray, ignored);
  QFETCH(bool, suspended);
  QFETCH(int, signal);
  constexpr int grace = 200;
  EnvGuard env{{"PACKHELM_STANDIN_IGNORE", ignored}, {"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
  PtyRunner runner;
  QByteArray out;
  connect(&runner, &PtyRunner::output, this, [&](const QByteArray& b) { out += b; });
  QSignalSpy finished(&runner, &PtyRunner::finished);
  QVERIFY(runner.start({standinPath()}, 0, 80, 300));
  // Signals are set up once the packer answers.
  runner.write("ready\r");
  QTRY_VERIFY(out.contains("got: ready"));
  if (suspended) {
    QCOMPARE(::kill(pid_t(runner.pid()), SIGSTOP), 0);
    QTRY_COMPARE(ProcessState(runner.pid()), 'T');
  }
  const qint64 pid = runner.pid();
  QElapsedTimer t;
  t.start();
  runner.stop(grace);
  QVERIFY(t.elapsed() < grace);  // returns at once
  QVERIFY(runner.stopRequested());
  QVERIFY(finished.wait(30000));
  const int steps = signal == SIGINT ? 0 : signal == SIGTERM ? 1 : 2;
  QVERIFY2(t.elapsed() >= steps * grace, QByteArray::number(t.elapsed()).constData());
  QCOMPARE(runner.termSignal(), signal);
  QCOMPARE(finished.first().first().toInt(), 128 + signal);
  QVERIFY(!processExists(pid));
  QVERIFY(runner.interrupted());
  // Started anew, the runner has stopped nothing yet.
  qunsetenv("PACKHELM_STANDIN_ECHO_INPUT");
  QVERIFY(runner.start({standinPath(), "--version"}, 0, 80, 300));
  QVERIFY(finished.wait(30000));
  QCOMPARE(runner.termSignal(), 0);
  QVERIFY(!runner.interrupted());
}

void TestPtyRunner::secondStopGoesOnAtOnce() {
  EnvGuard env{{"PACKHELM_STANDIN_IGNORE", "2,15"}, {"PACKHELM_STANDIN_ECHO_INPUT", "1"}};
  PtyRunner runner;
  QByteArray out;
  connect(&runner, &PtyRunner::output, this, [&](const QByteArray& b) { out += b; });
  QSignalSpy finished(&runner, &PtyRunner::finished);
  QVERIFY(runner.start({standinPath()}, 0, 80, 300));
  runner.write("ready\r");
  QTRY_VERIFY(out.contains("got: ready"));
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < 3; ++i) runner.stop(60000);
  QVERIFY(finished.wait(30000));
  QVERIFY(t.elapsed() < 30000);
  QCOMPARE(runner.termSignal(), SIGKILL);
}

QTEST_GUILESS_MAIN(TestPtyRunner)
#include "test_ptyrunner.moc"
