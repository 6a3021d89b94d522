// SPDX-License-Identifier: GPL-3.0-or-later
// The real packer driven through Packhelm's own paths: the main window builds the command line
// from its controls, the console runs the packer on a real pty, the size labels report the result,
// a stopped run's unfinished files are removed, a folder is searched for programs, and several runs
// go at once. Real programs of every kind the tests can build here.

#include <sys/stat.h>

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "core/batch/ExecutableScan.h"
#include "core/console/EchoedNames.h"
#include "core/console/ScreenModel.h"
#include "core/jobs/JobEngine.h"
#include "core/packer/FileResults.h"
#include "core/packer/MethodTrials.h"
#include "core/packer/PackerVersion.h"
#include "core/packer/SizeReport.h"
#include "gui/console/ConsoleSession.h"
#include "gui/console/ConsoleWindow.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/ConsoleView.h"
#include "gui/widgets/SettingControls.h"
#include "support/MainWindowTest.h"
#include "support/RealPacker.h"
#include "support/RealPackerWindow.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

Q_DECLARE_METATYPE(SampleKind)
Q_DECLARE_METATYPE(PackOptions)

namespace {

using Names = QList<QByteArray>;

// The text without its blanks and line ends: a line the packer wrote across the end of a row goes
// on in the next one, and where it broke cannot be told from the screen.
QString squeezed(QString text) {
  return text.remove(QRegularExpression(QStringLiteral("[ \n]")));
}

// The window with the real packer, and what the tests read from it.
struct Program : RealPackerWindow {
  explicit Program(quint32 runs = 1) : RealPackerWindow(runs) {}

  QString text(LangText t) const { return ctx.state.langText(t); }
  QString label(const char* name) const { return ui().get<QLabel>(name)->text(); }
  // Everything the console shows now: its own screen, or the panes of several runs.
  QString shown() const {
    const ConsoleWindow* w = ctx.console->window();
    if (!w) return {};
    if (w->panes().isEmpty()) return ScreenText(w->model());
    QString all;
    for (const ConsoleView* pane : w->panes()) all += ScreenText(pane->model());
    return all;
  }
  // The options, set on the main window's controls as a user sets them.
  void setOptions(const PackOptions& o) {
    SettingControls::show(ctx.FormMain, o, SettingControls::RadioMode::Restore);
  }
  void press(const char* button, const std::function<void()>& during = {}) {
    // The console of a former run is cleared, so that what it shows is this run's.
    if (ScreenModel* s = console()->screen()) s->feed("\x1b[2J\x1b[H");
    MainWindowTest::press(button, during);
  }
};

PackOptions options(int level, bool nrv2d, bool crp) {
  PackOptions o;
  o.CompressValueBar = level;
  o.CheckBoxTryMulti = true;
  o.RadioButton_nrv2b = !nrv2d;
  o.RadioButton_nrv2d = nrv2d;
  o.Compress1CheckBox = crp;
  return o;
}

// What the packer says of a file it packed or listed: "<before> -> <after>".
QString sizesLine(qint64 unpacked, qint64 packed) {
  return QStringLiteral("%1 -> %2").arg(unpacked).arg(packed);
}

// A Windows program unpacked holds its data and resources again, but not byte for byte: the
// packer rebuilds its headers and tables, and relocations it stripped stay away. Linux programs
// come back byte for byte.
bool unpackedAsBefore(SampleKind kind, const QByteArray& now, const QByteArray& original) {
  if (!IsPe(kind)) return now == original;
  return now.startsWith("MZ") && now.contains(QByteArray("Packhelm sample ").repeated(4096)) &&
         now.contains(SampleResourceText());
}

}  // namespace

class TestRealPacker : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QString why;
    QVERIFY2(!RealPacker::Path(&why).isEmpty(), qPrintable(why));
    for (SampleKind kind : AllSampleKinds())
      QVERIFY2(!SampleProgram(kind, &why).isEmpty(), qPrintable(why));
  }

  // The information buttons: the packer's own answers reach the console, and its version
  // decides the switches.
  void informationCommands_data() {
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("shows");
    QTest::newRow("version") << QByteArray("ButtonShowUPXVer") << "upx 4.2.3";
    QTest::newRow("help") << QByteArray("ButtonShowUPXHelp") << "Usage: upx";
    QTest::newRow("licence (-L)") << QByteArray("ButtonShowUPXL")
                                  << "This program may be used freely";
  }
  void informationCommands() {
    QFETCH(QByteArray, button);
    QFETCH(QString, shows);
    Program p;
    QCOMPARE(p.ctx.state.packer().version, QByteArray("4.2.3"));
    p.press(button.constData());
    QVERIFY2(p.shown().contains(shows), qPrintable(p.shown()));
    QCOMPARE(p.status(), p.text(LangText::StatusDone));
  }

  // Pack at a level with a method (and the compression-ratio switch as this version spells it),
  // list, test and unpack; the size labels give what the packer reported, and a file name that
  // looks like anything but a name reaches the packer as one name.
  void packListTestUnpack_data() {
    QTest::addColumn<SampleKind>("kind");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<PackOptions>("o");
    for (SampleKind kind : AllSampleKinds()) {
      const QByteArray file = SampleFileName(kind);
      const char* k = SampleKindName(kind);
      QTest::addRow("%s -1 nrv2b", k) << kind << file << options(10, false, false);
      QTest::addRow("%s -7 nrv2d crp", k)
          << kind << "-a \"b\" \xff " + file << options(4, true, true);
      // The packer echoes the name: its escape sequences must act on nothing.
      if (kind == SampleKind::ElfPie || kind == SampleKind::Pe32)
        QTest::addRow("%s escape sequences in the name", k)
            << kind << "red\x1b[31m blank\x1b[30;40m " + file << options(10, false, false);
      // --best takes seconds for the static program; its level 9 is the same method's.
      if (kind == SampleKind::ElfStatic)
        QTest::addRow("%s -9", k) << kind << file << options(2, false, false);
      else
        QTest::addRow("%s --best", k) << kind << file << options(1, false, false);
    }
  }
  void packListTestUnpack() {
    QFETCH(SampleKind, kind);
    QFETCH(QByteArray, name);
    QFETCH(PackOptions, o);
    Program p;
    const QByteArray path = p.work() + name;
    QString error;
    QVERIFY2(WriteSample(kind, path, &error), qPrintable(error));
    const QByteArray original = readFileBytes(path);
    p.select({path});
    p.setOptions(o);

    p.press("ButtonPack");
    QVERIFY2(p.status() == p.text(LangText::StatusDone), qPrintable(p.shown()));
    const QByteArray packed = readFileBytes(path);
    QVERIFY(packed.size() < original.size());
    QVERIFY2(squeezed(p.shown()).contains(squeezed(sizesLine(original.size(), packed.size()))),
             qPrintable(p.shown()));
    if (name.contains('\x1b')) {  // legible, and no text blanked or recoloured by it
      QVERIFY2(p.shown().contains(QString::fromUtf8(EchoedNames::Shown(name))),
               qPrintable(p.shown()));
      const ScreenModel* screen = p.console()->screen();
      for (int r = 0; r < screen->rows(); ++r)
        for (int c = 0; c < screen->columns(); ++c) {
          const ScreenModel::Cell& cell = screen->cell(r, c);
          QVERIFY2(cell.ch == U' ' || (cell.fg != cell.bg && cell.fg != 1),
                   qPrintable(screen->rowText(r)));
        }
    }
    const QByteArray unit = p.ctx.state.langBytes(LangText::UnitKiB);
    QCOMPARE(p.label("LabelF1"), QString::fromUtf8(SizeReport::KiBText(original.size(), unit)));
    QCOMPARE(p.label("LabelF2"), QString::fromUtf8(SizeReport::KiBText(packed.size(), unit)));
    QCOMPARE(p.label("LabelF3"),
             QString::fromUtf8(*SizeReport::RatioText(original.size(), packed.size())));

    p.press("ButtonList");
    QCOMPARE(p.status(), p.text(LangText::StatusDone));
    QVERIFY2(squeezed(p.shown()).contains(squeezed(sizesLine(original.size(), packed.size()))),
             qPrintable(p.shown()));
    p.press("ButtonTest");
    QCOMPARE(p.status(), p.text(LangText::StatusDone));
    QVERIFY2(p.shown().contains(QStringLiteral("[OK]")), qPrintable(p.shown()));

    p.press("ButtonUnPack");
    QVERIFY2(p.status() == p.text(LangText::StatusDone), qPrintable(p.shown()));
    QVERIFY(unpackedAsBefore(kind, readFileBytes(path), original));
    QCOMPARE(p.ctx.results.value(0).outcome, FileResults::Outcome::Unpacked);
    QCOMPARE(p.ctx.results.value(0).sizeBefore, quint64(packed.size()));
    // Nothing beside the file: the packer's temporary files are gone.
    QCOMPARE(NamesInFolder(p.work()), Names{name});
  }

  // The Windows options: each one, as the main window spells it, leaves the part it names as the
  // option says, seen in the packed file.
  void windowsOptions_data() {
    QTest::addColumn<SampleKind>("kind");
    QTest::addColumn<PackOptions>("o");
    QTest::addColumn<bool>("overlay");  // the input carries an overlay
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<Names>("kept");        // uncompressed in the packed file
    QTest::addColumn<Names>("compressed");  // not to be found there
    QTest::addColumn<bool>("relocations");  // the packed file keeps its relocation table
    const QByteArray res = SampleResourceText();
    const QByteArray exp = SampleExportName();
    const QByteArray ovl = SampleOverlay();
    const Names icons = SampleIconPixels();
    for (SampleKind kind : {SampleKind::Pe32, SampleKind::Pe64}) {
      const char* k = SampleKindName(kind);
      PackOptions o;
      auto row = [&](const char* name, bool overlay, int code, const Names& kept,
                     const Names& compressed, bool relocs) {
        QTest::addRow("%s %s", k, name)
            << kind << o << overlay << code << kept << compressed << relocs;
        o = PackOptions();
      };
      row("defaults", false, 0, {icons[0], icons[1]}, {res, exp, icons[2]}, false);
      row("overlay copied", true, 0, {ovl}, {}, false);
      o.OverlayGroup = 1;
      row("overlay stripped", true, 0, {}, {ovl}, false);
      o.OverlayGroup = 2;
      row("overlay skipped", true, 1, {}, {}, true);
      o.ExportsGroup = 0;
      row("exports kept", false, 0, {exp}, {res}, false);
      o.IconsGroup = 0;
      row("icons all kept", false, 0, icons, {}, false);
      o.IconsGroup = 1;
      row("icons first kept", false, 0, {icons[0]}, {icons[1], icons[2]}, false);
      o.ResourcesBox = true;
      row("resources kept", false, 0, {res}, {exp}, false);
      o.RelocationsGroup = 0;
      row("relocations kept", false, 0, {}, {}, true);
    }
  }
  void windowsOptions() {
    QFETCH(SampleKind, kind);
    QFETCH(PackOptions, o);
    QFETCH(bool, overlay);
    QFETCH(int, exitCode);
    QFETCH(Names, kept);
    QFETCH(Names, compressed);
    QFETCH(bool, relocations);
    Program p;
    const QByteArray path = p.work() + "prog.exe";
    QByteArray original = SampleProgram(kind);
    if (overlay) original += SampleOverlay();
    QVERIFY(writeFileRaw(path, original, 0755));
    p.select({path});
    p.setOptions(o);
    p.press("ButtonPack");
    QVERIFY2(p.last->outcome.exitCode == exitCode, qPrintable(p.shown()));
    // A program with an overlay that the options skip is one the packer does not handle so.
    QCOMPARE(FileResults::Word(p.ctx.results.value(0).outcome),
             exitCode ? "unsupported" : "packed");
    const QByteArray now = readFileBytes(path);
    QCOMPARE(now == original, exitCode != 0);
    for (const QByteArray& part : kept) QVERIFY2(now.contains(part), part.left(40).constData());
    for (const QByteArray& part : compressed)
      QVERIFY2(!now.contains(part), part.left(40).constData());
    QCOMPARE(PeDataDirectorySize(now, 5) > 0, relocations);
  }

  // Runs that fail, each with the packer's exit code, its message for the file on the console,
  // the file's outcome in the results and the status line's count; the file stays as it was.
  void failures_data() {
    QTest::addColumn<SampleKind>("kind");
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("outcome");
    for (SampleKind kind : AllSampleKinds()) {
      const char* k = SampleKindName(kind);
      auto row = [&](const char* name, const char* button, int code, const char* message,
                     const char* outcome) {
        QTest::addRow("%s %s", k, name) << kind << QByteArray(name) << QByteArray(button) << code
                                        << QString::fromLatin1(message) << QByteArray(outcome);
      };
      const bool pe = IsPe(kind);
      row("already packed", "ButtonPack", 2,
          pe ? "AlreadyPackedException: already packed by UPX" : "AlreadyPackedException",
          "already-packed");
      row("not packed", "ButtonUnPack", 2, "NotPackedException: not packed by UPX", "not-packed");
      row("not packed test", "ButtonTest", 2, "NotPackedException: not packed by UPX",
          "not-packed");
      row("write-protected", "ButtonPack", 1, "IOException: file is write protected -- skipped",
          "write-protected");
      // Cut short, a packed program whose packer's trailer is gone no longer counts as packed.
      const bool trailerGone = kind == SampleKind::ElfNoPie || kind == SampleKind::ElfStatic;
      for (const char* button : {"ButtonUnPack", "ButtonTest"})
        row(button == QByteArrayView("ButtonTest") ? "truncated packed test" : "truncated packed",
            button, trailerGone ? 2 : 1,
            trailerGone ? "NotPackedException: not packed by UPX"
            : pe        ? "CantUnpackException: header corrupted"
                        : "CantUnpackException: bad PT_LOAD",
            // A packed program the test finds damaged did not pass.
            trailerGone                              ? "not-packed"
            : button == QByteArrayView("ButtonTest") ? "failed"
                                                     : "unsupported");
      row("truncated program", "ButtonPack", 1,
          pe ? "EOFException: premature end of file" : "CantPackException: bad e_shoff",
          "unsupported");
    }
    QTest::addRow("text not a program")
        << SampleKind::ElfPie << QByteArray("not a program") << QByteArray("ButtonPack") << 1
        << "UnknownExecutableFormatException" << QByteArray("unsupported");
    QTest::addRow("random data") << SampleKind::ElfPie << QByteArray("incompressible")
                                 << QByteArray("ButtonPack") << 1 << "NotCompressibleException"
                                 << QByteArray("not-compressible");
  }
  void failures() {
    QFETCH(SampleKind, kind);
    QFETCH(QByteArray, setup);
    QFETCH(QByteArray, button);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(QByteArray, outcome);
    Program p;
    const QByteArray path = p.work() + SampleFileName(kind);
    QByteArray bytes = SampleProgram(kind);
    if (setup == "already packed" || setup.startsWith("truncated packed")) {
      // Packed by the packer itself first.
      QVERIFY(writeFileRaw(path, bytes, 0755));
      p.select({path});
      p.press("ButtonPack");
      QCOMPARE(p.status(), p.text(LangText::StatusDone));
      bytes = readFileBytes(path);
    }
    if (setup.startsWith("truncated")) bytes.truncate(bytes.size() * 2 / 3);
    if (setup == "not a program")
      bytes = QByteArray("This is a text, not a program.\n").repeated(200);
    if (setup == "incompressible") bytes = IncompressibleProgram(kind);
    QVERIFY(writeFileRaw(path, bytes, 0755));
    // Read-only for everyone: the packer refuses it even for root.
    if (setup == "write-protected") QCOMPARE(::chmod(path.constData(), 0555), 0);
    p.select({path});
    p.press(button.constData());
    QCOMPARE(p.last->outcome.exitCode, exitCode);
    static constexpr LangText counted[] = {LangText::ResultsPacked, LangText::ResultsUnpacked,
                                           LangText::ResultsTested};
    const int job = button == "ButtonPack" ? 0 : button == "ButtonUnPack" ? 1 : 2;
    // A test of a file the packer never packed says so, not that it failed.
    const LangText said =
        job == 2 && outcome == "not-packed" ? LangText::ResultsTestedNotPacked : counted[job];
    QCOMPARE(p.status(), p.ctx.state.langText(said, "0", "1").replace("%3", "1"));
    const QString line = QStringLiteral("upx: %1: %2").arg(QFile::decodeName(path), message);
    QVERIFY2(squeezed(p.shown()).contains(squeezed(line)), qPrintable(p.shown()));
    QCOMPARE(p.ctx.results.size(), 1);
    QCOMPARE(FileResults::Word(p.ctx.results[0].outcome), outcome);
    QVERIFY(QString::fromUtf8(p.ctx.results[0].message).startsWith(message));
    QCOMPARE(p.ctx.results[0].sizeAfter, quint64(bytes.size()));
    QCOMPARE(readFileBytes(path), bytes);
    QCOMPARE(NamesInFolder(p.work()), Names{SampleFileName(kind)});
  }

  // Stop while the packer writes: the packer dies, its unfinished temporary file goes, the input
  // is untouched and the status line says so; with several runs, Stop reaches every one. A file
  // packed before the stop is reported packed, the others stopped.
  void stopMidRun_data() {
    QTest::addColumn<int>("runs");
    QTest::newRow("one run") << 1;
    QTest::newRow("two runs") << 2;
  }
  void stopMidRun() {
    QFETCH(int, runs);
    Program p{quint32(runs)};
    Names files;
    // One run takes a small program first.
    const QByteArray quick = p.work() + "quick.bin";
    if (runs == 1) QVERIFY(WriteSample(SampleKind::ElfPie, quick));
    for (int i = 0; i < runs; ++i) {
      files << p.work() + "prog" + QByteArray::number(i) + ".bin";
      QVERIFY(WriteSample(SampleKind::ElfStatic, files.last()));
    }
    const QByteArray original = readFileBytes(files.first());
    p.select(runs == 1 ? Names{quick} + files : files);
    p.setOptions(options(1, false, false));  // --best: seconds for this program
    // Stop once every large program's packer has opened its temporary file, as a user stops a
    // slow run: by the large programs' own temporary names, which the quick one's cannot match
    // (in one run the large one's appears only once the quick one is packed).
    Names temporaries;
    for (qsizetype i = 0; i < files.size(); ++i)
      temporaries << "prog" + QByteArray::number(i) + ".upx";
    bool seen = false;
    p.press("ButtonPack", [&] {
      auto* poll = new QTimer(p.ctx.console);
      QObject::connect(poll, &QTimer::timeout, [&, poll] {
        const Names names = NamesInFolder(p.work());
        for (const QByteArray& t : std::as_const(temporaries))
          if (!names.contains(t)) return;
        seen = true;
        poll->deleteLater();
        p.ctx.console->stopRun();
      });
      poll->start(5);
    });
    QVERIFY(seen);
    QVERIFY(p.last->outcome.stoppedByUser);
    QCOMPARE(p.last->outcome.removed.size(), qsizetype(runs));
    QCOMPARE(p.status(), p.text(LangText::StatusStopped) + u' ' +
                             p.ctx.state.langText(LangText::StatusRemoved, QString::number(runs)));
    for (const QByteArray& f : files) QCOMPARE(readFileBytes(f), original);
    QCOMPARE(NamesInFolder(p.work()).size(), runs + (runs == 1));
    QByteArrayList outcomes;
    for (const FileResults::Row& r : std::as_const(p.ctx.results))
      outcomes << FileResults::Word(r.outcome);
    QCOMPARE(outcomes,
             (runs == 1 ? QByteArrayList{"packed", "stopped"} : QByteArrayList(runs, "stopped")));
  }

  // Every outcome in one job, with one run and with two at once sharing the files: each file's
  // row says what the packer did with it, and testing the same selection afterwards tells the
  // packed from the rest.
  void everyOutcomeInOneJob_data() {
    QTest::addColumn<quint32>("runs");
    QTest::newRow("one run") << 1u;
    QTest::newRow("two runs at once") << 2u;
  }
  void everyOutcomeInOneJob() {
    QFETCH(quint32, runs);
    Program p{runs};
    const QByteArray w = p.work();
    const QByteArray program = SampleProgram(SampleKind::ElfPie);
    QVERIFY(WriteSample(SampleKind::ElfPie, w + "done"));
    p.select({w + "done"});
    p.press("ButtonPack");
    const QByteArray packed = readFileBytes(w + "done");
    QVERIFY(writeFileRaw(w + "fresh", program, 0755));
    QVERIFY(writeFileRaw(w + "text", QByteArray("Not a program.\n").repeated(100), 0755));
    QVERIFY(writeFileRaw(w + "locked", program, 0555));
    QVERIFY(writeFileRaw(w + "random", IncompressibleProgram(SampleKind::ElfPie), 0755));
    QVERIFY(writeFileRaw(w + "cut", program.left(program.size() * 2 / 3), 0755));
    QVERIFY(writeFileRaw(w + "noexec", program, 0644));
    // Another name of "fresh" that the packer writes a file of its own for, and "fresh" itself
    // spelled another way, which goes to the packer once.
    QVERIFY(::link((w + "fresh").constData(), (w + "hard").constData()) == 0);
    const Names files{w + "fresh", w + "done", w + "text", w + "locked",  w + "random",
                      w + "cut",   w + "gone", w + "hard", w + "./fresh", w + "noexec"};
    p.select(files);
    p.press("ButtonPack");
    const auto outcomes = [&] {
      QByteArrayList words;
      for (const FileResults::Row& r : std::as_const(p.ctx.results))
        words << FileResults::Word(r.outcome);
      return words.join(' ');
    };
    QCOMPARE(outcomes(), QByteArray("packed already-packed unsupported write-protected "
                                    "not-compressible unsupported unreadable packed packed "
                                    "failed"));
    QCOMPARE(p.status(),
             p.ctx.state.langText(LangText::ResultsPacked, "3", "10").replace("%3", "7"));
    QCOMPARE(p.ctx.results[1].sizeBefore, quint64(packed.size()));
    QVERIFY(p.ctx.results[8].message.contains(w + "fresh"));
    // Each name of the hard-linked pair is a packed file of its own.
    struct stat a, b;
    QVERIFY(::stat((w + "fresh").constData(), &a) == 0 &&
            ::stat((w + "hard").constData(), &b) == 0);
    QVERIFY(a.st_ino != b.st_ino);
    QCOMPARE(p.ctx.results[7].sizeAfter, std::optional<quint64>(quint64(b.st_size)));
    p.press("ButtonTest");
    QCOMPARE(outcomes(), QByteArray("tested tested not-packed not-packed not-packed "
                                    "failed unreadable tested tested not-packed"));
    // Files the packer never packed are no failed tests.
    QCOMPARE(p.status(), p.ctx.state.langText(LangText::ResultsTestedBoth, "4", "10")
                             .replace("%3", "4")
                             .replace("%4", "2"));
  }

  // All: a packer run per method and filter, as many at once as there are cores, and the file
  // left is the smallest that passes the test: never larger than the packer's own --brute makes,
  // and byte for byte what the packer makes with the winning method and filter alone; for every
  // kind of program, in place, with a backup or as the output file. A refused file keeps the
  // refusal, and a stop leaves the file as it was. Nothing else is left.
  void allMethods_data() {
    QTest::addColumn<SampleKind>("kind");
    QTest::addColumn<QByteArray>("mode");
    for (SampleKind kind : AllSampleKinds())
      QTest::addRow("%s", SampleKindName(kind)) << kind << QByteArray("in place");
    QTest::newRow("static, backup") << SampleKind::ElfStatic << QByteArray("backup");
    QTest::newRow("pe32, output file") << SampleKind::Pe32 << QByteArray("output");
    QTest::newRow("pe64, hostile name") << SampleKind::Pe64 << QByteArray("hostile");
    QTest::newRow("pie, packed already") << SampleKind::ElfPie << QByteArray("packed");
    QTest::newRow("static, stopped") << SampleKind::ElfStatic << QByteArray("stop");
  }
  void allMethods() {
    QFETCH(SampleKind, kind);
    QFETCH(QByteArray, mode);
    Program p;
    const QByteArray name =
        (mode == "hostile" ? QByteArray("-x \"q\"\n\xff\x1b[2J ") : QByteArray()) +
        SampleFileName(kind);
    const QByteArray path = p.work() + name;
    // (The packer's bytes do not depend on the name.)
    const QByteArray reference = p.dir.path() + SampleFileName(kind);
    QVERIFY(WriteSample(kind, path));
    if (mode == "packed") QVERIFY(RealPacker::Run({"-q", path}) == 0);
    const QByteArray original = readFileBytes(path);
    QVERIFY(writeFileRaw(reference, original, 0755));
    QVERIFY(writeFileRaw(reference + ".orig", original, 0755));
    const int refused = RealPacker::Run({"-q", "--brute", reference});
    PackOptions o;
    o.CheckBoxTryMulti = true;
    o.RadioButton_nrv2b = false;
    o.RadioButton_all = true;
    o.BackupBox = mode == "backup";
    o.OutFileBox = mode == "output";
    p.setOptions(o);
    p.select({path});
    if (o.OutFileBox) p.ctx.FormMain->setOutFileBytes(p.work() + "out.exe");

    bool stopped = false;
    p.press("ButtonPack", [&] {
      if (mode != "stop") return;
      // Stopped once the trials write their outputs.
      auto* poll = new QTimer(p.ctx.console);
      QObject::connect(poll, &QTimer::timeout, [&, poll] {
        if (NamesInFolder(p.work()).size() < 3) return;
        stopped = true;
        poll->deleteLater();
        p.ctx.console->stopRun();
      });
      poll->start(5);
    });
    const FileResults::Row row = p.ctx.results.value(0);
    // A run per method and filter of the program's format, and the test of the one kept.
    const std::optional<QList<int>> filters = MethodTrials::FiltersOf(original);
    QVERIFY(filters);
    if (mode != "stop")
      QCOMPARE(p.last->outcome.runSignals.size(),
               qsizetype(4 * filters->size() + (mode == "packed" ? 0 : 1)));
    const int cores = qMin(QThread::idealThreadCount(), 4);
    QCOMPARE(p.ctx.console->window()->panes().size(), qsizetype(cores > 1 ? cores : 0));
    Names left{name};
    if (mode == "stop" || mode == "packed") {
      QVERIFY(stopped || refused != 0);
      QCOMPARE(FileResults::Word(row.outcome), mode == "stop" ? "stopped" : "already-packed");
      QCOMPARE(readFileBytes(path), original);
    } else {
      QVERIFY2(row.outcome == FileResults::Outcome::Packed, row.message.constData());
      const QByteArray packed = readFileBytes(mode == "output" ? p.work() + "out.exe" : path);
      QVERIFY(packed.size() <= readFileBytes(reference).size());
      const QRegularExpressionMatch won =
          QRegularExpression(QStringLiteral("^(nrv2b|nrv2d|nrv2e|lzma)( with filter 0x(\\w+))? "))
              .match(QString::fromUtf8(row.message));
      QVERIFY2(won.hasMatch(), row.message.constData());
      const QByteArray alone = p.dir.path() + "alone";
      QCOMPARE(RealPacker::Run(
                   {"-q", "--best", "--crp-ucl-ms=999999", "--" + won.captured(1).toUtf8(),
                    won.captured(3).isEmpty()
                        ? QByteArray("--no-filter")
                        : "--filter=" + QByteArray::number(won.captured(3).toInt(nullptr, 16)),
                    "-o", alone, reference + ".orig"}),
               0);
      QCOMPARE(packed, readFileBytes(alone));
      QCOMPARE(p.status(), QString::fromUtf8(row.message));
      if (mode == "output") {
        QCOMPARE(readFileBytes(path), original);
        left << "out.exe";
      }
      if (mode == "backup") {
        QCOMPARE(readFileBytes(path + ".~"), original);
        left << name + ".~";
      }
    }
    std::sort(left.begin(), left.end());
    QCOMPARE(NamesInFolder(p.work()), left);
  }

  // A folder of programs of every kind, with files that are not programs beside them: the search
  // finds exactly the programs, and the packer takes every one of them, in one run or in several
  // at once; unpacked they come back.
  void folderOfPrograms_data() {
    QTest::addColumn<int>("runs");
    QTest::newRow("one run") << 1;
    QTest::newRow("three runs") << 3;
  }
  void folderOfPrograms() {
    QFETCH(int, runs);
    Program p{quint32(runs)};
    const QByteArray folder = p.work() + "downloads";
    QVERIFY(MakeFoldersRaw(folder + "/deeper"));
    QHash<QByteArray, QByteArray> originals;
    QHash<QByteArray, SampleKind> kinds;
    for (SampleKind kind : AllSampleKinds()) {
      const QByteArray path = folder + (IsPe(kind) ? "/deeper/" : "/") + SampleKindName(kind) +
                              (IsPe(kind) ? ".exe" : "");
      QVERIFY(WriteSample(kind, path));
      originals.insert(path, readFileBytes(path));
      kinds.insert(path, kind);
    }
    QVERIFY(writeFileRaw(folder + "/readme.txt", "Not a program.\n"));
    QVERIFY(writeFileRaw(folder + "/deeper/run.sh", "#!/bin/sh\necho hi\n"));
    const ExecutableScan::Result found = ExecutableScan::Expand({folder});
    Names expected = originals.keys();
    std::sort(expected.begin(), expected.end());
    Names files = found.files;
    std::sort(files.begin(), files.end());
    QCOMPARE(files, expected);

    p.select(found.files);
    p.press("ButtonPack");
    QVERIFY2(p.status() == p.text(LangText::StatusDone), qPrintable(p.shown()));
    quint64 before = 0, after = 0;
    for (const QByteArray& f : found.files) {
      before += quint64(originals[f].size());
      after += quint64(readFileBytes(f).size());
      QVERIFY2(readFileBytes(f) != originals[f], f.constData());
    }
    const QByteArray unit = p.ctx.state.langBytes(LangText::UnitKiBTotal);
    QCOMPARE(p.label("LabelF1"), QString::fromUtf8(SizeReport::KiBText(before, unit)));
    QCOMPARE(p.label("LabelF2"), QString::fromUtf8(SizeReport::KiBText(after, unit)));
    QCOMPARE(p.ctx.console->window()->panes().size(), qsizetype(runs > 1 ? runs : 0));

    p.press("ButtonUnPack");
    QVERIFY2(p.status() == p.text(LangText::StatusDone), qPrintable(p.shown()));
    for (const QByteArray& f : found.files)
      QVERIFY2(unpackedAsBefore(kinds[f], readFileBytes(f), originals[f]), f.constData());
  }
};

QTEST_MAIN(TestRealPacker)
#include "test_realpacker.moc"
