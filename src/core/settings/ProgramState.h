#pragma once
// Program-wide values that almost every window reads: where the program and the packer are, the
// selected files, the texts of the current language, the preferences and the command histories.
// One instance per program (the application context owns it); tests make their own.

#include <QByteArray>
#include <QList>
#include <array>

// Preferences, one field per settings key. Defaults are the values before any settings file is
// read; nothing here is range-checked, each user acts on the values it knows.
struct GlobalOptions {
  bool GlobalOpt_FastOpen = false;
  QByteArray GlobalOpt_UPX2;
  qint32 GlobalOpt_DragOp = 0;
  qint32 GlobalOpt_CloseCon = 1;
  quint32 GlobalOpt_PriorityClass = 32;
  quint32 GlobalOpt_ThreadPriority = 0;
  qint32 GlobalOpt_FirstTimeShowConsol = 0;
  qint32 GlobalOpt_StayOnTop = 2;
  bool GlobalOpt_ShowHints = true;
  quint32 CmdLinesMax = 10;
  QByteArray LangName;
  QList<QByteArray> ShellExt{".exe", ".com", ".dll"};
};

constexpr int LangTextCount = 101;  // numbered 0 to 100
constexpr int LangTextHighest = LangTextCount - 1;
using LangTextTable = std::array<QByteArray, LangTextCount>;

struct ProgramState {
  QByteArray ProgramDir;  // folder of the executable, with a trailing "/"
  QList<QByteArray> FileList;
  QByteArray UpxLocation;
  QByteArray UpxShortLocation;  // UpxLocation, quoted when it holds a blank or a quote
  int UpxMajorVersion = -1;     // asked once after locating the packer; -1 = unknown

  LangTextTable LangTexts;
  GlobalOptions opt;

  QList<QByteArray> CmdPackLines;  // newest first
  QList<QByteArray> CmdUnPackLines;
  QByteArray PendingPackCommand;
  QByteArray PendingUnpackCommand;

  // 64-bit: totals of 4 GiB and more must not wrap
  quint64 UncompressedTotal = 0;
  quint64 CompressedTotal = 0;

  // The settings file: in ProgramDir when that is writable, else in the user's configuration
  // folder. Set at start-up; empty means "not decided yet".
  QByteArray SettingsPath;

  // The packer's path as it is written at the start of a command line.
  QByteArray packerForCommand() const;
};
