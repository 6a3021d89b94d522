// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/packer/CommandLine.h"

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

}  // namespace

QByteArray GetCmdPack(const PackOptions& o, const QList<QByteArray>& fileList,
                      const QByteArray& packer, const PackerCapabilities& capabilities) {
  QByteArray r = LevelPiece(o.CompressValueBar);
  if (o.Compress1CheckBox)
    r += capabilities.crpSwitch + QByteArray::number(CrpValue(o.CompressValueBar1));
  if (o.CheckBoxTryMulti) {
    if (o.RadioButton_nrv2b)
      r += " --nrv2b";
    else if (o.RadioButton_nrv2d)
      r += " --nrv2d";
  }
  if (o.BackupBox) r += " -k";
  if (o.OverlayGroup == 1) r += " --overlay=strip";
  if (o.OverlayGroup == 2) r += " --overlay=skip";
  if (o.OptBoxDOS1) r += " --8086";
  if (o.OptBoxDOS2) r += " --no-reloc";
  if (o.ExportsGroup == 0) r += " --compress-exports=0";
  if (o.IconsGroup == 0) r += " --compress-icons=0";
  if (o.IconsGroup == 1) r += " --compress-icons=1";
  if (o.ResourcesBox) r += " --compress-resources=0";
  if (o.CheckBoxForce) r += " --force";
  if (o.RelocationsGroup == 0) r += " --strip-relocs=0";
  if (o.CheckBoxCoff) r += " --coff";
  if (o.CheckBoxLe) r += " --le";
  r += outputAndFiles(o, fileList);
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
