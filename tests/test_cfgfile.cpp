// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>
#include <cmath>

#include "core/settings/CFGfile.h"
#include "core/util/StrUtils.h"
#include "support/TestHelpers.h"

namespace {

QByteArray pad10(qsizetype n) {
  QByteArray t = QByteArray::number(n);
  return QByteArray(10 - t.size(), '0') + t;
}

// One record built by hand, field by field.
QByteArray rec(char type, const QByteArray& key, const QByteArray& valueField,
               const QByteArray& comment = {}) {
  return type + pad10(key.size()) + key + valueField + pad10(comment.size()) + comment + "\r\n";
}
QByteArray sRec(const QByteArray& key, const QByteArray& value, const QByteArray& comment = {}) {
  return rec('s', key, pad10(value.size()) + value, comment);
}

const QByteArray kHead = "CFGDATA\r\n";

// Extended-precision values and their texts (a double column would lose the digits that show).
const struct {
  long double value;
  const char* text;
} kFloats[] = {
    {1.5L, "1.5"},
    {100.0L, "100"},
    {0.0001L, "0.0001"},
    {0.001L, "0.001"},
    {0.00001L, "1E-5"},
    {1e20L, "1E20"},
    {1e17L, "100000000000000000"},
    {1e18L, "1E18"},
    {0.0L, "0"},
    {-2.5L, "-2.5"},
    {-0.25L, "-0.25"},
    {1.25e-10L, "1.25E-10"},
    {123.456L, "123.456"},
    {-98765.4321L, "-98765.4321"},
    {12345678901234567.8L, "12345678901234567.8"},
};

bool writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}
QByteArray readBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

struct Entry {
  char type;
  QByteArray key;
  QByteArray field;  // the value field as written
  QByteArray comment;
  QByteArray bytes() const { return rec(type, key, field, comment); }
};

// Checks that the store holds exactly the entry's value and comment.
bool holds(const TCFGfile& cfg, const Entry& e) {
  QByteArray comment;
  switch (e.type) {
    case 's': {
      QByteArray v;
      return cfg.GetString(e.key, v, &comment) && pad10(v.size()) + v == e.field &&
             comment == e.comment;
    }
    case 'i': {
      qint32 v = 0;
      return cfg.GetInteger(e.key, v, &comment) && v == e.field.toInt() && comment == e.comment;
    }
    case 'c': {
      quint32 v = 0;
      return cfg.GetCardinal(e.key, v, &comment) && v == e.field.toUInt() && comment == e.comment;
    }
    case 'b': {
      bool v = false;
      return cfg.GetBoolean(e.key, v, &comment) && v == (e.field == "1") && comment == e.comment;
    }
    default:
      return false;
  }
}

// Bytes that keep a record's line structure and contain no type letter, so that a parser sliding
// over them cannot start a record inside them.
QByteArray safeText(QRandomGenerator& rng, int minLen, int maxLen) {
  static const QByteArray alphabet = "ADFGHJKLMNOPQRTUVWXYZadfghjklmnopqrtuvwxyz0123456789_.-+$ ";
  QByteArray t;
  const int len = rng.bounded(minLen, maxLen + 1);
  for (int i = 0; i < len; ++i) t.append(alphabet[rng.bounded(int(alphabet.size()))]);
  return t;
}

QList<Entry> randomEntries(QRandomGenerator& rng, int count) {
  QList<Entry> entries;
  for (int i = 0; i < count; ++i) {
    Entry e;
    e.type = "sicb"[rng.bounded(4)];
    // unique, no outer spaces, no type letter
    e.key = "K" + QByteArray::number(i) + "_" + safeText(rng, 0, 6).replace(' ', '_');
    e.comment = rng.bounded(3) == 0 ? safeText(rng, 1, 12) : QByteArray();
    switch (e.type) {
      case 's': {
        const QByteArray v = safeText(rng, 0, 40);
        e.field = pad10(v.size()) + v;
        break;
      }
      case 'i': {
        const qint32 v = qint32(rng.bounded(2000000)) - 1000000;
        const QByteArray d = QByteArray::number(qAbs(v));
        e.field =
            v < 0 ? "-" + QByteArray(10 - d.size(), '0') + d : QByteArray(11 - d.size(), '0') + d;
        break;
      }
      case 'c': {
        const QByteArray d = QByteArray::number(rng.generate());
        e.field = QByteArray(11 - d.size(), '0') + d;
        break;
      }
      default:
        e.field = rng.bounded(2) ? "1" : "0";
        break;
    }
    entries.append(e);
  }
  return entries;
}

}  // namespace

class TestCfgFile : public QObject {
  Q_OBJECT

  TemporaryDir dir_;
  QString path(const QString& name) const { return dir_.filePath(name); }
  QByteArray bpath(const QString& name) const { return QFile::encodeName(path(name)); }

  // Writes bytes to a file and loads it.
  bool loadBytes(TCFGfile& cfg, const QByteArray& bytes, bool headerRequired = true) {
    const QString p = path("load.cfg");
    if (!writeBytes(p, bytes)) qFatal("cannot write the test file");
    return cfg.LoadFromFile(QFile::encodeName(p), headerRequired);
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  // --- writing ---

  void exampleRecords_data() {
    QTest::addColumn<char>("type");
    QTest::addColumn<QByteArray>("record");
    QTest::newRow("LangName") << 's'
                              << QByteArray("s0000000008LangName0000000007English0000000000\r\n");
    QTest::newRow("CompressValueBar")
        << 'i' << QByteArray("i0000000016CompressValueBar000000000040000000000\r\n");
    QTest::newRow("BackupBox") << 'b' << QByteArray("b0000000009BackupBox10000000000\r\n");
  }
  void exampleRecords() {
    QFETCH(char, type);
    QFETCH(QByteArray, record);
    TCFGfile cfg;
    if (type == 's') QVERIFY(cfg.SetString("LangName", "English", ""));
    if (type == 'i') QVERIFY(cfg.SetInteger("CompressValueBar", 4, ""));
    if (type == 'b') QVERIFY(cfg.SetBoolean("BackupBox", true, ""));
    const QByteArray expected = "CFGDATA\r\n" + record;
    QCOMPARE(cfg.SaveToText(), expected);
    QVERIFY(cfg.SaveToFile(bpath("example.cfg")));
    QCOMPARE(readBytes(path("example.cfg")), expected);
  }

  void emptyStoreIsHeaderOnly() {
    TCFGfile cfg;
    QCOMPARE(cfg.SaveToText(), QByteArray("CFGDATA\r\n"));
    QVERIFY(cfg.SaveToFile(bpath("empty.cfg")));
    QCOMPARE(readBytes(path("empty.cfg")), QByteArray("CFGDATA\r\n"));
    TCFGfile back;
    QVERIFY(back.LoadFromFile(bpath("empty.cfg")));
    QCOMPARE(back.StringCount(), 0);
  }

  void recordsGroupedByType() {
    TCFGfile cfg;
    QVERIFY(cfg.SetBoolean("b1", false));
    QVERIFY(cfg.SetCardinal("c1", 7));
    QVERIFY(cfg.SetInteger("i1", 3));
    QVERIFY(cfg.SetString("s2", "y"));
    QVERIFY(cfg.SetFloat("e1", 1.5L));
    QVERIFY(cfg.SetString("s1", "x", "note"));
    const QByteArray expected = kHead + sRec("s2", "y") + sRec("s1", "x", "note") +
                                rec('i', "i1", "00000000003") + rec('c', "c1", "00000000007") +
                                rec('e', "e1", QByteArray(22, ' ') + "1.5") + rec('b', "b1", "0");
    QCOMPARE(cfg.SaveToText(), expected);
  }

  void integerField_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("0") << 0 << QByteArray("00000000000");
    QTest::newRow("4") << 4 << QByteArray("00000000004");
    QTest::newRow("-1") << -1 << QByteArray("-0000000001");
    QTest::newRow("-42") << -42 << QByteArray("-0000000042");
    QTest::newRow("max") << 2147483647 << QByteArray("02147483647");
    QTest::newRow("min") << int(-2147483648LL) << QByteArray("-2147483648");
  }
  void integerField() {
    QFETCH(int, value);
    QFETCH(QByteArray, field);
    TCFGfile cfg;
    QVERIFY(cfg.SetInteger("N", value));
    QCOMPARE(cfg.SaveToText(), kHead + rec('i', "N", field));
    QVERIFY(cfg.SaveToFile(bpath("int.cfg")));
    TCFGfile back;
    QVERIFY(back.LoadFromFile(bpath("int.cfg")));
    qint32 read = 12345;
    QVERIFY(back.GetInteger("N", read));
    QCOMPARE(read, value);
  }

  void cardinalMax() {
    TCFGfile cfg;
    QVERIFY(cfg.SetCardinal("C", 4294967295u));
    QCOMPARE(cfg.SaveToText(), kHead + rec('c', "C", "04294967295"));
    QVERIFY(cfg.SaveToFile(bpath("card.cfg")));
    TCFGfile back;
    QVERIFY(back.LoadFromFile(bpath("card.cfg")));
    quint32 v = 0;
    QVERIFY(back.GetCardinal("C", v));
    QCOMPARE(v, 4294967295u);
  }

  void formatCfgFloat_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<QByteArray>("text");
    for (int i = 0; i < int(std::size(kFloats)); ++i)
      QTest::newRow(kFloats[i].text) << i << QByteArray(kFloats[i].text);
  }
  void formatCfgFloat() {
    QFETCH(int, which);
    QFETCH(QByteArray, text);
    QCOMPARE(TCFGfile::FormatCfgFloat(kFloats[which].value), text);
  }

  void formatCfgFloatRoundsTo18Digits() {
    QCOMPARE(TCFGfile::FormatCfgFloat(1.0L / 3.0L), QByteArray("0.333333333333333333"));
    QCOMPARE(TCFGfile::FormatCfgFloat(2.0L / 3.0L), QByteArray("0.666666666666666667"));
    QCOMPARE(TCFGfile::FormatCfgFloat(123456789012345678.0L), QByteArray("123456789012345678"));
    QCOMPARE(TCFGfile::FormatCfgFloat(1234567890123456789.0L),
             QByteArray("1.23456789012345679E18"));
  }

  void floatFieldKeepsSignWhenTooLong() {
    // 18 digits with a sign and a four-digit exponent need 26 characters
    const long double v = -1.23456789012345678e-4000L;
    QCOMPARE(TCFGfile::FormatCfgFloat(v).size(), 26);
    TCFGfile cfg;
    QVERIFY(cfg.SetFloat("F", v));
    const QByteArray text = cfg.SaveToText();
    const QByteArray field = text.mid(kHead.size() + 1 + 10 + 1, 25);
    QCOMPARE(field, QByteArray("-1.2345678901234568E-4000"));
    const long double read = StrUtils::ParseFloat(field, 0);
    QVERIFY(read < 0);
    QVERIFY(std::fabs((read - v) / v) < 1e-15L);
    // Read back, the record is written again as it was.
    TCFGfile back;
    QVERIFY(back.ParseText(text));
    QCOMPARE(back.SaveToText(), text);
  }

  void floatRoundTrip_data() {
    QTest::addColumn<double>("value");
    QTest::newRow("pi") << 3.14159265358979;
    QTest::newRow("tiny") << 1e-300;
    QTest::newRow("huge") << -1e300;
    QTest::newRow("third") << 1.0 / 3.0;
  }
  void floatRoundTrip() {
    QFETCH(double, value);
    TCFGfile cfg;
    QVERIFY(cfg.SetFloat("F", value, "c"));
    QVERIFY(cfg.SaveToFile(bpath("float.cfg")));
    TCFGfile back;
    QVERIFY(back.LoadFromFile(bpath("float.cfg")));
    // Value and comment read back: the record is written again as it was.
    QCOMPARE(back.SaveToText(), cfg.SaveToText());
    QCOMPARE(double(StrUtils::ParseFloat(TCFGfile::FormatCfgFloat(value), 0)), value);
  }

  // Written as NAN and -INF, read back as themselves (infinity used to come back as 0).
  void nonFiniteFloatsReadBack() {
    TCFGfile cfg;
    QVERIFY(cfg.SetFloat("N", NAN));
    QVERIFY(cfg.SetFloat("I", -INFINITY));
    QVERIFY(cfg.SetString("after", "kept"));
    TCFGfile back;
    QVERIFY(back.ParseText(cfg.SaveToText()));
    QCOMPARE(back.SaveToText(), cfg.SaveToText());
    QVERIFY(cfg.SetFloat("P", INFINITY));
    QVERIFY(back.ParseText(cfg.SaveToText()));
    QCOMPARE(back.SaveToText(), cfg.SaveToText());
    QCOMPARE(StoredString(back, "after"), QByteArray("kept"));
  }

  // --- the store ---

  void keyTrimming() {
    TCFGfile cfg;
    QVERIFY(cfg.SetString(" Lang ", "English"));
    QCOMPARE(cfg.IndexOfString("Lang"), 0);
    QCOMPARE(cfg.IndexOfString(" Lang "), -1);
    QByteArray v;
    QVERIFY(!cfg.GetString(" Lang ", v));
    QVERIFY(cfg.GetString("Lang", v));
    QCOMPARE(v, QByteArray("English"));
    // tabs are not spaces
    QVERIFY(cfg.SetString("\tT", "t"));
    QCOMPARE(cfg.IndexOfString("\tT"), 1);

    TCFGfile keep;
    keep.KeepKeySpaces = true;
    QVERIFY(keep.SetString(" Lang ", "English"));
    QCOMPARE(keep.IndexOfString(" Lang "), 0);
    QCOMPARE(keep.IndexOfString("Lang"), -1);
  }

  void sameKeyTwice() {
    TCFGfile cfg;
    QVERIFY(cfg.SetString("A", "1"));
    QVERIFY(cfg.SetString("B", "2"));
    QVERIFY(cfg.SetString("A", "3", "c"));
    QCOMPARE(cfg.StringCount(), 2);
    QCOMPARE(cfg.StringKeyAt(0), QByteArray("A"));
    QCOMPARE(cfg.StringValueAt(0), QByteArray("3"));
    QCOMPARE(cfg.StringKeyAt(1), QByteArray("B"));
    QCOMPARE(cfg.SaveToText(), kHead + sRec("A", "3", "c") + sRec("B", "2"));
  }

  void sameKeyInTwoTables() {
    TCFGfile cfg;
    QVERIFY(cfg.SetString("K", "x"));
    QVERIFY(cfg.SetInteger("K", 5));
    QVERIFY(cfg.SetBoolean("K", true));
    QCOMPARE(StoredString(cfg, "K"), QByteArray("x"));
    qint32 i = 0;
    QVERIFY(cfg.GetInteger("K", i));
    QCOMPARE(i, 5);
    bool b = false;
    QVERIFY(cfg.GetBoolean("K", b));
    QVERIFY(b);
    quint32 c = 0;
    QVERIFY(!cfg.GetCardinal("K", c));
    QCOMPARE(cfg.SaveToText(),
             kHead + sRec("K", "x") + rec('i', "K", "00000000005") + rec('b', "K", "1"));
  }

  void spacesOnlyKeyRefused() {
    TCFGfile cfg;
    QVERIFY(!cfg.SetString("   ", "x"));
    QVERIFY(!cfg.SetInteger("", 1));
    QVERIFY(!cfg.SetCardinal(" ", 1));
    QVERIFY(!cfg.SetFloat("  ", 1));
    QVERIFY(!cfg.SetBoolean(" ", true));
    QCOMPARE(cfg.SaveToText(), kHead);
    QCOMPARE(cfg.StringCount(), 0);
  }

  void getAbsentLeavesOutArguments() {
    TCFGfile cfg;
    QVERIFY(cfg.SetString("present", "v", "c"));
    QByteArray v = "default", c = "comment";
    QVERIFY(!cfg.GetString("absent", v, &c));
    QCOMPARE(v, QByteArray("default"));
    QCOMPARE(c, QByteArray("comment"));
    qint32 i = 77;
    QVERIFY(!cfg.GetInteger("present", i));
    QCOMPARE(i, 77);
    QCOMPARE(cfg.StringKeyAt(5), QByteArray());
    QCOMPARE(cfg.StringValueAt(-1), QByteArray());
  }

  void clearEmptiesEveryTable() {
    TCFGfile cfg;
    QVERIFY(cfg.SetString("s", "x"));
    QVERIFY(cfg.SetInteger("i", 1));
    QVERIFY(cfg.SetCardinal("c", 1));
    QVERIFY(cfg.SetFloat("e", 1));
    QVERIFY(cfg.SetBoolean("b", true));
    cfg.Clear();
    QCOMPARE(cfg.SaveToText(), kHead);
    QCOMPARE(cfg.IndexOfString("s"), -1);
    QVERIFY(cfg.SetString("s", "y"));
    QCOMPARE(cfg.IndexOfString("s"), 0);
  }

  // --- values through a file ---

  void multiLineValue() {
    TCFGfile cfg;
    QVERIFY(cfg.SetString("Lines", "a\r\nb"));
    QVERIFY(cfg.SetString("After", "z"));
    QVERIFY(cfg.SaveToText().contains("s0000000005Lines0000000004a\r\nb0000000000\r\n"));
    QVERIFY(cfg.SaveToFile(bpath("crlf.cfg")));
    TCFGfile back;
    QVERIFY(back.LoadFromFile(bpath("crlf.cfg")));
    QCOMPARE(StoredString(back, "Lines"), QByteArray("a\r\nb"));
    QCOMPARE(StoredString(back, "After"), QByteArray("z"));
  }

  void loneLineFeedDoesNotSurvive() {
    TCFGfile cfg;
    QVERIFY(cfg.SetString("Lines", "a\nb"));
    QVERIFY(cfg.SetString("After", "z"));
    QVERIFY(cfg.SaveToFile(bpath("lf.cfg")));
    TCFGfile back;
    QVERIFY(!back.LoadFromFile(bpath("lf.cfg")));
    // the LF came back as CR LF, so the value's length ends one byte early and the rest of the
    // record is out of step
    QCOMPARE(StoredString(back, "Lines"), QByteArray("a\r\n"));
  }

  void fieldReading_data() {
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<char>("type");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("bool 7") << rec('b', "B", "7") << 'b' << qint64(1);
    QTest::newRow("bool 1") << rec('b', "B", "1") << 'b' << qint64(1);
    QTest::newRow("bool 0") << rec('b', "B", "0") << 'b' << qint64(0);
    QTest::newRow("bool letter") << rec('b', "B", "T") << 'b' << qint64(0);
    QTest::newRow("bool space") << rec('b', "B", " ") << 'b' << qint64(0);
    QTest::newRow("int zeros") << rec('i', "I", "00000000042") << 'i' << qint64(42);
    QTest::newRow("int spaces") << rec('i', "I", "         42") << 'i' << qint64(42);
    QTest::newRow("int letters") << rec('i', "I", "abcdefghijk") << 'i' << qint64(0);
    QTest::newRow("int trailing space") << rec('i', "I", "0000000042 ") << 'i' << qint64(0);
    QTest::newRow("int hex $") << rec('i', "I", "$00000000FF") << 'i' << qint64(255);
    QTest::newRow("int hex 0x") << rec('i', "I", "0x0000000FF") << 'i' << qint64(255);
    QTest::newRow("int negative") << rec('i', "I", "-0000000007") << 'i' << qint64(-7);
    QTest::newRow("int old negative") << rec('i', "I", "000000000-1") << 'i' << qint64(0);
    QTest::newRow("int old min") << rec('i', "I", "-2147483648") << 'i' << qint64(-2147483648LL);
    QTest::newRow("int too big") << rec('i', "I", "99999999999") << 'i' << qint64(0);
    QTest::newRow("card max") << rec('c', "C", "04294967295") << 'c' << qint64(4294967295LL);
    QTest::newRow("card wraps") << rec('c', "C", "04294967296") << 'c' << qint64(0);
    QTest::newRow("card -1") << rec('c', "C", "-0000000001") << 'c' << qint64(4294967295LL);
    QTest::newRow("card letters") << rec('c', "C", "xxxxxxxxxxx") << 'c' << qint64(0);
    QTest::newRow("float spaces") << rec('e', "E", QByteArray(23, ' ') + "42") << 'e' << qint64(42);
    QTest::newRow("float letters") << rec('e', "E", QByteArray(25, 'x')) << 'e' << qint64(0);
  }
  void fieldReading() {
    QFETCH(QByteArray, record);
    QFETCH(char, type);
    QFETCH(qint64, expected);
    TCFGfile cfg;
    QVERIFY(loadBytes(cfg, kHead + record + sRec("after", "ok")));
    QCOMPARE(StoredString(cfg, "after"), QByteArray("ok"));
    if (type == 'b') {
      bool v = expected == 0;
      QVERIFY(cfg.GetBoolean("B", v));
      QCOMPARE(v, expected != 0);
    } else if (type == 'i') {
      qint32 v = 99;
      QVERIFY(cfg.GetInteger("I", v));
      QCOMPARE(qint64(v), expected);
    } else if (type == 'c') {
      quint32 v = 99;
      QVERIFY(cfg.GetCardinal("C", v));
      QCOMPARE(qint64(v), expected);
    } else {
      // Nothing asks for a float: what was read shows in what the store writes again.
      TCFGfile same;
      QVERIFY(same.SetFloat("E", expected));
      QVERIFY(same.SetString("after", "ok"));
      QCOMPARE(cfg.SaveToText(), same.SaveToText());
    }
  }

  void keysTrimmedWhenLoaded() {
    TCFGfile cfg;
    QVERIFY(loadBytes(cfg, kHead + sRec("  Padded ", "v") + sRec("   ", "dropped") +
                               sRec("", "dropped too") + sRec("next", "w")));
    QCOMPARE(cfg.StringCount(), 2);
    QCOMPARE(StoredString(cfg, "Padded"), QByteArray("v"));
    QCOMPARE(StoredString(cfg, "next"), QByteArray("w"));
  }

  void lastValueWinsFirstPositionKept() {
    TCFGfile cfg;
    QVERIFY(loadBytes(cfg, kHead + sRec("A", "1") + sRec("B", "2") + sRec("A", "3", "c") +
                               rec('i', "A", "00000000009")));
    QCOMPARE(cfg.StringCount(), 2);
    QCOMPARE(cfg.StringKeyAt(0), QByteArray("A"));
    QCOMPARE(cfg.StringValueAt(0), QByteArray("3"));
    QCOMPARE(cfg.StringKeyAt(1), QByteArray("B"));
    qint32 i = 0;
    QVERIFY(cfg.GetInteger("A", i));
    QCOMPARE(i, 9);
  }

  // --- reading the file ---

  void readTextFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("headerRequired");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("crlf") << QByteArray("CFGDATA\r\nA\r\nB\r\n") << true << true
                          << QByteArray("CFGDATA\r\nA\r\nB");
    QTest::newRow("lf") << QByteArray("CFGDATA\nA\nB") << true << true
                        << QByteArray("CFGDATA\r\nA\r\nB");
    QTest::newRow("lone cr dropped")
        << QByteArray("CFGDATA\r\nA\rB\r\r\n") << true << true << QByteArray("CFGDATA\r\nAB");
    QTest::newRow("empty lines kept inside") << QByteArray("CFGDATA\r\n\r\nA\r\n\r\n\r\n") << true
                                             << true << QByteArray("CFGDATA\r\n\r\nA\r\n\r\n");
    QTest::newRow("byte 26 ends") << QByteArray(
                                         "CFGDATA\r\nA\x1a"
                                         "B\r\nC")
                                  << true << true << QByteArray("CFGDATA\r\nA");
    QTest::newRow("byte 26 after line end")
        << QByteArray("CFGDATA\r\nA\r\n\x1a\r\n") << true << true << QByteArray("CFGDATA\r\nA");
    QTest::newRow("header with more")
        << QByteArray("CFGDATA v2\r\nA") << true << true << QByteArray("CFGDATA v2\r\nA");
    QTest::newRow("header alone") << QByteArray("CFGDATA") << true << true << QByteArray("CFGDATA");
    QTest::newRow("lower case header")
        << QByteArray("cfgdata\r\nA") << true << false << QByteArray();
    QTest::newRow("short header") << QByteArray("CFGDAT\r\nA") << true << false << QByteArray();
    QTest::newRow("header on line 2")
        << QByteArray("\r\nCFGDATA\r\nA") << true << false << QByteArray();
    QTest::newRow("leading space") << QByteArray(" CFGDATA\r\nA") << true << false << QByteArray();
    QTest::newRow("empty file required") << QByteArray() << true << false << QByteArray();
    QTest::newRow("empty file free") << QByteArray() << false << true << QByteArray();
    QTest::newRow("free: leading empty lines vanish")
        << QByteArray("\r\n\n\r\nA\r\n\r\nB") << false << true << QByteArray("A\r\n\r\nB");
    QTest::newRow("free: any first line")
        << QByteArray("hello\nA") << false << true << QByteArray("hello\r\nA");
    QTest::newRow("binary") << QByteArray("MZ\x90\0\x03\0\0\0\x04\0", 10) << true << false
                            << QByteArray();
  }
  void readTextFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, headerRequired);
    QFETCH(bool, ok);
    QFETCH(QByteArray, text);
    QVERIFY(writeBytes(path("read.txt"), bytes));
    QByteArray got = "stale";
    QCOMPARE(TCFGfile::ReadTextFile(bpath("read.txt"), headerRequired, got), ok);
    QCOMPARE(got, text);
  }

  void headerVariants_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("headerRequired");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("recordStored");
    const QByteArray r = sRec("LangName", "English");
    QTest::newRow("plain") << kHead + r << true << true << true;
    QTest::newRow("two extra characters") << "CFGDATA12\r\n" + r << true << false << true;
    QTest::newRow("more after header") << "CFGDATA v2.0\r\n" + r << true << false << true;
    QTest::newRow("empty first line") << "\r\n" + kHead + r << true << false << false;
    QTest::newRow("other first line") << "[Settings]\r\n" + r << true << false << false;
    QTest::newRow("no header, not required") << r << false << true << true;
    QTest::newRow("empty first line, not required") << "\r\n" + kHead + r << false << true << true;
  }
  void headerVariants() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, headerRequired);
    QFETCH(bool, ok);
    QFETCH(bool, recordStored);
    TCFGfile cfg;
    QCOMPARE(loadBytes(cfg, bytes, headerRequired), ok);
    QCOMPARE(StoredString(cfg, "LangName"), QByteArray(recordStored ? "English" : "<absent>"));
    QCOMPARE(cfg.StringCount(), recordStored ? 1 : 0);
  }

  void loadStartsEmpty() {
    TCFGfile cfg;
    QVERIFY(cfg.SetString("old", "x"));
    QVERIFY(!cfg.LoadFromFile(bpath("does-not-exist.cfg")));
    QCOMPARE(cfg.StringCount(), 0);
    QVERIFY(cfg.SetInteger("old", 1));
    QVERIFY(!loadBytes(cfg, "junk\r\n" + sRec("a", "b")));
    qint32 old = 7;
    QVERIFY(!cfg.GetInteger("old", old));
    QCOMPARE(cfg.StringCount(), 0);
    QVERIFY(!cfg.LoadFromFile(QFile::encodeName(dir_.path())));  // a folder
  }

  void nonAsciiPath() {
    TCFGfile cfg;
    QVERIFY(cfg.SetString("k", "v"));
    const QByteArray p = QFile::encodeName(dir_.path()) +
                         "/Pr\xc3\xbc"
                         "fung mit Leer.cfg";
    QVERIFY(cfg.SaveToFile(p));
    QVERIFY(QFile::exists(QFile::decodeName(p)));
    TCFGfile back;
    QVERIFY(back.LoadFromFile(p));
    QCOMPARE(StoredString(back, "k"), QByteArray("v"));
  }

  void largeForeignFileRejectedQuickly() {
    // A sparse file of 4 GiB: reading it whole would take long and need as much memory.
    QFile f(path("huge.bin"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.write("\x7f"
                    "ELF") == 4);
    if (!f.resize(qint64(4) << 30)) QSKIP("no sparse files here");
    f.close();
    QElapsedTimer t;
    t.start();
    TCFGfile cfg;
    QVERIFY(!cfg.LoadFromFile(bpath("huge.bin")));
    QVERIFY2(t.elapsed() < 2000, QByteArray::number(t.elapsed()));
    QFile::remove(path("huge.bin"));
  }

  void truncatedFiles_data() {
    QTest::addColumn<int>("cutInLast");  // bytes of the last record that remain
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("lastComment");  // "-" when the last record is not stored
    // last record: s 0000000004 Last 0000000005 value 0000000007 comment CR LF
    QTest::newRow("type only") << 1 << false << QByteArray("-");
    QTest::newRow("inside key length") << 6 << false << QByteArray("-");
    QTest::newRow("inside key") << 13 << false << QByteArray("-");
    QTest::newRow("inside value length") << 20 << false << QByteArray("-");
    QTest::newRow("inside value") << 27 << false << QByteArray("-");
    QTest::newRow("inside comment length") << 35 << false << QByteArray("-");
    QTest::newRow("comment empty") << 40 << true << QByteArray("");
    QTest::newRow("inside comment") << 43 << true << QByteArray("com");
    QTest::newRow("before CR LF") << 47 << true << QByteArray("comment");
    QTest::newRow("before LF") << 48 << true << QByteArray("comment");
  }
  void truncatedFiles() {
    QFETCH(int, cutInLast);
    QFETCH(bool, ok);
    QFETCH(QByteArray, lastComment);
    const QByteArray first = sRec("First", "1") + rec('i', "Second", "00000000002");
    const QByteArray last = sRec("Last", "value", "comment");
    QCOMPARE(last.size(), 49);
    TCFGfile cfg;
    QCOMPARE(loadBytes(cfg, kHead + first + last.left(cutInLast)), ok);
    QCOMPARE(StoredString(cfg, "First"), QByteArray("1"));
    qint32 second = 0;
    QVERIFY(cfg.GetInteger("Second", second));
    QCOMPARE(second, 2);
    QByteArray value, comment;
    QCOMPARE(cfg.GetString("Last", value, &comment), lastComment != "-");
    if (lastComment != "-") {
      QCOMPARE(value, QByteArray("value"));
      QCOMPARE(comment, lastComment);
    }
  }

  // Every cut of a file: the records before the cut survive; the load fails exactly when the cut
  // falls before the comment of the record it splits.
  void everyCutOfAFile() {
    QRandomGenerator rng(4711);
    const QList<Entry> entries = randomEntries(rng, 12);
    QByteArray file = kHead;
    QList<qsizetype> starts, commentStarts;
    for (const Entry& e : entries) {
      starts.append(file.size());
      commentStarts.append(file.size() + e.bytes().size() - 2 - e.comment.size());
      file += e.bytes();
    }
    for (qsizetype cut = kHead.size(); cut <= file.size(); ++cut) {
      TCFGfile cfg;
      const bool ok = cfg.ParseText(file.left(cut));
      qsizetype split = -1;  // the record the cut falls inside
      for (qsizetype r = 0; r < entries.size(); ++r)
        if (cut > starts[r] && cut < starts[r] + entries[r].bytes().size()) split = r;
      const bool expectOk = split < 0 || cut >= commentStarts[split];
      QVERIFY2(ok == expectOk, QByteArray::number(cut));
      for (qsizetype r = 0; r < entries.size(); ++r) {
        if (starts[r] + entries[r].bytes().size() <= cut + 2 && (split != r))
          QVERIFY2(holds(cfg, entries[r]), QByteArray::number(cut) + " " + entries[r].key);
      }
    }
  }

  void trailingContent_data() {
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<bool>("ok");
    QTest::newRow("nothing") << QByteArray() << true;
    QTest::newRow("one empty line") << QByteArray("\r\n") << true;
    QTest::newRow("two empty lines") << QByteArray("\r\n\r\n") << false;
    QTest::newRow("three empty lines") << QByteArray("\r\n\r\n\r\n") << false;
    QTest::newRow("text") << QByteArray("xyz") << false;
    QTest::newRow("spaces") << QByteArray("  \r\n") << false;
  }
  void trailingContent() {
    QFETCH(QByteArray, tail);
    QFETCH(bool, ok);
    TCFGfile cfg;
    QCOMPARE(loadBytes(cfg, kHead + sRec("A", "1") + rec('b', "B", "1") + tail), ok);
    QCOMPARE(StoredString(cfg, "A"), QByteArray("1"));
    bool b = false;
    QVERIFY(cfg.GetBoolean("B", b));
    QVERIFY(b);
  }

  void realignment_data() {
    QTest::addColumn<QByteArray>("between");
    QTest::addColumn<bool>("ok");
    QTest::newRow("nothing") << QByteArray() << true;
    QTest::newRow("unknown letter") << QByteArray("q") << false;
    QTest::newRow("upper-case letter") << QByteArray("S") << false;
    QTest::newRow("junk line") << QByteArray("####\r\n") << false;
    QTest::newRow("digits") << QByteArray("0000000000") << false;
    QTest::newRow("second header") << QByteArray("CFGDATA\r\n") << true;
    QTest::newRow("header without line end") << QByteArray("CFGDATA__") << true;
    QTest::newRow("negative key length") << QByteArray("s-000000005\r\n") << false;
    QTest::newRow("hex negative key length") << QByteArray("s $FFFFFFF0\r\n") << false;
    QTest::newRow("negative value length") << QByteArray("s0000000001K-000000003\r\n") << false;
    QTest::newRow("negative comment length") << QByteArray("b0000000001K1-000000001\r\n") << false;
  }
  void realignment() {
    QFETCH(QByteArray, between);
    QFETCH(bool, ok);
    TCFGfile cfg;
    const QByteArray before = sRec("Before", "1") + rec('i', "Num", "00000000005");
    const QByteArray after = sRec("After", "2") + rec('b', "Flag", "1");
    QCOMPARE(cfg.ParseText(kHead + before + between + after), ok);
    QCOMPARE(StoredString(cfg, "Before"), QByteArray("1"));
    QCOMPARE(StoredString(cfg, "After"), QByteArray("2"));
    qint32 n = 0;
    QVERIFY(cfg.GetInteger("Num", n));
    QCOMPARE(n, 5);
    bool flag = false;
    QVERIFY(cfg.GetBoolean("Flag", flag));
    QVERIFY(flag);
    QCOMPARE(cfg.StringCount(), 2);
  }

  void negativeLengthsDoNotLoop_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("key") << QByteArray("s-000000020");
    QTest::newRow("key min") << QByteArray("s-2147483648");
    QTest::newRow("value") << QByteArray("s0000000001K-000000050");
    QTest::newRow("comment") << QByteArray("i0000000001K00000000001-000000100");
    QTest::newRow("repeated") << QByteArray("s-000000011").repeated(50);
  }
  void negativeLengthsDoNotLoop() {
    QFETCH(QByteArray, text);
    TCFGfile cfg;
    QVERIFY(!cfg.ParseText(kHead + sRec("A", "1") + text));
    QCOMPARE(StoredString(cfg, "A"), QByteArray("1"));
  }

  void twoFilesJoined() {
    TCFGfile one, two;
    QVERIFY(one.SetString("A", "1"));
    QVERIFY(one.SetInteger("N", -3));
    QVERIFY(two.SetString("B", "2"));
    QVERIFY(two.SetBoolean("F", true));
    TCFGfile cfg;
    QVERIFY(loadBytes(cfg, one.SaveToText() + two.SaveToText()));
    QCOMPARE(StoredString(cfg, "A"), QByteArray("1"));
    QCOMPARE(StoredString(cfg, "B"), QByteArray("2"));
    qint32 n = 0;
    QVERIFY(cfg.GetInteger("N", n));
    QCOMPARE(n, -3);
    bool f = false;
    QVERIFY(cfg.GetBoolean("F", f));
    QVERIFY(f);
  }

  void fullRoundTrip() {
    TCFGfile cfg;
    QVERIFY(cfg.SetString("Lang", "Deutsch", "a comment"));
    QVERIFY(cfg.SetString("Empty", ""));
    QVERIFY(cfg.SetString("Bytes", QByteArray("\0\x01\xff\xe4\t", 5)));
    QVERIFY(cfg.SetInteger("Neg", -2147483647 - 1));
    QVERIFY(cfg.SetInteger("Pos", 2147483647));
    QVERIFY(cfg.SetCardinal("Card", 0));
    QVERIFY(cfg.SetFloat("Float", 2.75L));
    QVERIFY(cfg.SetBoolean("Off", false));
    QVERIFY(cfg.SaveToFile(bpath("round.cfg")));
    TCFGfile back;
    QVERIFY(back.LoadFromFile(bpath("round.cfg")));
    QCOMPARE(back.SaveToText(), cfg.SaveToText());
    QByteArray comment;
    QByteArray v;
    QVERIFY(back.GetString("Lang", v, &comment));
    QCOMPARE(comment, QByteArray("a comment"));
    QCOMPARE(StoredString(back, "Bytes"), QByteArray("\0\x01\xff\xe4\t", 5));
  }

  // --- saving safely ---

  void saveReplacesWholeFile() {
    const QString p = path("replace.cfg");
    QVERIFY(writeBytes(p, QByteArray(5000, 'x')));
    TCFGfile cfg;
    QVERIFY(cfg.SetString("a", "b"));
    QVERIFY(cfg.SaveToFile(QFile::encodeName(p)));
    QCOMPARE(readBytes(p), kHead + sRec("a", "b"));
  }

  void failedSaveKeepsOldFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("path is a folder") << "folder";
    QTest::newRow("parent is a file") << "parentfile";
    QTest::newRow("missing folder") << "missing";
    QTest::newRow("read-only folder") << "readonly";
    QTest::newRow("write fails midway") << "fsize";
    QTest::newRow("small write cut short") << "fsize-small";
  }
  void failedSaveKeepsOldFile() {
    QFETCH(QString, kind);
    TemporaryDir d;
    QVERIFY(d.isValid());
    const QByteArray old = kHead + sRec("old", "contents");
    QString target = d.filePath("settings.cfg");
    TCFGfile cfg;
    QVERIFY(cfg.SetString("new", "value"));

    if (kind == "folder") {
      QVERIFY(QDir(d.path()).mkdir("settings.cfg"));
      QVERIFY(writeBytes(d.filePath("settings.cfg/inside"), old));
      QVERIFY(!cfg.SaveToFile(QFile::encodeName(target)));
      QCOMPARE(readBytes(d.filePath("settings.cfg/inside")), old);
      return;
    }
    if (kind == "parentfile") {
      QVERIFY(writeBytes(d.filePath("plain"), old));
      QVERIFY(!cfg.SaveToFile(QFile::encodeName(d.filePath("plain/settings.cfg"))));
      QCOMPARE(readBytes(d.filePath("plain")), old);
      return;
    }
    if (kind == "missing") {
      QVERIFY(!cfg.SaveToFile(QFile::encodeName(d.filePath("no/such/settings.cfg"))));
      QVERIFY(!QFile::exists(d.filePath("no")));
      return;
    }
    QVERIFY(writeBytes(target, old));
    if (kind == "readonly") {
      QVERIFY(QFile::setPermissions(d.path(), QFile::ReadOwner | QFile::ExeOwner));
      // privileged users write anyway; there is nothing to test then
      const bool writable = ::access(QFile::encodeName(d.path()).constData(), W_OK) == 0;
      if (!writable) QVERIFY(!cfg.SaveToFile(QFile::encodeName(target)));
      QVERIFY(
          QFile::setPermissions(d.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
      if (writable) QSKIP("running with privileges that ignore folder permissions");
    } else {
      // A file size limit below the new text makes the write itself fail part-way.
      // a text larger than any write buffer, and one small enough to sit in a buffer
      const bool smallText = kind == "fsize-small";
      QVERIFY(cfg.SetString("big", QByteArray(smallText ? 6000 : 200000, 'b')));
      bool saved_ok = true;
      QVERIFY(WithFileSizeLimit(smallText ? 4096 : 65536,
                                [&] { saved_ok = cfg.SaveToFile(QFile::encodeName(target)); }));
      QVERIFY(!saved_ok);
    }
    QCOMPARE(readBytes(target), old);
    // no temporary file is left behind
    QCOMPARE(QDir(d.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList{"settings.cfg"});
  }

  // --- robustness ---

  // Random bytes and mutated files: the parser ends, quickly, on any input.
  void randomInputsEnd() {
    QRandomGenerator rng(20240611);
    const QList<Entry> entries = randomEntries(rng, 40);
    QByteArray valid = kHead;
    for (const Entry& e : entries) valid += e.bytes();
    static const char pieces[][12] = {"CFGDATA",    "\r\n",      "s",          "i",
                                      "c",          "e",         "b",          "0000000010",
                                      "-000000001", "$FFFFFFFF", "9999999999", "\x1a"};
    QElapsedTimer total;
    total.start();
    for (int run = 0; run < 3000; ++run) {
      QByteArray text;
      const int mode = run % 3;
      if (mode == 0) {  // random bytes with record-like pieces
        const int n = rng.bounded(200);
        for (int i = 0; i < n; ++i) {
          if (rng.bounded(3) == 0)
            text += pieces[rng.bounded(int(std::size(pieces)))];
          else
            text += char(rng.bounded(256));
        }
      } else {  // a valid file with a few bytes changed, inserted or removed
        text = valid;
        const int edits = rng.bounded(1, 6);
        for (int i = 0; i < edits; ++i) {
          const qsizetype at = rng.bounded(int(text.size()));
          switch (rng.bounded(3)) {
            case 0:
              text[at] = char(rng.bounded(256));
              break;
            case 1:
              text.insert(at, pieces[rng.bounded(int(std::size(pieces)))]);
              break;
            default:
              text.remove(at, rng.bounded(1, 30));
              break;
          }
        }
      }
      QElapsedTimer t;
      t.start();
      TCFGfile cfg;
      cfg.ParseText(text);
      QVERIFY2(t.elapsed() < 1000, QByteArray::number(run));
      if (run % 100 == 0) {  // through the reader too
        QVERIFY(writeBytes(path("random.cfg"), text));
        cfg.LoadFromFile(bpath("random.cfg"), run % 200 == 0);
        QVERIFY2(t.elapsed() < 1000, QByteArray::number(run));
      }
    }
    QVERIFY(total.elapsed() < 60000);
  }

  // One record damaged without changing its length: every other record is kept exactly.
  void damageInsideOneRecord_data() {
    QTest::addColumn<QString>("damage");
    QTest::newRow("content bytes") << "content";
    QTest::newRow("type letter") << "type";
    QTest::newRow("any bytes, earlier records") << "any";
  }
  void damageInsideOneRecord() {
    QFETCH(QString, damage);
    QRandomGenerator rng(damage == "content" ? 1 : damage == "type" ? 2 : 3);
    for (int run = 0; run < 1000; ++run) {
      const QList<Entry> entries = randomEntries(rng, rng.bounded(2, 15));
      const qsizetype k = rng.bounded(int(entries.size()));
      QByteArray file = kHead;
      qsizetype start = 0;
      for (qsizetype r = 0; r < entries.size(); ++r) {
        if (r == k) start = file.size();
        file += entries[r].bytes();
      }
      const Entry& hit = entries[k];
      if (damage == "type") {
        file[start] = "qxzSIB#0 "[rng.bounded(9)];
      } else if (damage == "content") {
        // key bytes, or string value bytes, or comment bytes: same length, no line bytes
        const qsizetype keyAt = start + 11;
        const qsizetype commentAt = start + hit.bytes().size() - 2 - hit.comment.size();
        QList<qsizetype> spots;
        for (qsizetype i = 0; i < hit.key.size(); ++i) spots << keyAt + i;
        if (hit.type == 's')
          for (qsizetype i = 10; i < hit.field.size(); ++i) spots << keyAt + hit.key.size() + i;
        for (qsizetype i = 0; i < hit.comment.size(); ++i) spots << commentAt + i;
        const int edits = rng.bounded(1, 4);
        for (int i = 0; i < edits; ++i) {
          char c;
          do c = char(rng.bounded(256));
          while (c == '\r' || c == '\n' || c == 26);
          file[spots[rng.bounded(int(spots.size()))]] = c;
        }
      } else {
        const int edits = rng.bounded(1, 4);
        for (int i = 0; i < edits; ++i)
          file[start + rng.bounded(int(hit.bytes().size()))] = char(rng.bounded(256));
      }
      QVERIFY(writeBytes(path("damaged.cfg"), file));
      TCFGfile cfg;
      QElapsedTimer t;
      t.start();
      cfg.LoadFromFile(bpath("damaged.cfg"));
      QVERIFY(t.elapsed() < 1000);
      for (qsizetype r = 0; r < entries.size(); ++r) {
        // arbitrary damage can change a length and so swallow what follows; only what comes
        // before it is certain then
        if (r == k || (damage == "any" && r > k)) continue;
        QVERIFY2(holds(cfg, entries[r]),
                 qPrintable(QString("run %1, record %2 of %3 damaged, record %4 lost")
                                .arg(run)
                                .arg(k)
                                .arg(entries.size())
                                .arg(r)));
      }
    }
  }
};

QTEST_GUILESS_MAIN(TestCfgFile)
#include "test_cfgfile.moc"
