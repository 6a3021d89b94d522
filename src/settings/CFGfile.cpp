#include "settings/CFGfile.h"

// Placeholder bodies; the real store replaces them.
int TCFGfile::IndexOfString(const QByteArray&) const {
  return -1;
}
int TCFGfile::IndexOfInteger(const QByteArray&) const {
  return -1;
}
int TCFGfile::IndexOfCardinal(const QByteArray&) const {
  return -1;
}
int TCFGfile::IndexOfFloat(const QByteArray&) const {
  return -1;
}
int TCFGfile::IndexOfBoolean(const QByteArray&) const {
  return -1;
}
bool TCFGfile::SetString(const QByteArray&, const QByteArray&, const QByteArray&) {
  return false;
}
bool TCFGfile::SetInteger(const QByteArray&, qint32, const QByteArray&) {
  return false;
}
bool TCFGfile::SetCardinal(const QByteArray&, quint32, const QByteArray&) {
  return false;
}
bool TCFGfile::SetFloat(const QByteArray&, long double, const QByteArray&) {
  return false;
}
bool TCFGfile::SetBoolean(const QByteArray&, bool, const QByteArray&) {
  return false;
}
bool TCFGfile::GetString(const QByteArray&, QByteArray&, QByteArray*) const {
  return false;
}
bool TCFGfile::GetInteger(const QByteArray&, qint32&, QByteArray*) const {
  return false;
}
bool TCFGfile::GetCardinal(const QByteArray&, quint32&, QByteArray*) const {
  return false;
}
bool TCFGfile::GetBoolean(const QByteArray&, bool&, QByteArray*) const {
  return false;
}
QByteArray TCFGfile::ReadString(const QByteArray&, const QByteArray& def) const {
  return def;
}
int TCFGfile::StringCount() const {
  return 0;
}
QByteArray TCFGfile::StringKeyAt(int) const {
  return {};
}
QByteArray TCFGfile::StringValueAt(int) const {
  return {};
}
void TCFGfile::Clear() {}
bool TCFGfile::SaveToFile(const QByteArray&) const {
  return false;
}
bool TCFGfile::LoadFromFile(const QByteArray&, bool) {
  return false;
}
QByteArray TCFGfile::SaveToText() const {
  return {};
}
bool TCFGfile::ReadTextFile(const QByteArray&, bool, QByteArray&) {
  return false;
}
bool TCFGfile::ParseText(const QByteArray&) {
  return false;
}
QByteArray TCFGfile::FormatCfgFloat(long double) {
  return {};
}
