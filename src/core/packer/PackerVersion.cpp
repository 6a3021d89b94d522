// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/PackerVersion.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>

namespace {

// Switch spellings by the first major version that takes them, newest first. The first row is
// also what an unknown version gets.
struct Spelling {
  int fromMajor;
  const char* crpSwitch;
};
constexpr Spelling Spellings[] = {
    {4, PackerCapabilities::CurrentCrpSwitch},
    {0, " --crp-ms="},
};

}  // namespace

PackerCapabilities PackerCapabilities::ForVersion(const QByteArray& version) {
  PackerCapabilities c;
  const int major = PackerVersion::ParseMajor("upx " + version);
  if (version.isEmpty() || major < 0) return c;
  c.version = version;
  c.major = major;
  for (const Spelling& s : Spellings)
    if (major >= s.fromMajor) {
      c.crpSwitch = s.crpSwitch;
      break;
    }
  return c;
}

namespace PackerVersion {

int ParseMajor(const QByteArray& versionOutput) {
  qsizetype end = versionOutput.indexOf('\n');
  if (end < 0) end = versionOutput.size();
  const QByteArray line = versionOutput.left(end).trimmed();
  if (!line.startsWith("upx ")) return -1;
  const QByteArray version = line.mid(4).trimmed();
  qsizetype digits = 0;
  while (digits < version.size() && digits < 6 && version[digits] >= '0' && version[digits] <= '9')
    ++digits;
  if (digits == 0) return -1;
  if (digits < version.size() && version[digits] != '.') return -1;  // "4x", or 7+ digits
  return version.left(digits).toInt();
}

QByteArray ParseVersion(const QByteArray& versionOutput) {
  if (ParseMajor(versionOutput) < 0) return {};
  qsizetype end = versionOutput.indexOf('\n');
  if (end < 0) end = versionOutput.size();
  const QByteArray version = versionOutput.left(end).trimmed().mid(4).trimmed();
  const qsizetype blank = version.indexOf(' ');
  return blank < 0 ? version : version.left(blank);
}

namespace {

// Only the first line matters; a packer that prints without end must not fill memory.
constexpr qsizetype kMaxOutput = 64 * 1024;

}  // namespace

Asking::Asking(QObject* parent) : QObject(parent) {}

Asking::~Asking() {
  // A question still open must not outlive the program's interest in it, and no answer may reach
  // a receiver that is itself going away.
  blockSignals(true);
  if (process_) {
    process_->disconnect(this);
    if (process_->state() != QProcess::NotRunning) {
      process_->kill();
      process_->waitForFinished(1000);
    }
  }
}

void Asking::start(const QByteArray& packerPath, int timeoutMs) {
  if (started_) return;
  started_ = true;
  deadline_ = QDeadlineTimer(timeoutMs);
  if (packerPath.isEmpty()) return finish(false);
  // QProcess takes the program as a QString, which cannot hold a path that is not UTF-8; given
  // the lossy name, it would start whatever that names. Such a path is opened by its bytes and
  // started through /proc/self/fd: the child inherits the descriptor (no O_CLOEXEC, so that a
  // script's interpreter can still open it), which the parent closes once the child is forked.
  QString program = QFile::decodeName(packerPath);
  int fd = -1;
  if (QFile::encodeName(program) != packerPath) {
    if (!packerPath.contains('\0')) fd = ::open(packerPath.constData(), O_PATH);
    if (fd < 0) return finish(false);
    program = QStringLiteral("/proc/self/fd/%1").arg(fd);
  }
  process_ = new QProcess(this);
  process_->setProgram(program);
  process_->setArguments({QStringLiteral("--version")});
  process_->setStandardInputFile(QProcess::nullDevice());
  // What goes to the error stream is not kept at all.
  process_->setStandardErrorFile(QProcess::nullDevice());
  connect(process_, &QProcess::readyReadStandardOutput, this, &Asking::take);
  connect(process_, &QProcess::finished, this, [this](int, QProcess::ExitStatus status) {
    take();
    // Stopped at the output limit: the first line was read, and is what counts.
    finish(status == QProcess::NormalExit || output_.size() >= kMaxOutput);
  });
  connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) finish(false);
  });
  auto* limit = new QTimer(this);
  limit->setSingleShot(true);
  connect(limit, &QTimer::timeout, this, [this] {
    if (answered_) return;
    process_->kill();
    finish(false);
  });
  limit->start(timeoutMs);
  process_->start(QIODevice::ReadOnly);
  if (fd >= 0) ::close(fd);
}

void Asking::take() {
  if (answered_) return;
  output_ += process_->read(kMaxOutput - output_.size());
  if (output_.size() >= kMaxOutput && process_->state() != QProcess::NotRunning) process_->kill();
}

void Asking::finish(bool ok) {
  if (answered_) return;
  answered_ = true;
  result_ = ok ? PackerCapabilities::ForVersion(ParseVersion(output_)) : PackerCapabilities();
  output_.clear();
  emit answered(result_);
}

PackerCapabilities Asking::result() {
  while (!answered_ && process_ && process_->state() != QProcess::NotRunning &&
         !deadline_.hasExpired())
    process_->waitForFinished(int(qMax<qint64>(1, deadline_.remainingTime())));
  if (!answered_ && process_) {
    // Past the limit, or the process ended without telling us yet: ask no further.
    if (process_->state() != QProcess::NotRunning) {
      process_->kill();
      process_->waitForFinished(1000);
      finish(false);
    } else {
      take();
      finish(process_->exitStatus() == QProcess::NormalExit &&
             process_->error() != QProcess::FailedToStart);
    }
  }
  return result_;
}

}  // namespace PackerVersion
