// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/SettingsFile.h"

#include <cstring>

#include "core/packer/PackOptions.h"
#include "core/settings/CFGfile.h"
#include "core/util/StrUtils.h"

namespace Settings {

QByteArray JoinLines(const QList<QByteArray>& entries) {
  QByteArray text;
  for (const QByteArray& e : entries) {
    if (!text.isEmpty()) text += "\r\n";
    text += e;
  }
  return text;
}

QList<QByteArray> SplitLines(const QByteArray& joined) {
  // One pass: a stored selection may hold tens of thousands of names. A lone CR is part of its
  // line, and a CR LF at the very end ends the last line instead of starting an empty one.
  QList<QByteArray> lines;
  if (joined.isEmpty()) return lines;
  lines.reserve(joined.count('\n') + 1);
  const char* const begin = joined.constData();
  const char* const end = begin + joined.size();
  const char* from = begin;
  for (const char* at = from;
       (at = static_cast<const char*>(memchr(at, '\r', size_t(end - at))));) {
    if (at + 1 == end) break;
    if (at[1] != '\n') {
      ++at;
      continue;
    }
    lines.append(QByteArray(from, at - from));
    from = at += 2;
  }
  if (from < end || lines.isEmpty()) lines.append(QByteArray(from, end - from));
  return lines;
}

QByteArray NormalizeExtension(const QByteArray& ext) {
  return ext.startsWith('.') ? ext : '.' + ext;
}

QByteArray ShellExtKey(int number) {
  return "ShellExt" + QByteArray::number(number);
}

std::optional<qint32>* SettingsRows::option(const char* name) {
  return const_cast<std::optional<qint32>*>(std::as_const(*this).option(name));
}

const std::optional<qint32>* SettingsRows::option(const char* name) const {
  const std::optional<qint32>* found = nullptr;
  ForEachOptionRecord(*this, [&](const Row& row, const std::optional<qint32>& slot) {
    if (qstrcmp(row.key, name) == 0) found = &slot;
  });
  return found;
}

bool Storable(const QByteArray& value) {
  // Three scans by memchr beat one by hand: a stored selection holds a megabyte of names.
  return !value.contains('\n') && !value.contains('\r') && !value.contains('\x1a');
}

namespace {

// An empty entry is left out as well: joined by CR LF it would not come back where it was.
QList<QByteArray> storableOnly(const QList<QByteArray>& entries) {
  QList<QByteArray> kept;
  kept.reserve(entries.size());
  for (const QByteArray& e : entries)
    if (Storable(e) && !e.isEmpty()) kept.append(e);
  return kept;
}

// One writer per type. An option is stored with its control's type: a flag as a boolean, a number
// as an integer.
void put(TCFGfile& cfg, const Row& row, const std::optional<QByteArray>& v) {
  if (v && Storable(*v)) cfg.SetString(row.key, *v);
}
void put(TCFGfile& cfg, const Row& row, const std::optional<QList<QByteArray>>& v) {
  if (v) cfg.SetString(row.key, JoinLines(storableOnly(*v)));
}
void put(TCFGfile& cfg, const Row& row, const std::optional<qint32>& v) {
  if (v && row.isFlag())
    cfg.SetBoolean(row.key, *v != 0);
  else if (v)
    cfg.SetInteger(row.key, *v);
}
void put(TCFGfile& cfg, const Row& row, const std::optional<quint32>& v) {
  if (v) cfg.SetCardinal(row.key, *v);
}
void put(TCFGfile& cfg, const Row& row, const std::optional<bool>& v) {
  if (v) cfg.SetBoolean(row.key, *v);
}
void put(TCFGfile& cfg, const Row&, const QList<QByteArray>& extensions) {
  int k = 0;
  for (const QByteArray& ext : extensions)
    if (Storable(ext)) cfg.SetString(ShellExtKey(k++), ext);
}

void get(const TCFGfile& cfg, const Row& row, std::optional<QByteArray>& v) {
  QByteArray s;
  if (cfg.GetString(row.key, s)) v = s;
}
void get(const TCFGfile& cfg, const Row& row, std::optional<QList<QByteArray>>& v) {
  QByteArray s;
  if (cfg.GetString(row.key, s)) v = SplitLines(s);
}
void get(const TCFGfile& cfg, const Row& row, std::optional<qint32>& v) {
  qint32 i = 0;
  bool b = false;
  if (row.isFlag() && cfg.GetBoolean(row.key, b))
    v = b ? 1 : 0;
  else if (!row.isFlag() && cfg.GetInteger(row.key, i))
    v = i;
}
void get(const TCFGfile& cfg, const Row& row, std::optional<quint32>& v) {
  quint32 c = 0;
  if (cfg.GetCardinal(row.key, c)) v = c;
}
void get(const TCFGfile& cfg, const Row& row, std::optional<bool>& v) {
  bool b = false;
  if (cfg.GetBoolean(row.key, b)) v = b;
}
// Entries up to the first gap in the numbering.
void get(const TCFGfile& cfg, const Row&, QList<QByteArray>& extensions) {
  QByteArray ext;
  for (int k = 0; cfg.GetString(ShellExtKey(k), ext); ++k)
    extensions.append(NormalizeExtension(ext));
}

}  // namespace

void WriteRows(const SettingsRows& rows, TCFGfile& cfg) {
  ForEachRecord(rows, [&cfg](const Row& row, const auto& value) { put(cfg, row, value); });
}

SettingsRows ReadRows(const TCFGfile& cfg) {
  SettingsRows rows;
  ForEachRecord(rows, [&cfg](const Row& row, auto& value) { get(cfg, row, value); });
  return rows;
}

bool LoadSettingsFile(const QByteArray& path, SettingsRows& rows) {
  rows = {};
  TCFGfile cfg;
  // Only a regular file counts: a folder or a device under that name is no settings file.
  if (!TCFGfile::IsRegularFile(path)) return false;
  if (!cfg.LoadFromFile(path, true)) return false;
  rows = ReadRows(cfg);
  return true;
}

bool SaveSettingsFile(const QByteArray& path, const SettingsRows& rows) {
  TCFGfile cfg;
  WriteRows(rows, cfg);
  return !path.isEmpty() && cfg.SaveToFile(path);
}

PackOptions OptionsOf(const SettingsRows& rows) {
  PackOptions o;
  QList<bool*> radioButtons;
  ForEachOption(o, [&](const Row& row, auto& field) {
    using Field = std::remove_reference_t<decltype(field)>;
    bool* button = nullptr;
    if constexpr (std::is_same_v<Field, bool>)
      if (row.control == Control::RadioButton) radioButtons.append(button = &field);
    const std::optional<qint32>& record = *rows.option(row.key);
    if (!record) return;
    field = Field(*record);
    if (button && *button)
      for (bool* other : std::as_const(radioButtons))
        if (other != button) *other = false;
  });
  // A button set before one that a later record sets goes too.
  bool* last = nullptr;
  for (bool* button : std::as_const(radioButtons))
    if (*button) last = button;
  for (bool* button : std::as_const(radioButtons)) *button = button == last;
  return o;
}

}  // namespace Settings
