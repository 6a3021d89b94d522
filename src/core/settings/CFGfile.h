// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The typed key/value store behind the settings file and the language files: five tables (string,
// integer, cardinal, float, boolean), each in insertion order, saved to and loaded from a
// "CFGDATA" text file with fixed-width fields. Failures are reported by results, never thrown.

#include <QByteArray>
#include <QHash>
#include <QList>

class TCFGfile {
 public:
  TCFGfile() = default;

  bool KeepKeySpaces = false;

  int IndexOfString(const QByteArray& key) const;

  bool SetString(const QByteArray& key, const QByteArray& value, const QByteArray& comment = {});
  bool SetInteger(const QByteArray& key, qint32 value, const QByteArray& comment = {});
  bool SetCardinal(const QByteArray& key, quint32 value, const QByteArray& comment = {});
  bool SetFloat(const QByteArray& key, long double value, const QByteArray& comment = {});
  bool SetBoolean(const QByteArray& key, bool value, const QByteArray& comment = {});

  // Out-arguments are left untouched when the key is absent.
  bool GetString(const QByteArray& key, QByteArray& value, QByteArray* comment = nullptr) const;
  bool GetInteger(const QByteArray& key, qint32& value, QByteArray* comment = nullptr) const;
  bool GetCardinal(const QByteArray& key, quint32& value, QByteArray* comment = nullptr) const;
  bool GetBoolean(const QByteArray& key, bool& value, QByteArray* comment = nullptr) const;

  int StringCount() const;
  QByteArray StringKeyAt(int position) const;
  QByteArray StringValueAt(int position) const;

  void Clear();
  // Replaces the file atomically: a failed save leaves the previous file whole. Through a
  // symbolic link the link's target is replaced; anything but a regular file is never replaced.
  // Paths are bytes, used as they are. After a failure errno says why.
  bool SaveToFile(const QByteArray& path) const;
  bool LoadFromFile(const QByteArray& path, bool headerRequired = true);

  // Internal steps, public for tests.
  QByteArray SaveToText() const;
  // True for a regular file, or a link to one.
  static bool IsRegularFile(const QByteArray& path);
  static bool ReadTextFile(const QByteArray& path, bool headerRequired, QByteArray& text);
  bool ParseText(const QByteArray& text);
  static QByteArray FormatCfgFloat(long double value);

 private:
  template <typename T>
  struct Table {
    QList<QByteArray> keys;
    QList<T> values;
    QList<QByteArray> comments;
    QHash<QByteArray, int> index;  // key -> position, so set and get do not scan
    int indexOf(const QByteArray& key) const { return index.value(key, -1); }
    bool set(const QByteArray& key, const T& value, const QByteArray& comment);
    void clear();
  };
  QByteArray normalizeKey(const QByteArray& key) const;

  Table<QByteArray> strings_;
  Table<qint32> integers_;
  Table<quint32> cardinals_;
  Table<long double> floats_;
  Table<bool> booleans_;
};
