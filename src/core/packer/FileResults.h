// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a job did to each file it named: one row per file with its sizes, an outcome and the
// packer's own message. The outcomes come from the packer's output as it reports each file: a
// line of its table (or "testing NAME [OK]") for a file it handled, "upx: NAME: <exception>:
// <text>" for one it did not. It names every file it refuses, so a file of a run that ended on
// its own without such a line was handled.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace FileResults {

enum class Job { Pack, Unpack, Test };

enum class Outcome {
  Packed,
  Unpacked,
  Tested,
  AlreadyPacked,
  NotPacked,  // unpack or test of a file the packer did not pack
  NotCompressible,
  Unsupported,  // a format or file the packer cannot handle, a truncated program included
  WriteProtected,
  Unreadable,
  Failed,   // anything else; the message says what
  Stopped,  // Stop came before or during this file
};
inline constexpr int OutcomeCount = int(Outcome::Stopped) + 1;

// The outcome's word in reports ("already-packed").
const char* Word(Outcome outcome);
// The outcome of a job that did what was asked.
Outcome Success(Job job);
bool IsSuccess(Outcome outcome);
// The outcome the packer's message for a file stands for ("NotPackedException: not packed by
// UPX") in a job of its kind; `file` is the name the packer was given.
Outcome Classify(const QByteArray& message, const QByteArray& file, Job job = Job::Pack);

// What a message for a file means (the packer's, or the system's reason a file was left out),
// where Packhelm knows it: the window says that in the user's language beside the message.
enum class Meaning {
  Unknown,
  AlreadyPacked,
  NotPacked,
  NotCompressible,
  UnknownFormat,
  CantPack,
  CantUnpack,
  Truncated,  // the file ends before its data does
  Overlay,
  NotFound,
  Exists,  // the output file
  WriteProtected,
  ReadOnlyFileSystem,
  PermissionDenied,
  Empty,
  TooSmall,
  TooLarge,
  NotRegular,
  Directory,
  Symlink,
  SpecialPermissions,
  NameTooLong,
  NoSpace,
  NotStarted,  // the packer never got to the file
  Killed,      // ... a signal ended it first
};
inline constexpr int MeaningCount = int(Meaning::Killed) + 1;
Meaning MeaningOf(const QByteArray& message);

struct Row {
  QByteArray file;
  std::optional<quint64> sizeBefore;  // none: there was no regular file
  std::optional<quint64> sizeAfter;
  Outcome outcome = Outcome::Failed;
  QByteArray message;  // the packer's words for the file, as it wrote them
};

// The rows as CSV (RFC 4180): a header, then one line per row, CRLF line ends, names byte for
// byte.
QByteArray Csv(const QList<Row>& rows);
// Writes them to `path` whole or not at all (an existing file stays as it was); false with `why`.
bool WriteCsv(const QByteArray& path, const QList<Row>& rows, QString* why);

// How a run of the packer ended, for the files it did not report.
enum class RunEnd { Normal, Stopped, Died };

// Reads one packer run's output as it comes, for the files it was given, in their order.
class Transcript {
 public:
  // `outputName`: the one output file a run writes instead of its input (its table names that).
  Transcript(Job job, QList<QByteArray> files, QByteArray outputName = {});

  void feed(const QByteArray& output);
  // The output has ended: what is left is read as it stands.
  void finish();
  // Rows with the outcome of every file (sizes left empty); `why` is the message of files a
  // dying packer never reached.
  QList<Row> rows(RunEnd end, const QByteArray& why = {}) const;
  // How many files, from the first, are done with: their rows stand, however the run ends.
  qsizetype decided() const { return next_; }

 private:
  enum class Match { No, Yes, NeedMore };
  void readLines(bool ended);
  Match matchAt(qsizetype file, qsizetype from);
  std::optional<QByteArray> linesAt(qsizetype from, qsizetype count);

  Job job_;
  QList<QByteArray> files_;
  QList<qsizetype> lines_;  // the lines each file's name spans
  QByteArray outputName_;
  QList<std::optional<Row>> seen_;
  qsizetype next_ = 0;  // the file the packer reports next, as it goes in order
  QByteArray pending_;  // output not yet read, from the start of a line
  qsizetype cachedFrom_ = -1;
  qsizetype cachedCount_ = 0;
  QByteArray cachedText_;
};

}  // namespace FileResults
