// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waiting for what ends by a signal: the packer's runs in the console session and the main
// window's jobs. Every test that starts one waits through these.

#include <QByteArray>
#include <QList>
#include <functional>
#include <optional>

#include "gui/main/JobRunner.h"

class ConsoleSession;

// Runs `act`, which may start a job of the main window (a button, a dialog's accept, a call), and
// waits until the job runner reports the job's end. The job's result; nothing when `act` started
// no job or the job did not end within `timeoutMs`. Without `act`: waits for the job going on.
std::optional<JobResult> AwaitJob(JobRunner* jobs, const std::function<void()>& act,
                                  int timeoutMs = 60000);

// Starts the packers in the session and waits for their end; `during` runs from the event loop
// as soon as the packers are going. The run's exit code; nothing when the session started
// nothing.
std::optional<int> AwaitRun(ConsoleSession* session, const QList<QByteArray>& commandLines,
                            const std::function<void()>& during = {},
                            const QList<int>& fileCounts = {}, int timeoutMs = 60000);
