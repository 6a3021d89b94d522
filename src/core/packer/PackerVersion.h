#pragma once
// Asking the located packer its version, so that command lines carry the switches it accepts.

#include <QByteArray>

namespace PackerVersion {

// Major version from the packer's --version output, whose first line reads "upx X.Y.Z";
// -1 when that line is missing or malformed.
int ParseMajor(const QByteArray& versionOutput);

// Runs the packer with --version through pipes (no shell, no console; stdin empty) and returns
// the major version, or -1 when it is unknown: the packer cannot be started, does not end within
// timeoutMs (it is killed then), ends abnormally, or answers with a line that does not parse.
int QueryMajor(const QByteArray& packerPath, int timeoutMs = 5000);

}  // namespace PackerVersion
