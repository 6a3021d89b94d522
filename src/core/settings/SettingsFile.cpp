// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/SettingsFile.h"

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
  QList<QByteArray> lines;
  const quint32 n = StrUtils::CountLines(joined);
  for (quint32 i = 1; i <= n; ++i) lines.append(StrUtils::NthLine(joined, i));
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
  for (std::size_t i = 0; i < PackOptionCount; ++i)
    if (qstrcmp(PackOptionRows[i].name, name) == 0) return &Options[i];
  return nullptr;
}

bool Storable(const QByteArray& value) {
  for (const char c : value)
    if (c == '\n' || c == '\r' || c == '\x1a') return false;
  return true;
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

// One writer per type; the key is the member's name.
void put(TCFGfile& cfg, const char* key, const std::optional<QByteArray>& v) {
  if (v && Storable(*v)) cfg.SetString(key, *v);
}
void put(TCFGfile& cfg, const char* key, const std::optional<QList<QByteArray>>& v) {
  if (v) cfg.SetString(key, JoinLines(storableOnly(*v)));
}
void put(TCFGfile& cfg, const char* key, const std::optional<qint32>& v) {
  if (v) cfg.SetInteger(key, *v);
}
void put(TCFGfile& cfg, const char* key, const std::optional<quint32>& v) {
  if (v) cfg.SetCardinal(key, *v);
}
void put(TCFGfile& cfg, const char* key, const std::optional<bool>& v) {
  if (v) cfg.SetBoolean(key, *v);
}

void get(const TCFGfile& cfg, const char* key, std::optional<QByteArray>& v) {
  QByteArray s;
  if (cfg.GetString(key, s)) v = s;
}
void get(const TCFGfile& cfg, const char* key, std::optional<QList<QByteArray>>& v) {
  QByteArray s;
  if (cfg.GetString(key, s)) v = SplitLines(s);
}
void get(const TCFGfile& cfg, const char* key, std::optional<qint32>& v) {
  qint32 i = 0;
  if (cfg.GetInteger(key, i)) v = i;
}
void get(const TCFGfile& cfg, const char* key, std::optional<quint32>& v) {
  quint32 c = 0;
  if (cfg.GetCardinal(key, c)) v = c;
}
void get(const TCFGfile& cfg, const char* key, std::optional<bool>& v) {
  bool b = false;
  if (cfg.GetBoolean(key, b)) v = b;
}

// An option row is stored with its control's type: a flag as a boolean, anything else as an
// integer.
void putOption(TCFGfile& cfg, const OptionRow& row, const std::optional<qint32>& v) {
  if (!v) return;
  if (row.isFlag())
    cfg.SetBoolean(row.name, *v != 0);
  else
    cfg.SetInteger(row.name, *v);
}
void getOption(const TCFGfile& cfg, const OptionRow& row, std::optional<qint32>& v) {
  if (row.isFlag()) {
    std::optional<bool> b;
    get(cfg, row.name, b);
    if (b) v = *b ? 1 : 0;
  } else {
    get(cfg, row.name, v);
  }
}

// Visits rows 1 to 35 and 37 in table order with their keys; the order decides the record order
// within each type in the saved file. The option rows come from the option table.
template <typename Rows, typename F, typename G>
void forEachRow(Rows& r, F&& f, G&& option) {
  f("LangName", r.LangName);
  f("SpeedButtonAddOpt", r.SpeedButtonAddOpt);
  f("Files", r.Files);
  f("EditOutfile", r.EditOutfile);
  for (std::size_t i = 0; i < PackOptionCount; ++i) option(PackOptionRows[i], r.Options[i]);
  f("GlobalOpt_FastOpen", r.GlobalOpt_FastOpen);
  f("GlobalOpt_UPX2", r.GlobalOpt_UPX2);
  f("GlobalOpt_DragOp", r.GlobalOpt_DragOp);
  f("GlobalOpt_CloseCon", r.GlobalOpt_CloseCon);
  f("GlobalOpt_PriorityClass", r.GlobalOpt_PriorityClass);
  f("GlobalOpt_ThreadPriority", r.GlobalOpt_ThreadPriority);
  f("GlobalOpt_FirstTimeShowConsol", r.GlobalOpt_FirstTimeShowConsol);
  f("GlobalOpt_StayOnTop", r.GlobalOpt_StayOnTop);
  f("GlobalOpt_ShowHints", r.GlobalOpt_ShowHints);
  f("CmdLinesMax", r.CmdLinesMax);
  f("CmdPackLines", r.CmdPackLines);
  f("CmdUnPackLines", r.CmdUnPackLines);
  f("GlobalOpt_PackerRuns", r.GlobalOpt_PackerRuns);
}

}  // namespace

void WriteRows(const SettingsRows& rows, TCFGfile& cfg) {
  forEachRow(
      rows, [&cfg](const char* key, const auto& value) { put(cfg, key, value); },
      [&cfg](const OptionRow& row, const auto& value) { putOption(cfg, row, value); });
  int k = 0;
  for (const QByteArray& ext : rows.ShellExt)
    if (Storable(ext)) cfg.SetString(ShellExtKey(k++), ext);
}

SettingsRows ReadRows(const TCFGfile& cfg) {
  SettingsRows rows;
  forEachRow(
      rows, [&cfg](const char* key, auto& value) { get(cfg, key, value); },
      [&cfg](const OptionRow& row, auto& value) { getOption(cfg, row, value); });
  QByteArray ext;
  for (int k = 0; cfg.GetString(ShellExtKey(k), ext); ++k)
    rows.ShellExt.append(NormalizeExtension(ext));
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

}  // namespace Settings
