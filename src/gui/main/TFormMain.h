// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: file selection, the packing options, the jobs and the information commands.

#include <QWidget>

#include "core/packer/PackOptions.h"
#include "gui/widgets/StatusLine.h"

class JobRunner;
struct ProgramState;
struct JobReport;
class QTimer;
class FolderInput;
class MethodChoice;
class FileDialogSpec;
class TMultiHint;
namespace Ui {
class TFormMain;
}

class TFormMain : public QWidget {
  Q_OBJECT
 public:
  TFormMain(ProgramState& state, JobRunner& jobs, QWidget* parent = nullptr);
  ~TFormMain() override;

  // Non-visual parts of the window, named like the controls.
  FileDialogSpec* OpenDialog;
  FileDialogSpec* OpenDialogUPX;
  FileDialogSpec* SaveDialog;
  QTimer* Timer1;  // drives the option panel's slide
  TMultiHint* MultiHint1;

  // Set by the start-up sequence: the next panel step reaches its final state at once.
  bool PanelFirstShow = false;

  // PackOptions as the controls hold them now.
  PackOptions packOptions() const;

  void FillText();
  void SetLanguage();
  void CompressValueBarChange();

  void ButtonPackClick();
  void ButtonUnPackClick();
  void ButtonResetClick();
  void ButtonMaxClick();

  // The start-up's placing: the left column centred horizontally, the window centred vertically
  // in the free area of its screen, the option panel in its restored state at once.
  void placeAtStart();

  // The output name as bytes: the bytes it was last set from while the box still shows them (a
  // name that is not UTF-8 keeps its bytes), otherwise the box's text.
  QByteArray outFileBytes() const;
  void setOutFileBytes(const QByteArray& name);
  // The status line's message, in the colour of its kind.
  void setStatus(const QString& text, StatusLine::Kind kind = StatusLine::Kind::Normal);

  // File selection and the output file.
  void ButtonInClick();
  void ButtonOutClick();
  void OutFileBoxClick();
  // A drop of local files (already as byte paths): new selection, window raised, maybe a job.
  void WMDropFiles(const QList<QByteArray>& names);
  // Files and folders dropped or given on the command line become the selection, and the job
  // the drag preference asks for runs on it. Each folder stands for the executables inside it,
  // which are searched for beside the event loop: until the search is done the selection's
  // buttons are disabled, and its job waits for it. `queueJob`: a selection without folders
  // runs its job from the event loop (the start-up's order), not at once.
  void selectInput(const QList<QByteArray>& paths, bool queueJob);

  // The option panel: start a slide after the button changed, and one step of it.
  void SpeedButtonAddOptClick();
  void Timer1Timer();

  // Coupling of the check boxes that govern other controls.
  void Compress1CheckBoxClick();
  void CheckBoxTryMultiClick();

  // The size and ratio report of the jobs and the information commands.
  void CalcSize(quint64 UncompressedTotal, quint64 CompressedTotal);
  void CalcSizeMul(quint64 UncompressedTotal, quint64 CompressedTotal);
  // Window order around a job (after = false: before the packer runs).
  void StayOnTopStep(bool after);

  // The information commands.
  void ButtonShowUPXVerClick();
  void ButtonShowUPXHelpClick();
  void ButtonTestClick();
  void ButtonListClick();
  void ButtonShowUPXLClick();

 public slots:
  // The outcome of a job in the status line.
  void showExitStatus(const QString& statusText, StatusLine::Kind kind = StatusLine::Kind::Normal);
  // A run has started: the status line no longer tells of the one before.
  void clearExitStatus();
  // A job has ended: its status, its sizes, the window order, a search that waited for it.
  void jobFinished(const JobReport& result);
  // The command-line editor accepted a line for packing (0) or unpacking (1); it is pending in
  // the program state and the matching job runs it.
  void runEditedCommandLine(int editMode);

 signals:
  // The buttons that open the other windows; the program context opens them.
  void optionsRequested();
  void aboutRequested();
  void integrationRequested();
  void resultsRequested();
  // Edit the command line the pack (0) or unpack (1) button would run.
  void commandLineEditRequested(int editMode, const QString& acceptCaption,
                                const QByteArray& proposedLine);
  // SetLanguage re-applied the language-dependent texts and the stay-on-top state.
  void languageApplied();
  void stayOnTopChanged(bool topmost);
  // The window is on screen for the first time.
  void firstShown();
  // The window closes for good: the program ends with it.
  void closing();

 protected:
  // Tab keeps to what the window shows: the option panel's controls only while it is open.
  bool focusNextPrevChild(bool next) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  Ui::TFormMain* ui;  // the controls; others reach them by their object names
  QByteArray outFileBytes_;
  MethodChoice* methods_;
  bool unstorableNoted_ = false;
  void setupDialogs();
  void connectControls();
  void setClientWidth(int width);
  // The packing option controls, in the order Reset and the preset share (radio buttons: the
  // selected one is set, an unselected one is left as it is).
  void setOptionControls(const PackOptions& o);
  void updateAddOptArrow();
  void showTotals(quint64 uncompressed, quint64 compressed, const QByteArray& unit);
  bool sizesOfUnpack_ = false;  // the totals shown are an unpack's
  void showSelectionTotal(quint64 bytes, qsizetype files);
  void runInfoCommand(int which, bool withSizes);
  void runJob(bool pack);
  // Files dropped or given on the command line: the job the drag preference asks for, if any.
  void runDragOpJob();
  void editCommandLine(bool pack);

  // Folders as input: the status line and the buttons follow the search.
  void searchStarted(bool again);
  void searchEnded();
  void searchTaken();
  // Once per run in the status line: a selected name cannot be stored (it holds a line feed, a
  // carriage return or byte 26) and is kept for this session.
  void noteUnstorableNames();
  // Pack, unpack and the information commands that read the files: only on a known selection.
  void updateSelectionButtons();
  bool selectionFromFolders() const;
  FolderInput* input_;
  class SizeTask* sizes_;
  QString statusBeforeSearch_;
  StatusLine::Kind statusKindBeforeSearch_ = StatusLine::Kind::Normal;

  ProgramState& state_;
  JobRunner& jobs_;
  bool shown_ = false;
  // Closed during a run: the question is open; the user said yes (it closes when the run ends).
  bool askingToQuit_ = false, quitAfterRun_ = false;
  // Panel slide: extra width beyond the left column, its bounds and the step per tick.
  int panelCurrent_ = 0;
  int panelLow_ = 0;
  int panelHigh_ = 0;
  int panelStep_ = 0;
};
