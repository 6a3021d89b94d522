// SPDX-License-Identifier: GPL-3.0-or-later
// packhelm-cli: Packhelm's jobs without a window, for build pipelines and servers.
#include <QCoreApplication>
#include <cstdio>

#include "cli/CliArguments.h"
#include "cli/CliJob.h"
#include "core/startup/ProcessSetup.h"

int main(int argc, char* argv[]) {
  QList<QByteArray> args;
  for (int i = 1; i < argc; ++i) args.append(QByteArray(argv[i]));
  CliArguments::Request request = CliArguments::Parse(args);
  switch (request.action) {
    case CliArguments::Request::Action::Help:
    case CliArguments::Request::Action::Version:
      std::fwrite(request.message.constData(), 1, size_t(request.message.size()), stdout);
      return 0;
    case CliArguments::Request::Action::Refuse:
      std::fwrite(request.message.constData(), 1, size_t(request.message.size()), stderr);
      return CliArguments::UsageError;
    case CliArguments::Request::Action::Run:
      break;
  }
  // A file-size limit (ulimit -f) must make a write fail, not end the program.
  ProcessSetup::IgnoreFileSizeLimitSignal();
  // Qt is given no argument: the names stay ours, as bytes.
  int qtArgc = 1;
  QCoreApplication app(qtArgc, argv);
  // The settings' folder in the user's configuration is the window's.
  QCoreApplication::setApplicationName(QStringLiteral("Packhelm"));
  CliJob job(std::move(request));
  if (!job.start()) return job.exitStatus();
  QCoreApplication::exec();
  return job.exitStatus();
}
