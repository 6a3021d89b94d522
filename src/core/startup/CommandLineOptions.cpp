// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/startup/CommandLineOptions.h"

#include <QCommandLineParser>

#include "PackhelmBuildConfig.h"

namespace CommandLineOptions {

namespace {

// Qt's own options that a Qt Widgets program takes on X11 and Wayland, and whether each takes a
// value. They stay out of the help, as they always have.
struct QtOption {
  const char* name;
  bool value;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"geometry", true},
    {"qwindowtitle", true},    {"title", true},
    {"qwindowicon", true},     {"icon", true},
    {"display", true},         {"name", true},
    {"session", true},         {"style", true},
    {"stylesheet", true},      {"reverse", false},
    {"widgetcount", false},    {"nograb", false},
    {"dograb", false},         {"sync", false},
    {"testability", false},
};

// A name that is not UTF-8 reaches the parser as a stand-in it cannot mistake for anything
// else: decoding never yields a lone low surrogate. Leading dashes stay in front, so that such a
// name is still an option (and refused) before "--" and a file after it.
constexpr char16_t kMark = 0xDC00;

QString standIn(const QByteArray& arg, int index) {
  qsizetype dashes = 0;
  while (dashes < arg.size() && arg[dashes] == '-') ++dashes;
  return QString(dashes, QLatin1Char('-')) + QChar(kMark) + QString::number(index) + QChar(kMark);
}

QByteArray bytesOf(const QString& s, const QList<QByteArray>& args) {
  const qsizetype at = s.indexOf(QChar(kMark));
  if (at < 0) return s.toUtf8();
  const qsizetype end = s.indexOf(QChar(kMark), at + 1);
  return args.value(s.mid(at + 1, end - at - 1).toInt());
}

// argv[0] and the Qt options that were given, with their values, for QApplication.
QList<QByteArray> qtArguments(const QCommandLineParser& parser, const QList<QByteArray>& args) {
  QList<QByteArray> out{args.value(0)};
  for (const QtOption& o : kQtOptions) {
    const QString name = QString::fromLatin1(o.name);
    if (!parser.isSet(name)) continue;
    if (!o.value) {
      out.append('-' + QByteArray(o.name));
      continue;
    }
    for (const QString& v : parser.values(name))
      out << '-' + QByteArray(o.name) << bytesOf(v, args);
  }
  return out;
}

}  // namespace

Parsed Parse(int argc, const char* const* argv) {
  QList<QByteArray> args;
  QStringList decoded;
  for (int i = 0; i < argc; ++i) {
    const QByteArray a(argv[i]);
    args.append(a);
    const QString s = QString::fromUtf8(a);
    decoded.append(s.toUtf8() == a ? s : standIn(a, i));
  }

  QCommandLineParser parser;
  // "-platform" is one option, as Qt has always read it, not -p -l -a ...
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(
      QStringLiteral("Packs and unpacks programs and libraries with UPX, the Ultimate Packer for "
                     "eXecutables."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this help and exit."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Show the version and exit."));
  const QCommandLineOption report(
      QStringLiteral("report"),
      QStringLiteral("After the job that the files start, write what happened to each of them "
                     "to FILE as CSV (file,size_before,size_after,outcome,message)."),
      QStringLiteral("FILE"));
  parser.addOption(help);
  parser.addOption(version);
  parser.addOption(report);
  for (const QtOption& o : kQtOptions) {
    QCommandLineOption q(QString::fromLatin1(o.name));
    if (o.value) q.setValueName(QStringLiteral("value"));
    q.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(q);
  }
  parser.addPositionalArgument(
      QStringLiteral("FILE"),
      QStringLiteral("Files to select, relative to the current folder; depending on the option "
                     "for dropped files they are packed or unpacked at once. Put them after "
                     "\"--\" when a name begins with \"-\"."),
      QStringLiteral("[--] [FILE...]"));

  Parsed out;
  if (!parser.parse(decoded)) {
    QString error = parser.errorText();
    // Show a stand-in as the bytes it stands for, as well as the terminal can.
    for (int i = 0; i < args.size(); ++i)
      if (decoded[i] != QString::fromUtf8(args[i])) {
        const QString s = decoded[i];
        error.replace(s.mid(s.indexOf(QChar(kMark))),
                      QString::fromUtf8(args[i].mid(s.indexOf(QChar(kMark)))));
      }
    out.action = Action::Refuse;
    out.message = QStringLiteral("packhelm: %1\nTry 'packhelm --help' for more information.\n")
                      .arg(error)
                      .toUtf8();
    return out;
  }
  if (parser.isSet(help)) {
    out.action = Action::Help;
    // Qt's usage line would name the program "<executable_name>" before an application object
    // exists; the rest is Qt's.
    out.message = (QStringLiteral("Usage: packhelm [options] [--] [FILE...]\n") +
                   parser.helpText().section(QLatin1Char('\n'), 1))
                      .toUtf8();
    return out;
  }
  if (parser.isSet(version)) {
    out.action = Action::Version;
    out.message = QByteArrayLiteral("Packhelm " PACKHELM_VERSION "\n");
    return out;
  }
  for (const QString& p : parser.positionalArguments()) out.files.append(bytesOf(p, args));
  if (parser.isSet(report)) out.report = bytesOf(parser.value(report), args);
  out.qtArguments = qtArguments(parser, args);
  return out;
}

}  // namespace CommandLineOptions
