// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The method choice "All": what the packer's --brute tries, split into one packer run per method
// and filter, several at once. Each run writes its own temporary output beside the file; when a
// file's runs have ended, the smallest output that passes the packer's test replaces the file (or
// becomes the output file), and every other output goes. Its bytes are those of the packer run
// with that method and filter alone; never more than --brute's, which keeps one of these.

#include <QByteArray>
#include <QList>
#include <optional>

#include "core/packer/FileResults.h"
#include "core/packer/Methods.h"
#include "core/packer/PackOptions.h"
#include "core/packer/PackerVersion.h"

namespace MethodTrials {

// One packer run: a trial packs the file with its method and filter (none: every filter of the
// format, when the format is not one Packhelm knows) into `output`; a test runs the packer's test
// on `output`.
struct Step {
  enum class Kind { Trial, Test };
  Kind kind = Kind::Trial;
  qsizetype file = 0;  // in the race's files
  Methods::Method method = Methods::Method::All;
  std::optional<int> filter;  // 0: no filter
  QByteArray output;
  QByteArray commandLine;
};

// A file that was replaced: the method and filter that won, the size, and the next best's.
struct Verdict {
  Methods::Method winner = Methods::Method::All;
  std::optional<int> filter;
  quint64 size = 0;
  std::optional<Methods::Method> runnerUp;
  std::optional<int> runnerUpFilter;
  quint64 runnerUpSize = 0;
};

struct Setup {
  PackOptions options;  // the simple switches, backup and output file come from here
  QByteArray packer;
  PackerCapabilities capabilities;
  int runs = 1;  // trials at once, each with an output of its own
};

// The filters the packer's --all-filters tries on a program whose file starts with `head`, as its
// formats list them (src/p_lx_elf.cpp, p_w32pe_i386.cpp, p_w64pe_amd64.cpp of UPX 4.2.3: each
// format's getFilters(); 0, no filter, is always tried too and comes last here). Nothing for a
// format not listed here: its trials keep --all-filters.
std::optional<QList<int>> FiltersOf(const QByteArray& head);

class Race {
 public:
  Race(Setup setup, QList<QByteArray> files);

  // The methods the packer has, in its order of trial.
  static QList<Methods::Method> MethodsOf(const PackerCapabilities& capabilities);
  // The backup name the packer gives a file: the last letter of a short extension or of the name
  // becomes "~", else ".000" to ".999", the first that is free; empty when none is.
  static QByteArray BackupName(const QByteArray& file);

  // The next run for a free pane (tests and --brute before new trials); none when nothing is
  // ready now (other runs have yet to end) or all is done.
  std::optional<Step> next();
  // A run that ended on its own: its exit code and what its output said about its file.
  void ended(const Step& step, int exitCode, const FileResults::Row& said);
  // The job ends (after a stop or when no run is left): every temporary output goes. One row
  // per file, in the files' order; a file not decided is stopped or failed.
  QList<FileResults::Row> finish(bool stopped);
  // The replaced file's verdict, by the file's position.
  std::optional<Verdict> verdict(qsizetype file) const;

 private:
  struct Candidate {
    Methods::Method method;
    std::optional<int> filter;
    QByteArray output;
    quint64 size;
    qsizetype piece;  // its place among the file's pieces: of equal sizes, the first is kept
  };
  struct Piece {
    Methods::Method method;
    std::optional<int> filter;
  };
  struct File {
    qsizetype index = 0;
    QByteArray name;
    quint64 size = 0;
    QList<Piece> pieces;  // its trials, given out in this order
    qsizetype given = 0;
    int open = 0;  // trials given out that have not ended
    // The smallest results so far, smallest first: enough to go on when the best fails its test.
    QList<Candidate> candidates;
    std::optional<FileResults::Row> refusal;  // what the first failed trial said
    QList<QByteArray> outputs;                // every temporary output named for it
    enum class End { Open, Replaced, Failed } end = End::Open;
    FileResults::Row row;  // a failed file's
    std::optional<Verdict> verdict;
  };
  static constexpr qsizetype kKept = 3;  // results kept of a file while its trials go on
  std::optional<FileResults::Row> refusal(const File& f) const;
  void decide(File& f);
  void replace(File& f, const Candidate& c);
  Step stepFor(qsizetype file, Step::Kind kind, const Piece& piece, QByteArray output) const;
  QByteArray temporaryName(const QByteArray& file, Methods::Method method);

  Setup setup_;
  QList<Methods::Method> methods_;
  QList<File> files_;
  QList<qsizetype> order_;  // the files, largest first: their trials go first
  qsizetype nextFile_ = 0;  // in order_
  QList<Step> ready_;
};

}  // namespace MethodTrials
