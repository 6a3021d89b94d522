// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/CommandLine.h"

#include "core/packer/FileSizes.h"

namespace CommandLine {

QByteArray Quote(const QByteArray& name) {
  QByteArray inner = name;
  inner.replace("\"", "\"\"");
  return '"' + inner + '"';
}

QByteArray QuoteIfNeeded(const QByteArray& name) {
  if (name.isEmpty() || name.contains(' ') || name.contains('"')) return Quote(name);
  return name;
}

QByteArray LevelPiece(int position) {
  if (position <= 1) return " --best";
  if (position > 10) position = 10;
  return " -" + QByteArray::number(11 - position);
}

bool UsesOutputFile(const PackOptions& o) {
  // An empty name would leave a bare "-o" that takes the next file name as the output.
  return o.OutFileBox && !o.EditOutFile.isEmpty() && o.EditFileName != o.EditOutFile;
}

OutputRefusal CheckOutputFile(const PackOptions& o, const QList<QByteArray>& files) {
  if (!o.OutFileBox || files.size() != 1) return OutputRefusal::None;
  if (o.EditOutFile.isEmpty()) return OutputRefusal::NoName;
  return FileSizes::SameEntry(o.EditOutFile, files.first()) ? OutputRefusal::NamesInput
                                                            : OutputRefusal::None;
}

int CrpValue(int position) {
  // A position from an edited settings file may lie outside the slider's range.
  return 1009999 - qBound(10000, position, 999999);
}

namespace {

// A name that begins with a dash would be read as an option; "--" makes the rest file names.
QByteArray endOfOptions(const QList<QByteArray>& fileList) {
  for (const QByteArray& f : fileList)
    if (f.startsWith('-')) return " --";
  return {};
}

QByteArray outputAndFiles(const PackOptions& o, const QList<QByteArray>& fileList) {
  QByteArray r;
  if (UsesOutputFile(o)) r += " -o" + Quote(o.EditOutFile);
  r += endOfOptions(fileList);
  for (const QByteArray& f : fileList) r += ' ' + QuoteIfNeeded(f);
  return r;
}

// The simple switches, in table order: each option's value names its piece.
QByteArray simpleSwitches(const PackOptions& o) {
  QByteArray r;
  ForEachOption(o, [&r](const Settings::Row& row, const auto& value) {
    if (const char* piece = row.piece(qint64(value))) r += piece;
  });
  return r;
}

}  // namespace

std::optional<Methods::Method> ChosenMethod(const PackOptions& o) {
  if (!o.CheckBoxTryMulti) return std::nullopt;
  const bool chosen[] = {o.RadioButton_nrv2b, o.RadioButton_nrv2d, o.RadioButton_nrv2e,
                         o.RadioButton_lzma, o.RadioButton_all};
  static_assert(std::size(chosen) == Methods::Table.size());
  for (std::size_t i = 0; i < std::size(chosen); ++i)
    if (chosen[i]) return Methods::Method(i);
  return std::nullopt;
}

QByteArray GetCmdPack(const PackOptions& o, const QList<QByteArray>& fileList,
                      const QByteArray& packer, const PackerCapabilities& capabilities) {
  QByteArray r = LevelPiece(o.CompressValueBar);
  if (o.Compress1CheckBox)
    r += capabilities.crpSwitch + QByteArray::number(CrpValue(o.CompressValueBar1));
  // A method this packer lacks is not asked for (its choice is disabled in the window).
  if (const auto m = ChosenMethod(o); m && capabilities.offers(*m)) r += Methods::InfoOf(*m).piece;
  r += simpleSwitches(o);
  r += outputAndFiles(o, fileList);
  return packer + r;
}

QByteArray GetCmdTrial(const PackOptions& o, const QByteArray& file, const QByteArray& output,
                       Methods::Method method, std::optional<int> filter, const QByteArray& packer,
                       const PackerCapabilities& capabilities) {
  // What --brute sets besides its methods and filters: the best level and the largest crp value.
  QByteArray r = " --best" + capabilities.crpSwitch + "999999" + Methods::InfoOf(method).piece;
  if (!filter)
    r += " --all-filters";
  else if (*filter == 0)
    r += " --no-filter";
  else
    r += " --filter=" + QByteArray::number(*filter);
  r += simpleSwitches(o) + " -o" + Quote(output) + endOfOptions({file}) + ' ' + QuoteIfNeeded(file);
  return packer + r;
}

QByteArray GetCmdUnPack(const PackOptions& o, const QList<QByteArray>& fileList,
                        const QByteArray& packer) {
  QByteArray r = " -d";
  if (o.BackupBox) r += " -k";
  r += outputAndFiles(o, fileList);
  return packer + r;
}

QByteArray GetCmdInfo(InfoCommand which, const QList<QByteArray>& fileList,
                      const QByteArray& packer) {
  QByteArray r = packer;
  switch (which) {
    case InfoCommand::Version:
      return r + " --version";
    case InfoCommand::Help:
      return r + " --help";
    case InfoCommand::ListFormats:
      return r + " -L";
    case InfoCommand::Test:
      r += " -t";
      break;
    case InfoCommand::List:
      r += " -l";
      break;
  }
  r += endOfOptions(fileList);
  for (const QByteArray& f : fileList) r += ' ' + Quote(f);
  return r;
}

QList<QByteArray> SplitCommandLine(const QByteArray& commandLine) {
  QList<QByteArray> args;
  QByteArray current;
  bool inToken = false;  // a quote alone makes a token, so "" is one empty argument
  bool quoted = false;
  const qsizetype n = commandLine.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char c = commandLine[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < n && commandLine[i + 1] == '"') {
          current += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        current += c;
      }
    } else if (c == ' ') {
      if (inToken) {
        args.append(current);
        current.clear();
        inToken = false;
      }
    } else if (c == '"') {
      inToken = true;
      quoted = true;
    } else {
      inToken = true;
      current += c;
    }
  }
  if (inToken) args.append(current);
  return args;
}

}  // namespace CommandLine
