#include "core/packer/PackerVersion.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>

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

int QueryMajor(const QByteArray& packerPath, int timeoutMs) {
  if (packerPath.isEmpty()) return -1;
  QProcess p;
  p.setProgram(QFile::decodeName(packerPath));
  p.setArguments({QStringLiteral("--version")});
  p.setStandardInputFile(QProcess::nullDevice());
  // Only the first line matters; what goes to the error stream is not kept at all.
  p.setStandardErrorFile(QProcess::nullDevice());
  const QDeadlineTimer deadline(timeoutMs);
  p.start(QIODevice::ReadOnly);
  if (!p.waitForStarted(int(qMax<qint64>(0, deadline.remainingTime())))) {
    // A start that is still pending after the deadline must not outlive the question.
    if (p.state() != QProcess::NotRunning) {
      p.kill();
      p.waitForFinished(1000);
    }
    return -1;
  }
  // At most the first 64 KiB are read: a packer that prints without end must not fill memory.
  constexpr qsizetype kMaxOutput = 64 * 1024;
  QByteArray out;
  while (p.state() != QProcess::NotRunning && out.size() < kMaxOutput && !deadline.hasExpired()) {
    p.waitForReadyRead(int(qMax<qint64>(0, deadline.remainingTime())));
    out += p.read(kMaxOutput - out.size());
  }
  out += p.read(kMaxOutput - out.size());
  if (out.size() >= kMaxOutput) {
    p.kill();
    p.waitForFinished(1000);
    return ParseMajor(out);
  }
  if (p.state() != QProcess::NotRunning &&
      !p.waitForFinished(int(qMax<qint64>(0, deadline.remainingTime())))) {
    p.kill();
    p.waitForFinished(1000);
    return -1;
  }
  if (p.exitStatus() != QProcess::NormalExit) return -1;
  return ParseMajor(out + p.read(kMaxOutput - out.size()));
}

}  // namespace PackerVersion
