// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files and folders given as the selection (dropped, or on the command line): a folder stands
// for the packable executables inside it. The search runs beside the event loop (ScanTask), so
// that a large tree does not freeze the window; the newest choice always wins. A search that
// ends while a job runs waits; its selection is taken when the job is over.

#include <QObject>
#include <optional>

#include "core/batch/ExecutableScan.h"

struct ProgramState;
class JobRunner;
class ScanTask;
class QWidget;

class FolderInput : public QObject {
  Q_OBJECT
 public:
  // `window`: the parent of the message about folders without anything packable.
  FolderInput(ProgramState& state, const JobRunner& jobs, QWidget* window);

  // Makes `paths` the state's selection at once and returns false; with folders among them,
  // starts their search and returns true: selected() says when the selection is there.
  bool select(const QList<QByteArray>& paths);
  // A newer choice made elsewhere replaces the search going on.
  void cancel();
  bool searching() const { return searching_; }
  // A job is over: a search that ended during it is taken now.
  void takePending();
  // The state's selection came from folders; its figures, as the file box tells them.
  bool fromFolders() const;
  QString figures() const;
  // What the file box tells of the state's selection: a folder selection's figures, else the
  // name, or the names as far as the box can show them.
  QString boxText() const;
  // Every selected name can be stored in the settings; checked once per selection, though the
  // start-up fills the box more than once.
  bool namesStorable();

 signals:
  // A search starts (`again`: it replaces one going on), or the search has ended.
  void searchStarted(bool again);
  void searchEnded();
  // The state holds the selection a search gave.
  void selected();

 private:
  void searchFinished(const ExecutableScan::Result& result, const QList<QByteArray>& paths);
  void endSearch();

  struct Selection {
    QList<QByteArray> files;  // the selection the search gave
    int folders = 0;
    int filesGiven = 0;  // files given directly beside the folders
  };
  ProgramState& state_;
  const JobRunner& jobs_;
  QWidget* window_;
  ScanTask* scan_ = nullptr;
  QList<QByteArray> checked_;  // the selection last found storable

  bool searching_ = false;
  Selection selection_;
  // A search that ended during a job.
  std::optional<std::pair<ExecutableScan::Result, QList<QByteArray>>> pending_;
};
