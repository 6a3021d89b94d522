// SPDX-License-Identifier: GPL-3.0-or-later
// Folders as input in the main window, end to end: drops as a file manager sends them (names
// percent-encoded byte for byte) of hostile trees, the file box's figures, packing what a folder
// held through the stand-in packer and the size report over it, folders without anything
// packable, the newest drop winning over a search still running, a search that ends during a
// run, and a selection of thousands of names.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>

#include "core/jobs/JobEngine.h"
#include "core/packer/FileResults.h"
#include "gui/console/ConsoleSession.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"
#include "support/MainWindowTest.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

using Names = QList<QByteArray>;

// The shared main window in English, consoles closed after every run; trees are made in a
// folder of their own.
struct Env : MainWindowTest {
  TemporaryDir trees;
  Env() : MainWindowTest([](AppContext& ctx) { ctx.state.opt.GlobalOpt_CloseCon = 2; }) {}
  QString box() const { return ui().get<QLineEdit>("EditFileName")->text(); }
  QString label(const char* name) const { return ui().get<QLabel>(name)->text(); }
  bool packEnabled() const { return ui().get<QPushButton>("ButtonPack")->isEnabled(); }
  QByteArray treesPath() const { return QFile::encodeName(trees.path()); }
  // A folder of its own below the trees' folder, holding the given files (name, contents).
  QByteArray folder(const QByteArray& name,
                    const QList<std::pair<QByteArray, QByteArray>>& files = {}) const {
    const QByteArray path = treesPath() + '/' + name;
    if (::mkdir(path.constData(), 0755) != 0) qFatal("cannot make a folder");
    for (const auto& [file, bytes] : files)
      if (!writeFileRaw(path + '/' + file, bytes)) qFatal("cannot write a file");
    return path;
  }
};

// A drop as a file manager sends it: a URI list, every name's bytes percent-encoded.
bool sendUriDrop(QWidget* w, const Names& paths) {
  QByteArray list;
  for (const QByteArray& p : paths) list += "file://" + p.toPercentEncoding("/") + "\r\n";
  QMimeData mime;
  mime.setData(QStringLiteral("text/uri-list"), list);
  return SendDrop(w, mime);
}

const QByteArray kElf = QByteArray(
                            "\x7f"
                            "ELF\x02\x01\x01") +
                        QByteArray(5000, 'e');

}  // namespace

class TestFolders : public QObject {
  Q_OBJECT
 private slots:
  // A hostile tree dropped alone or beside a file: exactly its executables are selected, the box
  // gives the figures, and with the pack preference every file reaches the packer as one
  // argument, byte for byte; the size report then covers all of them. The tree's executables
  // hold 30000, 20000, 25000 and 12000 bytes, the file 9000; the stand-in packs each into 512.
  void folderDropSelectsExactlyTheExecutables_data() {
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<int>("dragOp");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("figures");  // the labels F1 to F3 (only F1 before a run)
    QTest::addColumn<quint64>("before");
    QTest::addColumn<quint64>("after");
    QTest::newRow("folder alone") << false << 0 << "Files: 4 (folders: 1)"
                                  << QStringList{"84 KB in total"} << quint64(0) << quint64(0);
    QTest::newRow("folder and a file") << true << 0 << "Files: 5 (folders: 1, files given: 1)"
                                       << QStringList{"93 KB in total"} << quint64(0) << quint64(0);
    QTest::newRow("folder alone, packed")
        << false << 1 << "Files: 4 (folders: 1)"
        << QStringList{"84 KB in total", "2 KB in total", "2 %"} << quint64(87000) << quint64(2048);
    QTest::newRow("file and folder, packed")
        << true << 1 << "Files: 5 (folders: 1, files given: 1)"
        << QStringList{"93 KB in total", "2 KB in total", "3 %"} << quint64(96000) << quint64(2560);
  }
  void folderDropSelectsExactlyTheExecutables() {
    QFETCH(bool, withFile);
    QFETCH(int, dragOp);
    QFETCH(QString, shown);
    QFETCH(QStringList, figures);
    QFETCH(quint64, before);
    QFETCH(quint64, after);
    Env e;
    e.ctx.state.opt.GlobalOpt_DragOp = dragOp;
    ExecutableTree tree;
    QVERIFY(MakeExecutableTree(e.treesPath(), "Dro\"p d\xff\xfe'\x1b", tree));
    Names dropped{tree.root}, expected = tree.executables;
    if (withFile) {
      const QByteArray given = e.dir.makeFile("given file.exe", 9000);
      dropped.prepend(given);
      expected.prepend(given);
    }
    QVERIFY(sendUriDrop(e.w(), dropped));
    QTRY_COMPARE(e.ctx.state.FileList, expected);
    QCOMPARE(e.box(), shown);
    QVERIFY(Prompts::Test().messages.isEmpty());
    if (dragOp == 0) {
      QVERIFY(e.packEnabled());
      QVERIFY(e.runs().isEmpty());
      QCOMPARE(e.label("LabelF1"), figures[0]);
      return;
    }
    AwaitJob(e.ctx.jobs, {});  // the job the drop started, if it still runs
    QTRY_COMPARE(e.runs().size(), 1);
    QCOMPARE(e.runs()[0], Names{"-7"} + expected);
    QCOMPARE(e.status(), e.ctx.state.langText(LangText::StatusDone));
    QCOMPARE(e.uncompressedTotal(), before);
    QCOMPARE(e.compressedTotal(), after);
    QCOMPARE((QStringList{e.label("LabelF1"), e.label("LabelF2"), e.label("LabelF3")}), figures);
    // The box still tells the figures after the run.
    QCOMPARE(e.box(), shown);
  }

  // Folders without anything packable are named in a message, escaped where their names hold
  // bytes that are not UTF-8 or controls; when nothing at all was found the selection, its box
  // and the status line stay as they were and no job runs.
  void foldersWithoutExecutables_data() {
    QTest::addColumn<QList<int>>("kinds");  // 0 nothing packable, 1 empty, 2 executables
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("selected");
    const QString none =
        QStringLiteral("No executable that the packer handles (ELF, PE, Mach-O) was found in:\n");
    const QString unchanged = QStringLiteral("\nThe selection is unchanged.");
    QTest::newRow("text, links, a pipe")
        << QList<int>{0} << none + "@/Le\\xFF\\xFE \"dir\"\\x1B[2J 0" + unchanged << false;
    QTest::newRow("empty") << QList<int>{1} << none + "@/Le\\xFF\\xFE \"dir\"\\x1B[2J 1" + unchanged
                           << false;
    QTest::newRow("two, both named")
        << QList<int>{1, 0}
        << none + "@/Le\\xFF\\xFE \"dir\"\\x1B[2J 1\n@/Le\\xFF\\xFE \"dir\"\\x1B[2J 0" + unchanged
        << false;
    QTest::newRow("one empty beside one with executables")
        << QList<int>{2, 1} << none + "@/Le\\xFF\\xFE \"dir\"\\x1B[2J 1" << true;
    // Twenty are named, the rest counted.
    QString twenty;
    for (int i = 0; i < 20; ++i)
      twenty += "@/Le\\xFF\\xFE \"dir\"\\x1B[2J 1" + QString(i, '+') + '\n';
    QTest::newRow("21 empty") << QList<int>(21, 1) << none + twenty + "(+1)" + unchanged << false;
  }
  void foldersWithoutExecutables() {
    QFETCH(QList<int>, kinds);
    QFETCH(QString, message);
    QFETCH(bool, selected);
    Env e;
    e.ctx.state.opt.GlobalOpt_DragOp = 1;
    const QByteArray before = e.dir.makeFile("chosen before.exe", 4096);
    e.select({before});
    e.w()->showExitStatus(QStringLiteral("Done"));
    Names folders, executables;
    for (int i = 0; i < kinds.size(); ++i) {
      // Kinds met before get a "+" each, so that every name is a folder of its own.
      const QByteArray name = "Le\xff\xfe \"dir\"\x1b[2J " + QByteArray::number(kinds[i]) +
                              QByteArray(kinds.mid(0, i).count(kinds[i]), '+');
      if (kinds[i] == 2) {
        ExecutableTree tree;
        QVERIFY(MakeExecutableTree(e.treesPath(), name, tree));
        folders << tree.root;
        executables << tree.executables;
        continue;
      }
      const QByteArray f = e.folder(name);
      if (kinds[i] == 0) {
        QVERIFY(writeFileRaw(f + "/notes.txt", "text"));
        QVERIFY(writeFileRaw(f + "/script", "#!/bin/sh\n"));
        QVERIFY(::mkfifo((f + "/pipe").constData(), 0644) == 0);
        QVERIFY(::symlink("/bin/true", (f + "/link-out").constData()) == 0);
        QVERIFY(::symlink("/nonexistent", (f + "/dangling").constData()) == 0);
      }
      folders << f;
    }
    QVERIFY(sendUriDrop(e.w(), folders));
    QTRY_COMPARE(Prompts::Test().messages.size(), 1);
    const Prompts::MessageRecord m = Prompts::Test().messages[0];
    QCOMPARE(m.icon, Prompts::Icon::Warning);
    // Line breaks in a language file are CR LF.
    QCOMPARE(QString(m.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
             QString(message).replace(QLatin1Char('@'), QFile::decodeName(e.treesPath())));
    QVERIFY(!m.text.contains(QChar(0x1b)));
    QTRY_VERIFY(SelectionKnown(e.w()));
    if (selected) {
      QCOMPARE(e.ctx.state.FileList, executables);
      QTRY_COMPARE(e.runs().size(), 1);
      return;
    }
    QCOMPARE(e.ctx.state.FileList, Names{before});
    QCOMPARE(e.box(), QFile::decodeName(before));
    QCOMPARE(e.status(), QStringLiteral("Done"));
    QVERIFY(e.packEnabled());
    QVERIFY(e.runs().isEmpty());
  }

  // While a search runs the selection is not known: its buttons wait and the status line says
  // why. A newer drop replaces the search; files alone replace it at once; no late result of a
  // replaced search changes the selection afterwards.
  void newestDropWins() {
    Env e;
    const QByteArray a = e.dir.makeFile("a.exe", 4096);
    const QByteArray b = e.dir.makeFile("b.exe", 4096);
    e.select({a});
    e.w()->showExitStatus(QStringLiteral("Done"));
    ExecutableTree first, second;
    QVERIFY(MakeExecutableTree(e.treesPath(), "first", first));
    QVERIFY(MakeExecutableTree(e.treesPath(), "second", second));

    e.w()->WMDropFiles({first.root});
    QVERIFY(!SelectionKnown(e.w()));
    QCOMPARE(e.ctx.state.FileList, Names{a});
    for (const char* button :
         {"ButtonPack", "ButtonUnPack", "ButtonPackE", "ButtonUnPackE", "ButtonTest", "ButtonList"})
      QVERIFY2(!e.ui().get<QPushButton>(button)->isEnabled(), button);
    QVERIFY(e.ui().get<QPushButton>("ButtonShowUPXVer")->isEnabled());
    QCOMPARE(e.status(), QStringLiteral("Searching the folders for executables..."));

    e.w()->WMDropFiles({second.root});
    QTRY_VERIFY(SelectionKnown(e.w()));
    QCOMPARE(e.ctx.state.FileList, second.executables);
    QCOMPARE(e.status(), QStringLiteral("Done"));
    QVERIFY(e.packEnabled() && e.ui().get<QPushButton>("ButtonTest")->isEnabled());
    QTest::qWait(200);
    QCOMPARE(e.ctx.state.FileList, second.executables);

    e.w()->WMDropFiles({first.root});
    e.w()->WMDropFiles({b});
    QVERIFY(SelectionKnown(e.w()));
    QCOMPARE(e.ctx.state.FileList, Names{b});
    QCOMPARE(e.box(), QFile::decodeName(b));
    QVERIFY(e.packEnabled());
    QTest::qWait(200);
    QCOMPARE(e.ctx.state.FileList, Names{b});
    QVERIFY(Prompts::Test().messages.isEmpty());
  }

  // A search that ends while the packer runs (an information command, which stays enabled)
  // changes nothing under the run; its selection is taken when the run is over.
  void searchEndingDuringARun() {
    Env e;
    const QByteArray a = e.dir.makeFile("a.exe", 4096);
    e.select({a});
    ExecutableTree tree;
    QVERIFY(MakeExecutableTree(e.treesPath(), "tree", tree));
    Names duringRun;
    QObject::connect(e.ctx.engine, &JobEngine::finished, e.w(),
                     [&] { duringRun = e.ctx.state.FileList; });
    EnvGuard slow{{"PACKHELM_STANDIN_SLEEP_MS", "700"}};
    e.w()->WMDropFiles({tree.root});
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonShowUPXVer")->click(); }));
    QCOMPARE(duringRun, Names{a});
    QTRY_COMPARE(e.ctx.state.FileList, tree.executables);
    QCOMPARE(e.box(), QStringLiteral("Files: 4 (folders: 1)"));
    QVERIFY(e.packEnabled());
  }

  // Thousands of names given directly: the box shows their beginning, not all of them.
  void thousandsOfNamesKeepTheBoxSmall() {
    Env e;
    Names many;
    for (int i = 0; i < 10000; ++i) many << "/nowhere/file number " + QByteArray::number(i);
    e.select(many);
    QVERIFY(e.box().startsWith(QStringLiteral(" \"/nowhere/file number 0\" \"/nowhere/file")));
    QVERIFY2(e.box().size() < 2100, qPrintable(QString::number(e.box().size())));
    QVERIFY(e.box().endsWith(QChar(0x2026)));
    // Their total is searched beside the event loop: the window does not wait for it.
    QCOMPARE(e.label("LabelF1"), QStringLiteral("\u2026"));
    QTRY_COMPARE(e.label("LabelF1"), QStringLiteral("0 KB in total"));
  }

  // What the search cannot read (here folders nested deeper than a path can name, which not even
  // root opens) is counted in words that agree with the count and named, a long name cut in the
  // middle, and comes back as a row of the next job with the system's reason; the rest is
  // selected.
  void unreadableEntriesAreNamed_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("said");
    QTest::newRow("one") << 1 << "1 entry could not be read and was left out:";
    QTest::newRow("two") << 2 << "2 entries could not be read and were left out:";
  }
  void unreadableEntriesAreNamed() {
    QFETCH(int, count);
    QFETCH(QString, said);
    Env e;
    const QByteArray f = e.folder("deep", {{"tool", kElf}});
    const QByteArray level(200, 'd');
    QList<QList<int>> chains;
    // Removed from the bottom up at the end: no path reaches the deepest folders.
    const auto removeDeep = qScopeGuard([&] {
      for (const QList<int>& fds : std::as_const(chains))
        for (qsizetype i = fds.size() - 1; i >= 0; --i) {
          if (i + 1 < fds.size()) ::unlinkat(fds[i], level.constData(), AT_REMOVEDIR);
          ::close(fds[i]);
        }
    });
    for (int c = 0; c < count; ++c) {
      const QByteArray top = f + "/chain" + QByteArray::number(c);
      QCOMPARE(::mkdir(top.constData(), 0755), 0);
      chains.append(QList<int>{::open(top.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)});
      QList<int>& fds = chains.last();
      for (int i = 0; i < 22 && fds.last() >= 0; ++i) {  // 22 x 201 bytes: past a path's 4096
        QCOMPARE(::mkdirat(fds.last(), level.constData(), 0755), 0);
        fds << ::openat(fds.last(), level.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      }
      QVERIFY(fds.last() >= 0);
    }
    QVERIFY(sendUriDrop(e.w(), {f}));
    QTRY_COMPARE(e.ctx.state.FileList, Names{f + "/tool"});
    QCOMPARE(Prompts::Test().messages.size(), 1);
    const QString text = Prompts::Test().messages[0].text;
    const QString first = said + QStringLiteral("\r\n") +
                          QFile::decodeName(f + "/chain0/" + level).left(70) +
                          QStringLiteral(" \u2026 ");
    QVERIFY2(text.startsWith(first) && text.endsWith(QString(70, u'd')), qPrintable(text));
    QVERIFY2(text.size() < 200 * count, qPrintable(text));
    // A job reports them after the files it handled, with the reason each was left out.
    QVERIFY(e.press("ButtonPack"));
    QCOMPARE(e.ctx.results.size(), 1 + count);
    for (int c = 0; c < count; ++c) {
      const FileResults::Row& row = e.ctx.results[1 + c];
      QCOMPARE(row.outcome, FileResults::Outcome::Unreadable);
      QVERIFY(row.file.startsWith(f + "/chain" + QByteArray::number(c) + '/' + level));
      QCOMPARE(row.message, QByteArray("File name too long"));
    }
  }

  // Every name the user selected gets one row. Names of one file by its path (spelled another way,
  // a symbolic link to it) reach the packer once and say so; hard links are names of their own,
  // each packed into a file of its own. The totals count each file once. Names as dropped:
  // "@" is the folder, "prog" a program of 30000 bytes in it.
  void everyNameGetsItsRow_data() {
    QTest::addColumn<Names>("dropped");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<Names>("packed");  // what the packer is given
    QTest::addColumn<quint64>("before");
    QTest::newRow("hard links in a folder")
        << Names{"@"} << QStringLiteral("Files: 3 (folders: 1)")
        << Names{"@/hard 1", "@/hard 2", "@/prog"} << quint64(90000);
    QTest::newRow("one file named four ways")
        << Names{"@/prog", "@/./prog", "@/../linked/prog", "@/soft"} << QString() << Names{"@/prog"}
        << quint64(30000);
    // The link goes to the packer by the file's own name (the packer leaves links alone).
    QTest::newRow("a symbolic link first, and a hard link")
        << Names{"@/soft", "@/hard 1", "@/prog"} << QString() << Names{"@/hard 1", "@/prog"}
        << quint64(60000);
  }
  void everyNameGetsItsRow() {
    QFETCH(Names, dropped);
    QFETCH(QString, shown);
    QFETCH(Names, packed);
    QFETCH(quint64, before);
    Env e;
    const QByteArray f = e.folder("names", {{"prog", QByteArray(kElf).leftJustified(30000, 'x')}});
    QVERIFY(::link((f + "/prog").constData(), (f + "/hard 1").constData()) == 0);
    QVERIFY(::link((f + "/prog").constData(), (f + "/hard 2").constData()) == 0);
    QVERIFY(::symlink("prog", (f + "/soft").constData()) == 0);
    QVERIFY(::symlink("names", (e.treesPath() + "/linked").constData()) == 0);
    const auto at = [&f](Names names) {
      for (QByteArray& n : names) n.replace('@', f);
      return names;
    };
    if (shown.isEmpty()) {
      e.select(at(dropped));
    } else {
      QVERIFY(sendUriDrop(e.w(), at(dropped)));
      QTRY_COMPARE(e.box(), shown);
    }
    const Names selected = e.ctx.state.FileList;
    QVERIFY(e.press("ButtonPack"));
    QCOMPARE(e.runs().value(0), Names{"-7"} + at(packed));
    QCOMPARE(e.ctx.results.size(), selected.size());
    const Names packedNames = at(packed);
    for (qsizetype i = 0; i < selected.size(); ++i) {
      const FileResults::Row& r = e.ctx.results[i];
      QCOMPARE(r.file, selected[i]);
      QCOMPARE(r.outcome, FileResults::Outcome::Packed);
      QCOMPARE(r.sizeBefore, std::optional<quint64>(30000));
      // A name handed over whole says nothing of its own; another name of it says which it is.
      QCOMPARE(r.message.contains(" once"), !packedNames.contains(r.file));
    }
    QCOMPARE(e.uncompressedTotal(), before);
    QCOMPARE(e.compressedTotal(), quint64(512) * quint64(packed.size()));
    QCOMPARE(e.status(), e.ctx.state.langText(LangText::StatusDone));
  }

  // A single file found in a folder is packed in place or to the output name, as a single file
  // chosen directly is; the box gives the figures, which read right for one.
  void oneFileFromAFolder() {
    Env e;
    const QByteArray f = e.folder("one", {{"tool", kElf}, {"readme", "text"}});
    QVERIFY(sendUriDrop(e.w(), {f}));
    QTRY_COMPARE(e.ctx.state.FileList, Names{f + "/tool"});
    QCOMPARE(e.box(), QStringLiteral("Files: 1 (folders: 1)"));
    QVERIFY(e.ui().get<QLineEdit>("EditOutFile")->text() == QFile::decodeName(f + "/tool"));
    QVERIFY(e.press("ButtonPack"));
    QCOMPARE(e.runs().value(0), (Names{"-7", f + "/tool"}));
  }
};

QTEST_MAIN(TestFolders)
#include "test_folders.moc"
