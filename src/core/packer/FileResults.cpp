// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/FileResults.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <utility>

namespace FileResults {

namespace {

constexpr const char* kWords[OutcomeCount] = {
    "packed",     "unpacked",         "tested",      "already-packed",
    "not-packed", "not-compressible", "unsupported", "write-protected",
    "unreadable", "failed",           "stopped"};

// A run of files the packer refused or skipped over is looked for this far ahead of the file
// it reports next, so that reading stays linear in the number of files.
constexpr qsizetype kLookAhead = 16;

// The packer colours its messages: escape sequences (CSI) go before matching its words.
QByteArray withoutEscapes(const QByteArray& text) {
  QByteArray out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '\x1b' && i + 1 < text.size() && text[i + 1] == '[') {
      i += 2;
      while (i < text.size() && !(text[i] >= '@' && text[i] <= '~')) ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

// The packer's words start a line, or follow the progress it clears with a carriage return:
// only colours and blanks stand between the last carriage return and them.
bool startsLine(const QByteArray& lead) {
  for (char c : withoutEscapes(lead.mid(lead.lastIndexOf('\r') + 1)))
    if (c != ' ') return false;
  return true;
}

QByteArray baseName(const QByteArray& path) {
  return path.mid(path.lastIndexOf('/') + 1);
}

// A line of the packer's table: sizes, arrow, ratio and format, then the name.
bool tableHead(const QByteArray& head) {
  static const QRegularExpression row(QStringLiteral("^ *\\d+ (->|<-) *\\d+ +\\S+ +\\S+ +$"));
  return row.match(QString::fromLatin1(head)).hasMatch();
}

}  // namespace

const char* Word(Outcome outcome) {
  return kWords[int(outcome)];
}

Outcome Success(Job job) {
  return job == Job::Pack     ? Outcome::Packed
         : job == Job::Unpack ? Outcome::Unpacked
                              : Outcome::Tested;
}

bool IsSuccess(Outcome outcome) {
  return outcome == Outcome::Packed || outcome == Outcome::Unpacked || outcome == Outcome::Tested;
}

Outcome Classify(const QByteArray& message, const QByteArray& file, Job job) {
  const auto is = [&](const char* exception) {
    return message.startsWith(exception) &&
           (message.size() == qsizetype(qstrlen(exception)) || message[qstrlen(exception)] == ':');
  };
  if (is("AlreadyPackedException")) return Outcome::AlreadyPacked;
  if (is("NotPackedException")) return Outcome::NotPacked;
  // Unpacking or testing a file of no format the packer knows: it never packed that file.
  if (job != Job::Pack && is("UnknownExecutableFormatException")) return Outcome::NotPacked;
  // A packed file whose test finds it damaged did not pass.
  if (job == Job::Test && (is("CantUnpackException") || is("EOFException"))) return Outcome::Failed;
  if (is("NotCompressibleException")) return Outcome::NotCompressible;
  // A program without its execute permission: the user can mend that, so it is no format the
  // packer lacks ("CantPackException: file not executable; try 'chmod +x'").
  if (message.contains("try 'chmod +x'")) return Outcome::Failed;
  // The formats and files it cannot handle: damaged or cut short ones included.
  for (const char* e : {"UnknownExecutableFormatException", "CantPackException",
                        "CantUnpackException", "EOFException", "OverlayException"})
    if (is(e)) return Outcome::Unsupported;
  if (is("FileNotFoundException")) return Outcome::Unreadable;
  if (!is("IOException")) return Outcome::Failed;
  if (message.contains("write protected") || message.endsWith("Read-only file system"))
    return Outcome::WriteProtected;
  // Its checks of the input before it reads a byte: not a file it packs.
  for (const char* skipped : {"empty file", "too small", "too large", "not a regular file",
                              "is a directory", "is a symlink", "special permissions"})
    if (message.contains(skipped)) return Outcome::Unsupported;
  // A refused open names the file: the input cannot be read, anything else cannot be written.
  if (message.endsWith("Permission denied"))
    return message.startsWith("IOException: " + file + ": ") ? Outcome::Unreadable
                                                             : Outcome::WriteProtected;
  return Outcome::Failed;
}

Meaning MeaningOf(const QByteArray& message) {
  // The reasons the packer and the system give in their own words, inside any exception's
  // message; then the exceptions that say enough by their names.
  static const std::pair<const char*, Meaning> reasons[] = {
      {"File name too long", Meaning::NameTooLong},
      {"No space left on device", Meaning::NoSpace},
      {"Read-only file system", Meaning::ReadOnlyFileSystem},
      {"write protected", Meaning::WriteProtected},
      {"Permission denied", Meaning::PermissionDenied},
      {"No such file or directory", Meaning::NotFound},
      {"File exists", Meaning::Exists},
      {"empty file", Meaning::Empty},
      {"too small", Meaning::TooSmall},
      {"too large", Meaning::TooLarge},
      {"not a regular file", Meaning::NotRegular},
      {"is a directory", Meaning::Directory},
      {"is a symlink", Meaning::Symlink},
      {"special permissions", Meaning::SpecialPermissions},
  };
  for (const auto& [words, meaning] : reasons)
    if (message.contains(words)) return meaning;
  static const std::pair<const char*, Meaning> exceptions[] = {
      {"AlreadyPackedException", Meaning::AlreadyPacked},
      {"NotPackedException", Meaning::NotPacked},
      {"NotCompressibleException", Meaning::NotCompressible},
      {"UnknownExecutableFormatException", Meaning::UnknownFormat},
      {"CantPackException", Meaning::CantPack},
      {"CantUnpackException", Meaning::CantUnpack},
      {"EOFException", Meaning::Truncated},
      {"OverlayException", Meaning::Overlay},
      {"FileNotFoundException", Meaning::NotFound},
      {"FileAlreadyExistsException", Meaning::Exists},
  };
  for (const auto& [name, meaning] : exceptions)
    if (message.startsWith(name) &&
        (message.size() == qsizetype(qstrlen(name)) || message[qstrlen(name)] == ':'))
      return meaning;
  // Packhelm's own words for the files a run never reached.
  if (message == "not started") return Meaning::NotStarted;
  return message.startsWith("signal SIG") ? Meaning::Killed : Meaning::Unknown;
}

QByteArray Csv(const QList<Row>& rows) {
  const auto field = [](const QByteArray& text) {
    if (!text.contains(',') && !text.contains('"') && !text.contains('\n') && !text.contains('\r'))
      return text;
    QByteArray quoted = text;
    quoted.replace("\"", "\"\"");
    return '"' + quoted + '"';
  };
  const auto size = [](const std::optional<quint64>& s) {
    return s ? QByteArray::number(*s) : QByteArray();
  };
  QByteArray out = "file,size_before,size_after,outcome,message\r\n";
  for (const Row& r : rows)
    out += field(r.file) + ',' + size(r.sizeBefore) + ',' + size(r.sizeAfter) + ',' +
           Word(r.outcome) + ',' + field(r.message) + "\r\n";
  return out;
}

bool WriteCsv(const QByteArray& path, const QList<Row>& rows, QString* why) {
  QSaveFile file(QFile::decodeName(path));
  if (file.open(QIODevice::WriteOnly) && file.write(Csv(rows)) >= 0 && file.commit()) return true;
  *why = file.errorString();
  return false;
}

Transcript::Transcript(Job job, QList<QByteArray> files, QByteArray outputName)
    : job_(job),
      files_(std::move(files)),
      outputName_(std::move(outputName)),
      seen_(files_.size()) {
  lines_.reserve(files_.size());
  for (const QByteArray& f : std::as_const(files_)) lines_.append(f.count('\n') + 1);
}

void Transcript::feed(const QByteArray& output) {
  pending_ += output;
  readLines(false);
}

void Transcript::finish() {
  readLines(true);
}

// Reads the complete lines from the start of what is pending: each is a file's line (of the file
// next in turn or one a little after it) or something else, which goes. A name with line feeds
// waits for its lines until the output ends.
void Transcript::readLines(bool ended) {
  qsizetype at = 0;
  while (next_ < files_.size()) {
    const qsizetype lineEnd = pending_.indexOf('\n', at);
    if (lineEnd < 0) break;
    Match match = Match::No;
    bool waiting = false;
    for (qsizetype f = next_; f < qMin(files_.size(), next_ + kLookAhead); ++f) {
      match = matchAt(f, at);
      if (match == Match::Yes) break;
      waiting = waiting || match == Match::NeedMore;
    }
    if (match != Match::Yes && waiting && !ended) break;
    if (match == Match::Yes) {
      // The file's lines are read: go on after them.
      qsizetype end = at;
      for (qsizetype n = lines_[next_ - 1]; n > 0; --n) end = pending_.indexOf('\n', end) + 1;
      at = end;
    } else {
      at = lineEnd + 1;
    }
  }
  pending_.remove(0, at);
  cachedFrom_ = -1;  // the places have moved
}

// Whether the lines at `from` are the packer's report on the file; a name with line feeds spans
// as many lines more.
// The output's `count` lines from `from`, as the packer wrote them (a line feed in a name is one
// line feed again, the last line's CR gone); none before they have all come. The last answer is
// kept: the files looked for at one place mostly ask for the same line.
std::optional<QByteArray> Transcript::linesAt(qsizetype from, qsizetype count) {
  if (from == cachedFrom_ && count == cachedCount_) return cachedText_;
  qsizetype end = from - 1;
  for (qsizetype n = count; n > 0 && (end = pending_.indexOf('\n', end + 1)) >= 0;) --n;
  if (end < 0) return std::nullopt;
  // The terminal writes each line feed, one in a name too, as CR LF.
  QByteArray text = pending_.mid(from, end - from).replace("\r\n", "\n");
  if (text.endsWith('\r')) text.chop(1);
  cachedFrom_ = from;
  cachedCount_ = count;
  cachedText_ = text;
  return text;
}

Transcript::Match Transcript::matchAt(qsizetype file, qsizetype from) {
  const QByteArray& name = files_[file];
  const std::optional<QByteArray> lines = linesAt(from, lines_[file]);
  if (!lines) return Match::NeedMore;
  const QByteArray& text = *lines;

  Row row;
  row.file = name;
  const QByteArray refused = "upx: " + name + ": ";
  const qsizetype at = text.indexOf(refused);
  if (at >= 0 && startsLine(text.left(at))) {
    row.message = withoutEscapes(text.mid(at + refused.size())).trimmed();
    row.outcome = Classify(row.message, name, job_);
  } else if (job_ == Job::Test) {
    const qsizetype t = text.indexOf("testing " + name + ' ');
    if (t < 0 || !startsLine(text.left(t)) || !text.endsWith("[OK]")) return Match::No;
    row.outcome = Outcome::Tested;
  } else {
    const QByteArray base = baseName(outputName_.isEmpty() ? name : outputName_);
    if (!text.endsWith(base)) return Match::No;
    QByteArray head = text.left(text.size() - base.size());
    head = head.mid(head.lastIndexOf('\r') + 1);
    if (!tableHead(withoutEscapes(head))) return Match::No;
    row.outcome = Success(job_);
  }
  seen_[file] = row;
  next_ = file + 1;
  return Match::Yes;
}

QList<Row> Transcript::rows(RunEnd end, const QByteArray& why) const {
  QList<Row> out;
  out.reserve(files_.size());
  for (qsizetype i = 0; i < files_.size(); ++i) {
    if (seen_[i]) {
      out.append(*seen_[i]);
      continue;
    }
    Row row;
    row.file = files_[i];
    // Files passed over on the way to a later report were handled; after the last report they
    // were handled too when the packer ended on its own, which names every file it refuses.
    if (i < next_ || end == RunEnd::Normal) {
      row.outcome = Success(job_);
    } else {
      row.outcome = end == RunEnd::Stopped ? Outcome::Stopped : Outcome::Failed;
      if (end == RunEnd::Died) row.message = why;
    }
    out.append(row);
  }
  return out;
}

}  // namespace FileResults
