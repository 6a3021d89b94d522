// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main/FolderInput.h"

#include <QFile>
#include <QGuiApplication>
#include <QWidget>

#include "core/batch/ScanTask.h"
#include "core/settings/ProgramState.h"
#include "core/settings/SettingsFile.h"
#include "core/util/StrUtils.h"
#include "gui/main/JobRunner.h"
#include "gui/widgets/Prompts.h"

namespace {

// A message names at most this many folders or files; the rest are counted.
constexpr int kFoldersNamed = 20;

QString folderList(const QList<QByteArray>& folders) {
  QStringList lines;
  for (qsizetype i = 0; i < folders.size() && i < kFoldersNamed; ++i) {
    QString name = StrUtils::ReadableName(folders[i]);
    // A path too deep to open is thousands of characters: its ends tell where it is.
    if (name.size() > 160) name = name.left(70) + QStringLiteral(" \u2026 ") + name.right(70);
    lines << name;
  }
  if (folders.size() > kFoldersNamed)
    lines << QStringLiteral("(+%1)").arg(folders.size() - kFoldersNamed);
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

FolderInput::FolderInput(ProgramState& state, const JobRunner& jobs, QWidget* window)
    : QObject(window), state_(state), jobs_(jobs), window_(window) {}

bool FolderInput::select(const QList<QByteArray>& paths) {
  if (!std::any_of(paths.begin(), paths.end(), ExecutableScan::IsFolder)) {
    cancel();
    state_.FileList = paths;
    state_.UnreadableEntries.clear();
    return false;
  }
  if (!scan_) {
    scan_ = new ScanTask(this);
    connect(scan_, &ScanTask::finished, this, &FolderInput::searchFinished);
  }
  pending_.reset();
  const bool again = searching_;
  searching_ = true;
  emit searchStarted(again);
  scan_->start(paths);
  return true;
}

void FolderInput::endSearch() {
  if (!searching_) return;
  searching_ = false;
  emit searchEnded();
}

void FolderInput::searchFinished(const ExecutableScan::Result& result,
                                 const QList<QByteArray>& paths) {
  // The selection must not change under a running job; it is taken when the job is over.
  if (jobs_.busy()) {
    pending_.emplace(result, paths);
    return;
  }
  endSearch();
  QStringList said;
  if (!result.emptyFolders.isEmpty())
    said << state_.langText(LangText::FoldersWithoutFiles, folderList(result.emptyFolders));
  // What could not be read is named, so that nobody takes the selection for the whole folder.
  if (!result.unreadable.isEmpty()) {
    QList<QByteArray> names;
    for (const ExecutableScan::Unreadable& u : result.unreadable) names.append(u.path);
    said << state_.langText(names.size() == 1 ? LangText::UnreadableOne : LangText::Unreadable,
                            QString::number(names.size()), folderList(names));
  }
  if (!said.isEmpty()) {
    QString text = said.join(QStringLiteral("\n\n"));
    if (result.files.isEmpty())
      text += QLatin1Char('\n') + state_.langText(LangText::SelectionUnchanged);
    Prompts::Message(window_, Prompts::Icon::Warning, text,
                     QGuiApplication::applicationDisplayName());
  }
  if (result.files.isEmpty()) return;
  selection_ = {result.files, result.folders, int(result.files.size()) - result.filesFromFolders};
  state_.FileList = result.files;
  state_.UnreadableEntries = result.unreadable;
  emit selected();
}

void FolderInput::cancel() {
  if (scan_) scan_->cancel();
  pending_.reset();
  endSearch();
}

void FolderInput::takePending() {
  if (!pending_) return;
  // (A copy, not a structured binding: clang 14 cannot capture those in a lambda.)
  auto pending = std::move(*pending_);
  pending_.reset();
  // After the job that held it has returned.
  QMetaObject::invokeMethod(
      this, [this, pending = std::move(pending)] { searchFinished(pending.first, pending.second); },
      Qt::QueuedConnection);
}

bool FolderInput::fromFolders() const {
  return selection_.folders > 0 && selection_.files == state_.FileList;
}

QString FolderInput::figures() const {
  const Selection& f = selection_;
  const QString files = QString::number(f.files.size());
  const QString folders = QString::number(f.folders);
  if (f.filesGiven == 0) return state_.langText(LangText::FilesFromFolders, files, folders);
  // The figures hold digits only, so a third mark filled afterwards cannot meet one of them.
  return state_.langText(LangText::FilesFromFoldersMixed, files, folders)
      .replace(QLatin1String("%3"), QString::number(f.filesGiven));
}

bool FolderInput::namesStorable() {
  const QList<QByteArray>& files = state_.FileList;
  // (The same list shares its data: comparing the pointers spares 30,000 comparisons.)
  if (files.constData() == checked_.constData() && files.size() == checked_.size()) return true;
  if (!std::all_of(files.begin(), files.end(), Settings::Storable)) return false;
  checked_ = files;
  return true;
}

QString FolderInput::boxText() const {
  const QList<QByteArray>& files = state_.FileList;
  if (fromFolders()) return figures();  // the names are in the packer's console
  if (files.size() == 1) return QFile::decodeName(files[0]);
  // Thousands of names would only slow the box.
  constexpr qsizetype kShownChars = 2000;
  QString shown;
  for (const QByteArray& f : files) {
    if (shown.size() > kShownChars) return shown + QStringLiteral(" \u2026");
    shown += QStringLiteral(" \"") + QFile::decodeName(f) + '"';
  }
  return shown;
}
