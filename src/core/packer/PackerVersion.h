// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Asking the located packer its version, so that command lines carry the switches it accepts.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>

#include "core/packer/Methods.h"

class QProcess;

// What the located packer's version decides: the spelling of the crp switch (built from the
// version by one table, so a new spelling is a new row there) and the methods it has (by the
// methods' table). An unknown version is taken for a current packer (version 4 and later), which
// is what users have.
struct PackerCapabilities {
  QByteArray version;  // "4.2.4"; empty when the version is unknown
  int major = -1;      // -1 when unknown
  QByteArray crpSwitch = CurrentCrpSwitch;

  static constexpr const char* CurrentCrpSwitch = " --crp-ucl-ms=";
  bool known() const { return major >= 0; }
  // An unknown version is taken for a current packer, which has every method.
  bool offers(Methods::Method m) const { return !known() || major >= Methods::InfoOf(m).fromMajor; }

  static PackerCapabilities ForVersion(const QByteArray& version);
  bool operator==(const PackerCapabilities&) const = default;
};

namespace PackerVersion {

// Major version from the packer's --version output, whose first line reads "upx X.Y.Z";
// -1 when that line is missing or malformed.
int ParseMajor(const QByteArray& versionOutput);

// The version from that first line ("4.2.4"); empty when it is missing or malformed.
QByteArray ParseVersion(const QByteArray& versionOutput);

// Asks the packer its version: runs it with --version through pipes (no shell, no console; stdin
// empty) and takes what its version decides. The version is unknown when the packer cannot be
// started, does not end within the time limit (it is killed then), ends abnormally, or answers
// with a line that does not parse. start() returns once the packer is launched, and the answer
// comes from the event loop (answered()) or, when it is needed before that, from result(), which
// waits for what is left of the time limit.
class Asking : public QObject {
  Q_OBJECT
 public:
  explicit Asking(QObject* parent = nullptr);
  ~Asking() override;

  void start(const QByteArray& packerPath, int timeoutMs = 5000);
  bool isStarted() const { return started_; }
  bool isAnswered() const { return answered_; }
  PackerCapabilities result();

 signals:
  void answered(const PackerCapabilities& capabilities);

 private:
  void take();
  void finish(bool ok);

  QProcess* process_ = nullptr;
  QByteArray output_;
  QDeadlineTimer deadline_;
  PackerCapabilities result_;
  bool started_ = false;
  bool answered_ = false;
};

}  // namespace PackerVersion
