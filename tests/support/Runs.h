// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waiting for what ends by a signal: the packer's runs in the console session and the main
// window's jobs. Every test that starts one waits through these. And what a run leaves to look
// at: the console's screen, the processes.

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "gui/main/JobRunner.h"

struct AppContext;
class ScreenModel;

// Runs `act`, which may start a job of the main window (a button, a dialog's accept, a call), and
// waits until the job runner reports the job's end. The job's result; nothing when `act` started
// no job or the job did not end within `timeoutMs`. Without `act`: waits for the job going on.
std::optional<JobReport> AwaitJob(JobRunner* jobs, const std::function<void()>& act,
                                  int timeoutMs = 60000);

// Runs a command line as written on the program's job engine, in its console, at the priority and
// in the language of its preferences, and waits for its end; `during` runs from the event loop as
// soon as the packer is going. The packer's exit code, with the whole report in `report`; nothing
// when nothing was started.
std::optional<int> AwaitRun(AppContext& ctx, const QByteArray& commandLine,
                            const std::function<void()>& during = {}, JobReport* report = nullptr,
                            int timeoutMs = 60000);

// This process's children: the packers it runs now (and any other child).
QList<qint64> ChildProcesses();

// The console's rows as one text: each row and a line feed, or with `asWrapped` each row its full
// width without one, so that a line the console wrapped reads on.
QString ScreenText(const ScreenModel* s, bool asWrapped = false);

// A process's field of /proc/PID/stat: its state letter ('T' stopped, 'Z' a zombie; '?' when
// there is no such process) and its nice value (1000 when there is none).
char ProcessState(qint64 pid);
int ProcessNice(qint64 pid);
// A process that no longer runs: gone, or a zombie that nobody has reaped yet.
bool ProcessGone(qint64 pid);
