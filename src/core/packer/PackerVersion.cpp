#include "core/packer/PackerVersion.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>

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

// The packer's --version output; false when it could not be had.
bool readVersionOutput(const QByteArray& packerPath, int timeoutMs, QByteArray& output) {
  if (packerPath.isEmpty()) return false;
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
    return false;
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
    return false;
  }
  if (p.exitStatus() != QProcess::NormalExit) return false;
  output = out + p.read(kMaxOutput - out.size());
  return true;
}

}  // namespace

PackerCapabilities Query(const QByteArray& packerPath, int timeoutMs) {
  QByteArray output;
  if (!readVersionOutput(packerPath, timeoutMs, output)) return {};
  return PackerCapabilities::ForVersion(ParseVersion(output));
}

int QueryMajor(const QByteArray& packerPath, int timeoutMs) {
  return Query(packerPath, timeoutMs).major;
}

}  // namespace PackerVersion
