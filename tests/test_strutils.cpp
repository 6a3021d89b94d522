// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "core/util/StrUtils.h"

using namespace StrUtils;

class TestStrUtils : public QObject {
  Q_OBJECT
 private slots:
  void parseInt_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected");
    const int D = -777;
    QTest::newRow("plain") << QByteArray("42") << 42;
    QTest::newRow("leading spaces") << QByteArray("   42") << 42;
    QTest::newRow("plus") << QByteArray("+42") << 42;
    QTest::newRow("minus") << QByteArray("-42") << -42;
    QTest::newRow("leading zeros") << QByteArray("00000000042") << 42;
    QTest::newRow("spaces padded") << QByteArray("         42") << 42;
    QTest::newRow("$2A") << QByteArray("$2A") << 42;
    QTest::newRow("x2a") << QByteArray("x2a") << 42;
    QTest::newRow("X2A") << QByteArray("X2A") << 42;
    QTest::newRow("0x2a") << QByteArray("0x2a") << 42;
    QTest::newRow("0X2A") << QByteArray("0X2A") << 42;
    QTest::newRow("-$2A") << QByteArray("-$2A") << -42;
    QTest::newRow("8 F is -1") << QByteArray("$FFFFFFFF") << -1;
    QTest::newRow("9 hex digits") << QByteArray("$1FFFFFFFF") << D;
    QTest::newRow("hex leading zeros") << QByteArray("$000000002A") << 42;
    QTest::newRow("trailing space") << QByteArray("42 ") << D;
    QTest::newRow("inner space") << QByteArray("4 2") << D;
    QTest::newRow("tab before") << QByteArray("\t42") << D;
    QTest::newRow("empty") << QByteArray("") << D;
    QTest::newRow("spaces only") << QByteArray("   ") << D;
    QTest::newRow("lone sign") << QByteArray("-") << D;
    QTest::newRow("lone prefix") << QByteArray("0x") << D;
    QTest::newRow("lone $") << QByteArray("$") << D;
    QTest::newRow("max") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("max+1") << QByteArray("2147483648") << D;
    QTest::newRow("min") << QByteArray("-2147483648") << int(-2147483648LL);
    QTest::newRow("min-1") << QByteArray("-2147483649") << D;
    QTest::newRow("zero") << QByteArray("0") << 0;
    QTest::newRow("letters") << QByteArray("abc") << D;
    QTest::newRow("long digits") << QByteArray("123456789012345678901234") << D;
  }
  void parseInt() {
    QFETCH(QByteArray, text);
    QFETCH(int, expected);
    QCOMPARE(ParseInt(text, -777), expected);
  }

  void parseCardinal_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<uint>("expected");
    QTest::newRow("max") << QByteArray("4294967295") << 4294967295u;
    QTest::newRow("-1") << QByteArray("-1") << 4294967295u;
    QTest::newRow("max+1 wraps") << QByteArray("4294967296") << 0u;
    QTest::newRow("padded") << QByteArray("04294967295") << 4294967295u;
    QTest::newRow("letters") << QByteArray("abc") << 99u;
    QTest::newRow("hex 16 digits") << QByteArray("$FFFFFFFF00000001") << 1u;
    QTest::newRow("hex 17 digits") << QByteArray("$1FFFFFFFF00000001") << 99u;
    QTest::newRow("int64 max") << QByteArray("9223372036854775807") << 4294967295u;
    QTest::newRow("int64 max+1") << QByteArray("9223372036854775808") << 99u;
  }
  void parseCardinal() {
    QFETCH(QByteArray, text);
    QFETCH(uint, expected);
    QCOMPARE(ParseCardinal(text, 99), expected);
  }

  void parseFloat_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("expected");
    const double D = -999.0;
    QTest::newRow("1.5") << QByteArray("1.5") << 1.5;
    QTest::newRow("spaces sign") << QByteArray("   -1.5") << -1.5;
    QTest::newRow(".5") << QByteArray(".5") << 0.5;
    QTest::newRow("1.") << QByteArray("1.") << 1.0;
    QTest::newRow("1.5e2") << QByteArray("1.5e2") << 150.0;
    QTest::newRow("15E-1") << QByteArray("15E-1") << 1.5;
    QTest::newRow("1.5E+2") << QByteArray("1.5E+2") << 150.0;
    QTest::newRow("comma") << QByteArray("1,5") << D;
    QTest::newRow("trailing space") << QByteArray("1.5 ") << D;
    QTest::newRow("empty") << QByteArray("") << D;
    QTest::newRow("sign only") << QByteArray("-") << D;
    QTest::newRow("dot only") << QByteArray(".") << D;
    QTest::newRow("exp no digits") << QByteArray("1e") << D;
    QTest::newRow("many digits, negative exponent")
        << QByteArray("1" + QByteArray(5000, '0') + "e-5000") << 1.0;
    QTest::newRow("many fraction zeros")
        << QByteArray("0." + QByteArray(5000, '0') + "15e5001") << 1.5;
    QTest::newRow("many significant digits")
        << QByteArray("1.2345678901234567890123456789012345678901234567890e2")
        << 123.45678901234568;
    QTest::newRow("0.1") << QByteArray("0.1") << 0.1;
  }
  void parseFloat() {
    QFETCH(QByteArray, text);
    QFETCH(double, expected);
    QCOMPARE(double(ParseFloat(text, -999.0L)), expected);
  }

  void words_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<char>("sep");
    QTest::addColumn<uint>("n");
    QTest::addColumn<QByteArray>("word");
    QTest::newRow("section") << QByteArray("VAR\\20") << '\\' << 1u << QByteArray("VAR");
    QTest::newRow("number") << QByteArray("VAR\\20") << '\\' << 2u << QByteArray("20");
    QTest::newRow("beyond") << QByteArray("VAR\\20") << '\\' << 3u << QByteArray();
    QTest::newRow("double sep") << QByteArray("a..b") << '.' << 2u << QByteArray("b");
    QTest::newRow("leading sep w1") << QByteArray(".a.b") << '.' << 1u << QByteArray();
    QTest::newRow("leading sep w2") << QByteArray(".a.b") << '.' << 2u << QByteArray("a");
    QTest::newRow("n=0") << QByteArray("a.b") << '.' << 0u << QByteArray();
    QTest::newRow("trailing") << QByteArray("a.") << '.' << 2u << QByteArray();
    QTest::newRow("empty") << QByteArray() << '.' << 1u << QByteArray();
  }
  void words() {
    QFETCH(QByteArray, text);
    QFETCH(char, sep);
    QFETCH(uint, n);
    QFETCH(QByteArray, word);
    QCOMPARE(NthWord(text, n, sep), word);
  }

  void countWords_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<uint>("count");
    QTest::newRow("form.control") << QByteArray("FormOpt.ButtonApply") << 2u;
    QTest::newRow("one") << QByteArray("ButtonPack") << 1u;
    QTest::newRow("empty") << QByteArray() << 0u;
    QTest::newRow("trailing dot") << QByteArray("ButtonPack.") << 1u;
    QTest::newRow("leading dot") << QByteArray(".a.b") << 0u;
    QTest::newRow("three") << QByteArray("a..b.c") << 3u;
  }
  void countWords() {
    QFETCH(QByteArray, text);
    QFETCH(uint, count);
    QCOMPARE(CountWords(text, '.'), count);
  }

  void lines_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<uint>("count");
    QTest::addColumn<QByteArray>("line2");
    QTest::addColumn<QByteArray>("line3");
    QTest::newRow("empty") << QByteArray() << 0u << QByteArray() << QByteArray();
    QTest::newRow("one char") << QByteArray("a") << 1u << QByteArray() << QByteArray();
    QTest::newRow("no crlf") << QByteArray("abc") << 1u << QByteArray() << QByteArray();
    QTest::newRow("two") << QByteArray("ab\r\ncd") << 2u << QByteArray("cd") << QByteArray();
    QTest::newRow("two + crlf") << QByteArray("ab\r\ncd\r\n") << 2u << QByteArray("cd")
                                << QByteArray();
    QTest::newRow("only crlf") << QByteArray("\r\n") << 1u << QByteArray() << QByteArray();
    QTest::newRow("lone lf") << QByteArray("ab\ncd") << 1u << QByteArray() << QByteArray();
    QTest::newRow("empty middle") << QByteArray("ab\r\n\r\ncd") << 3u << QByteArray()
                                  << QByteArray("cd");
  }
  void lines() {
    QFETCH(QByteArray, text);
    QFETCH(uint, count);
    QFETCH(QByteArray, line2);
    QFETCH(QByteArray, line3);
    QCOMPARE(CountLines(text), count);
    QCOMPARE(NthLine(text, 2), line2);
    QCOMPARE(NthLine(text, 3), line3);
  }

  void lineKeepsLoneCrAndLf() {
    QCOMPARE(NthLine("a\rb\r\nc\nd", 1), QByteArray("a\rb"));
    QCOMPARE(NthLine("a\rb\r\nc\nd", 2), QByteArray("c\nd"));
  }

  void trimAndPad() {
    QCOMPARE(TrimSpaces("    "), QByteArray());
    QCOMPARE(TrimSpaces("  a b  "), QByteArray("a b"));
    QCOMPARE(TrimSpaces("\ta "), QByteArray("\ta"));
    QCOMPARE(PadLeft("7", 11, '0', true), QByteArray("00000000007"));
    QCOMPARE(PadLeft("123", 2, '0', true), QByteArray("23"));
    QCOMPARE(PadLeft("123", 2, '0', false), QByteArray("123"));
  }

  // Names in messages: any bytes shown so that a reader sees what they are, and nothing in them
  // hides, reorders or restyles the text around.
  void readableName_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << QByteArray("/home/u/my tools") << QStringLiteral("/home/u/my tools");
    QTest::newRow("quotes kept") << QByteArray("/a \"b\" 'c'") << QStringLiteral("/a \"b\" 'c'");
    QTest::newRow("UTF-8 kept") << QByteArray("/\xd0\x9f\xd0\xb0\xd0\xbf\xd0\xba\xd0\xb0 \xc3\xa4")
                                << QStringLiteral("/Папка ä");
    QTest::newRow("four-byte character")
        << QByteArray("/\xf0\x9f\x93\x81") << QString::fromUtf8("/\xf0\x9f\x93\x81");
    QTest::newRow("not UTF-8") << QByteArray("/a\xff\xfe") << QStringLiteral("/a\\xFF\\xFE");
    QTest::newRow("Latin-1 byte") << QByteArray("/caf\xe9!") << QStringLiteral("/caf\\xE9!");
    QTest::newRow("cut sequence") << QByteArray("/\xd0") << QStringLiteral("/\\xD0");
    QTest::newRow("overlong slash") << QByteArray("/\xc0\xaf") << QStringLiteral("/\\xC0\\xAF");
    QTest::newRow("surrogate") << QByteArray("/\xed\xa0\x80") << QStringLiteral("/\\xED\\xA0\\x80");
    QTest::newRow("past U+10FFFF")
        << QByteArray("\xf4\x90\x80\x80") << QStringLiteral("\\xF4\\x90\\x80\\x80");
    QTest::newRow("escape sequence")
        << QByteArray("/a\x1b[31mred") << QStringLiteral("/a\\x1B[31mred");
    QTest::newRow("line feed, tab, DEL")
        << QByteArray("a\nb\tc\x7f") << QStringLiteral("a\\x0Ab\\x09c\\x7F");
    QTest::newRow("C1 control") << QByteArray(
                                       "a\xc2\x9b"
                                       "b")
                                << QStringLiteral("a\\x9Bb");
    QTest::newRow("right-to-left override")
        << QByteArray("a\xe2\x80\xaegpj.exe") << QStringLiteral("a\\u202Egpj.exe");
    QTest::newRow("isolate") << QByteArray(
                                    "a\xe2\x81\xa6"
                                    "b")
                             << QStringLiteral("a\\u2066b");
    QTest::newRow("backslash doubled") << QByteArray("a\\xFF") << QStringLiteral("a\\\\xFF");
    QTest::newRow("empty") << QByteArray() << QString();
  }
  void readableName() {
    QFETCH(QByteArray, name);
    QFETCH(QString, shown);
    QCOMPARE(ReadableName(name), shown);
  }
};

QTEST_GUILESS_MAIN(TestStrUtils)
#include "test_strutils.moc"
