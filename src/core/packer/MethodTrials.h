// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The method choice "All": what the packer's --brute tries, split into one packer run per method,
// several at once. Each run writes its own temporary output beside the file; when a file's runs
// have ended, the smallest output that passes the packer's test replaces the file (or becomes the
// output file), and every other output goes.
//
// The packer chooses between methods by its compressed data and loader, which the file sizes
// follow except when two results lie close (the loaders differ by some kilobytes, and padding
// rounds). Then the packer's own --brute decides, as one more run, so the bytes are always the
// ones --brute gives.

#include <QByteArray>
#include <QList>
#include <optional>

#include "core/packer/FileResults.h"
#include "core/packer/Methods.h"
#include "core/packer/PackOptions.h"
#include "core/packer/PackerVersion.h"

namespace MethodTrials {

// Two results closer than this are left to the packer's own --brute.
inline constexpr quint64 NearTie = 16 * 1024;

// One packer run: a trial packs the file with its method (All: the packer's own --brute) into
// `output`; a test runs the packer's test on `output`.
struct Step {
  enum class Kind { Trial, Test };
  Kind kind = Kind::Trial;
  qsizetype file = 0;  // in the race's files
  Methods::Method method = Methods::Method::All;
  QByteArray output;
  QByteArray commandLine;
};

// A file that was replaced: the method that won, its size, and the next best method's.
struct Verdict {
  Methods::Method winner = Methods::Method::All;
  quint64 size = 0;
  std::optional<Methods::Method> runnerUp;
  quint64 runnerUpSize = 0;
};

struct Setup {
  PackOptions options;  // the simple switches, backup and output file come from here
  QByteArray packer;
  PackerCapabilities capabilities;
};

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
    QByteArray output;
    quint64 size;
  };
  struct File {
    qsizetype index = 0;
    QByteArray name;
    int open = 0;  // trials given out (or about to be) that have not ended
    QList<Candidate> candidates;
    std::optional<Candidate> brute;  // the packer's own --brute, asked when two came close
    bool bruteAsked = false;
    std::optional<FileResults::Row> refusal;  // what the first failed trial said
    QList<QByteArray> outputs;                // every temporary output named for it
    enum class End { Open, Replaced, Failed } end = End::Open;
    FileResults::Row row;  // a failed file's
    std::optional<Verdict> verdict;
  };
  std::optional<FileResults::Row> refusal(const File& f) const;
  void decide(File& f);
  void replace(File& f, const Candidate& c);
  Step stepFor(qsizetype file, Step::Kind kind, Methods::Method method, QByteArray output) const;
  QByteArray temporaryName(const QByteArray& file, Methods::Method method);

  Setup setup_;
  QList<Methods::Method> methods_;
  QList<File> files_;
  qsizetype nextFile_ = 0;
  qsizetype nextMethod_ = 0;
  QList<Step> ready_;
};

}  // namespace MethodTrials
