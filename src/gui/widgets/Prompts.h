// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message boxes and file dialogs go through here, so that tests can answer them in advance
// instead of a person. Outside test mode these are plain QMessageBox and QFileDialog.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// An open or save dialog as a named, non-visual object of its window: language files set its
// title and filter by name ("OPENDIALOG\OpenDialog", "SAVEDIALOGFILTER\SaveDialog").
class FileDialogSpec : public QObject {
  Q_OBJECT
 public:
  enum class Kind { Open, Save };
  FileDialogSpec(const QString& name, Kind kind, QObject* parent);
  Kind kind;
  QString title;
  QString filter;  // "description|pattern|description|pattern..."
  bool multiSelect = false;
  bool showHidden = false;
  QString fileName;   // initial file name for the next showing
  QString directory;  // folder the next showing starts in when it has no file name
};

namespace Prompts {

enum class Icon { Information, Warning, Error };

// Each prompt is modal to the whole program and returns at once; what depends on the answer
// runs when it comes.
// A message; `closed` runs once the user has closed it.
void Message(QWidget* owner, Icon icon, const QString& text, const QString& caption,
             const std::function<void()>& closed = {});
// A yes/no question; `answered` gets true for yes. No is the default button and the answer of
// Escape.
void Ask(QWidget* owner, const QString& text, const QString& caption,
         const std::function<void(bool)>& answered);

// An open or save dialog; `chosen` gets the files (empty: cancelled).
void OpenFiles(QWidget* owner, const FileDialogSpec& spec,
               const std::function<void(const QStringList&)>& chosen);
void SaveFile(QWidget* owner, const FileDialogSpec& spec,
              const std::function<void(const QString&)>& chosen);

// "desc|*.exe|desc2|*.a;*.b" -> "desc (*.exe);;desc2 (*.a *.b)"
QString ToQtFilter(const QString& filter);

// The folder a dialog opens in: its file name's folder, else its directory, else (a folder that
// is gone, or none given) the user's home; never the program's own folder by default.
QString StartFolder(const FileDialogSpec& spec);

// --- test seam ---
struct MessageRecord {
  Icon icon;
  QString text;
  QString caption;
};
struct TestScript {
  bool active = false;
  QList<QStringList> openAnswers;  // consumed in order; an empty list or none left = cancel
  QList<QString> saveAnswers;      // consumed in order; empty or none left = cancel
  QList<MessageRecord> messages;   // every message shown, in order
  QList<bool> questionAnswers;     // consumed in order; none left = no
  QList<MessageRecord> questions;  // every question asked, in order
  QList<QString> dialogTitles;     // title of every file dialog shown
};
TestScript& Test();  // set Test().active = true to record instead of showing

}  // namespace Prompts
