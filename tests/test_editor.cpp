// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line editor: the history rule, the text round trip, and the dialog end to end with
// the main window's jobs running the stand-in packer (its argument log shows what it received).

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "core/packer/CommandHistory.h"
#include "core/settings/ProgramCommands.h"
#include "gui/dialogs/TFormEditExec.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"
#include "support/MainWindowTest.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

using Lines = QList<QByteArray>;

// A program folder with the stand-in packer, the windows over it (hidden, without a language),
// and one selected file.
struct Fixture : MainWindowTest {
  QByteArray input;

  explicit Fixture(const QByteArray& inputName = "prog.bin")
      : MainWindowTest(
            [](AppContext& ctx) {
              ctx.state.LangTexts[2] = "done: 0";
              ctx.state.LangTexts[3] = "done: 1";
              ctx.state.LangTexts[4] = "done: 2";
              ctx.state.LangTexts[5] = "cannot start the packer";
              ctx.state.LangTexts[6] = "Error";
              ctx.state.LangTexts[40] = "Edit the command line";
            },
            WindowSetup{.languages = false, .english = false, .show = false}) {
    input = dir.makeFile(inputName, 64 * 1024);
    select({input});
  }
  QAbstractButton* mainButton(const char* name) const {
    return ctx.FormMain->findChild<QAbstractButton*>(QString::fromLatin1(name));
  }
  QByteArray builtPack() const {
    return CommandLine::GetCmdPack(ctx.FormMain->packOptions(), ctx.state);
  }
  QByteArray builtUnpack() const {
    return CommandLine::GetCmdUnPack(ctx.FormMain->packOptions(), ctx.state);
  }
  // Every run of the packer: its arguments, in order.
  QList<Lines> packerRuns() const { return PackerRuns(dir.argLogPath()); }
};

// What the test saw in the dialog while it was open.
struct Seen {
  bool found = false;
  QString title;
  QString button1;
  QString text;
  QStringList items;
  bool button1Focused = false;
};

// Opens the editor as the user does (the main window's edit button for that direction), answers
// it with `act` once it shows, and returns when the job it started, if any, has ended.
Seen RunEditor(Fixture& f, int mode, const std::function<void(TFormEditExec*)>& act) {
  Seen seen;
  bool answered = false;
  QTimer::singleShot(0, [&] {
    answered = true;
    QWidget* modal = QApplication::activeModalWidget();
    auto* d = qobject_cast<TFormEditExec*>(modal);
    if (!d) {
      if (modal) modal->close();  // something else is open: do not hang
      return;
    }
    seen.found = true;
    seen.title = d->windowTitle();
    seen.button1 = d->findChild<QAbstractButton*>(QStringLiteral("Button1"))->text();
    auto* combo = d->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
    seen.text = combo->currentText();
    for (int i = 0; i < combo->count(); ++i) seen.items << combo->itemText(i);
    seen.button1Focused = d->focusWidget() == d->findChild<QWidget*>(QStringLiteral("Button1"));
    act(d);
  });
  AwaitJob(f.ctx.jobs, [&] {
    f.mainButton(mode == 0 ? "ButtonPackE" : "ButtonUnPackE")->click();
    QVERIFY(QTest::qWaitFor([&answered] { return answered; }));
  });
  return seen;
}

QComboBox* Combo(TFormEditExec* d) {
  return d->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
}
void Press(TFormEditExec* d, const char* name) {
  QTest::mouseClick(d->findChild<QAbstractButton*>(QString::fromLatin1(name)), Qt::LeftButton);
}
void Type(TFormEditExec* d, const QString& text) {
  QLineEdit* edit = Combo(d)->lineEdit();
  edit->clear();
  QTest::keyClicks(edit, text);
}

QStringList TextsOf(const Lines& lines) {
  QStringList r;
  for (const QByteArray& l : lines) r << CommandText::ToText(l);
  return r;
}

}  // namespace

class TestEditor : public QObject {
  Q_OBJECT
 private slots:
  // --- the history rule, without windows ---
  void historyAdd_data() {
    QTest::addColumn<Lines>("before");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<quint32>("max");
    QTest::addColumn<Lines>("after");
    QTest::newRow("into empty") << Lines{} << QByteArray("a") << 10u << Lines{"a"};
    QTest::newRow("new on top") << Lines{"b", "c"} << QByteArray("a") << 10u
                                << Lines{"a", "b", "c"};
    QTest::newRow("known moves to top once")
        << Lines{"a", "b", "c"} << QByteArray("c") << 10u << Lines{"c", "a", "b"};
    QTest::newRow("only the first copy goes")
        << Lines{"a", "c", "b", "c"} << QByteArray("c") << 10u << Lines{"c", "a", "b", "c"};
    QTest::newRow("case differs") << Lines{"upx -9 A"} << QByteArray("upx -9 a") << 10u
                                  << Lines{"upx -9 a", "upx -9 A"};
    QTest::newRow("blanks differ")
        << Lines{"upx  -9 a"} << QByteArray("upx -9 a") << 10u << Lines{"upx -9 a", "upx  -9 a"};
    QTest::newRow("blanks only is a text")
        << Lines{"a"} << QByteArray("   ") << 10u << Lines{"   ", "a"};
    QTest::newRow("empty changes nothing")
        << Lines{"a", "b"} << QByteArray() << 1u << Lines{"a", "b"};
    QTest::newRow("max 1") << Lines{"a"} << QByteArray("b") << 1u << Lines{"b"};
    Lines twenty;
    for (int i = 0; i < 20; ++i) twenty << "old " + QByteArray::number(i);
    QTest::newRow("20 cut to 5") << twenty << QByteArray("new") << 5u
                                 << Lines{"new", "old 0", "old 1", "old 2", "old 3"};
    QTest::newRow("full list, known text")
        << Lines{"a", "b", "c"} << QByteArray("b") << 3u << Lines{"b", "a", "c"};
  }
  void historyAdd() {
    QFETCH(Lines, before);
    QFETCH(QByteArray, text);
    QFETCH(quint32, max);
    QFETCH(Lines, after);
    CommandHistory::Add(before, text, max);
    QCOMPARE(before, after);
  }

  void textRoundTrip_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("validUtf8");
    QTest::newRow("ascii") << QByteArray("/opt/upx/upx -9 \"a b.exe\"") << true;
    QTest::newRow("utf-8") << QByteArray("upx \xd1\x84\xd0\xb0\xd0\xb9\xd0\xbb.exe") << true;
    QTest::newRow("4-byte utf-8") << QByteArray("upx \xf0\x9f\x98\x80.exe") << true;
    QTest::newRow("latin-1 byte") << QByteArray("upx caf\xe9.exe") << false;
    QTest::newRow("lone ff") << QByteArray("upx \xff") << false;
    QTest::newRow("truncated sequence") << QByteArray("upx \xd1") << false;
    QTest::newRow("encoded surrogate") << QByteArray("upx \xed\xb2\x80x") << false;
    QTest::newRow("overlong slash") << QByteArray("upx \xc0\xaf") << false;
    QTest::newRow("empty") << QByteArray() << true;
  }
  void textRoundTrip() {
    QFETCH(QByteArray, line);
    QFETCH(bool, validUtf8);
    const QString text = CommandText::ToText(line);
    QCOMPARE(CommandText::FromText(text), line);
    if (validUtf8) QCOMPARE(text, QString::fromUtf8(line));
    // What the user types is ordinary UTF-8.
    QCOMPARE(CommandText::FromText(QStringLiteral("Grüße \U0001F600")),
             QStringLiteral("Grüße \U0001F600").toUtf8());
  }

  // --- the dialog ---
  void dialogShape() {
    Fixture f;
    TFormEditExec* d = f.ctx.formEditExec();
    QCOMPARE(d->objectName(), QStringLiteral("FormEditExec"));
    auto* combo = d->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
    QVERIFY(combo && combo->isEditable());
    auto* b1 = d->findChild<QAbstractButton*>(QStringLiteral("Button1"));
    auto* cancel = d->findChild<QAbstractButton*>(QStringLiteral("ButtonCancel"));
    QVERIFY(b1 && cancel);
    QVERIFY(d->width() >= 641 && d->height() >= 57);
    // Designed places, or further down and wider where the style needs room.
    QCOMPARE(cancel->geometry().right(), d->width() - 9);
    QVERIFY(b1->geometry().right() < cancel->x());
    QVERIFY(combo->y() >= b1->geometry().bottom());
    QVERIFY(combo->height() >= combo->sizeHint().height());
    QVERIFY(combo->geometry().bottom() < d->height());
    QVERIFY(b1->height() >= b1->sizeHint().height());
    // Tab order: Button1, ButtonCancel, ComboBox1.
    QCOMPARE(b1->nextInFocusChain(), cancel);
  }

  void acceptProposedLine() {
    Fixture f;
    const QByteArray built = f.builtPack();
    const qint64 sizeBefore = QFileInfo(QFile::decodeName(f.input)).size();
    const Seen seen = RunEditor(f, 0, [](TFormEditExec* d) { Press(d, "Button1"); });
    QVERIFY(seen.found);
    QCOMPARE(seen.title, QStringLiteral("Edit the command line"));
    QCOMPARE(seen.button1, f.mainButton("ButtonPack")->text());
    QCOMPARE(seen.text, CommandText::ToText(built));
    QVERIFY(seen.items.isEmpty());
    QVERIFY(seen.button1Focused);
    QCOMPARE(f.ctx.formEditExec()->EditMode, 0);
    QCOMPARE(f.ctx.state.CmdPackLines, Lines{built});
    QVERIFY(f.ctx.state.CmdUnPackLines.isEmpty());
    QVERIFY(f.ctx.state.PendingPackCommand.isEmpty());
    const QList<Lines> runs = f.packerRuns();
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs[0], (Lines{"-7", f.input}));
    QVERIFY(QFileInfo(QFile::decodeName(f.input)).size() < sizeBefore);
  }

  // An edited line runs exactly as typed: split by the same rule as built lines, no shell.
  void editedLineRunsAsTyped() {
    Fixture f;
    const QByteArray spaced = f.dir.makeFile("my file $HOME;x.bin", 32 * 1024);
    const QString typed =
        QString::fromUtf8(f.ctx.state.UpxShortLocation + " -1  -k \"" + spaced + "\"");
    RunEditor(f, 0, [&](TFormEditExec* d) {
      Type(d, typed);
      QTest::keyClick(Combo(d), Qt::Key_Return);
    });
    QCOMPARE(f.ctx.state.CmdPackLines, Lines{typed.toUtf8()});
    const QList<Lines> runs = f.packerRuns();
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs[0], (Lines{"-1", "-k", spaced}));
  }

  // A file name that is not valid UTF-8 survives the editor when the line is accepted as shown.
  void unchangedLineKeepsEveryByte() {
    Fixture f("bad\xff\xfe name.bin");
    const QByteArray built = f.builtPack();
    RunEditor(f, 0, [](TFormEditExec* d) { QTest::keyClick(Combo(d), Qt::Key_Enter); });
    QCOMPARE(f.ctx.state.CmdPackLines, Lines{built});
    const QList<Lines> runs = f.packerRuns();
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs[0].last(), f.input);
  }

  void emptyTextRunsNothing() {
    Fixture f;
    f.ctx.state.CmdPackLines = {"earlier"};
    RunEditor(f, 0, [](TFormEditExec* d) {
      Combo(d)->lineEdit()->clear();
      Press(d, "Button1");
    });
    QCOMPARE(f.ctx.state.CmdPackLines, Lines{"earlier"});
    QVERIFY(f.packerRuns().isEmpty());
    QVERIFY(f.ctx.state.PendingPackCommand.isEmpty());
  }

  void historyLineMovesToTop() {
    Fixture f;
    const QByteArray packer = f.ctx.state.UpxShortLocation;
    const Lines history{packer + " -9 " + f.input, packer + " -1 " + f.input,
                        packer + " -5 " + f.input};
    f.ctx.state.CmdPackLines = history;
    const Seen seen = RunEditor(f, 0, [](TFormEditExec* d) {
      Combo(d)->setCurrentIndex(2);
      Press(d, "Button1");
    });
    QCOMPARE(seen.items, TextsOf(history));
    QCOMPARE(f.ctx.state.CmdPackLines, (Lines{history[2], history[0], history[1]}));
    const QList<Lines> runs = f.packerRuns();
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs[0], (Lines{"-5", f.input}));
  }

  // Blanks only is a text: it enters the history and reaches the job, which cannot start it.
  void blanksOnlyReachesTheJob() {
    Fixture f;
    RunEditor(f, 0, [](TFormEditExec* d) {
      Type(d, QStringLiteral("   "));
      Press(d, "Button1");
    });
    QCOMPARE(f.ctx.state.CmdPackLines, Lines{"   "});
    QVERIFY(f.packerRuns().isEmpty());
    const auto& messages = Prompts::Test().messages;
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].text, QStringLiteral("cannot start the packer"));
    // The edited line is forgotten even so: a plain press builds from the options.
    QVERIFY(f.ctx.state.PendingPackCommand.isEmpty());
    const QByteArray built = f.builtPack();
    QVERIFY(AwaitJob(f.ctx.jobs, [&] { f.ctx.FormMain->ButtonPackClick(); }));
    QCOMPARE(f.packerRuns(), (QList<Lines>{{"-7", f.input}}));
  }

  void historyLimit_data() {
    QTest::addColumn<int>("oldEntries");
    QTest::addColumn<quint32>("max");
    QTest::addColumn<int>("kept");  // old entries kept after the new one
    QTest::newRow("max 1, empty history") << 0 << 1u << 0;
    QTest::newRow("max 1, one old") << 1 << 1u << 0;
    QTest::newRow("20 entries, max 5") << 20 << 5u << 4;
    QTest::newRow("under the limit") << 3 << 10u << 3;
  }
  void historyLimit() {
    QFETCH(int, oldEntries);
    QFETCH(quint32, max);
    QFETCH(int, kept);
    Fixture f;
    Lines old;
    for (int i = 0; i < oldEntries; ++i) old << "old line " + QByteArray::number(i);
    f.ctx.state.CmdPackLines = old;
    f.ctx.state.opt.CmdLinesMax = max;
    const QByteArray built = f.builtPack();
    RunEditor(f, 0, [](TFormEditExec* d) { Press(d, "Button1"); });
    QCOMPARE(f.ctx.state.CmdPackLines, Lines{built} + old.mid(0, kept));
  }

  void packAndUnpackHistoriesApart() {
    Fixture f;
    f.ctx.state.CmdPackLines = {"pack one", "pack two"};
    f.ctx.state.CmdUnPackLines = {"unpack one"};
    const QByteArray built = f.builtUnpack();
    const Seen seen = RunEditor(f, 1, [](TFormEditExec* d) { Press(d, "Button1"); });
    QCOMPARE(seen.items, QStringList{"unpack one"});
    QCOMPARE(seen.button1, f.mainButton("ButtonUnPack")->text());
    QCOMPARE(seen.text, CommandText::ToText(built));
    QCOMPARE(f.ctx.formEditExec()->EditMode, 1);
    QCOMPARE(f.ctx.state.CmdPackLines, (Lines{"pack one", "pack two"}));
    QCOMPARE(f.ctx.state.CmdUnPackLines, (Lines{built, "unpack one"}));
    QVERIFY(f.ctx.state.PendingUnpackCommand.isEmpty());
    const QList<Lines> runs = f.packerRuns();
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs[0], (Lines{"-d", f.input}));
    // And the pack dialog shows only its own list.
    const Seen packSeen = RunEditor(f, 0, [](TFormEditExec* d) { Press(d, "ButtonCancel"); });
    QCOMPARE(packSeen.items, (QStringList{"pack one", "pack two"}));
  }

  void closingWithoutAcceptRunsNothing_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("cancel button") << "cancel";
    QTest::newRow("escape in the combo box") << "escape";
    QTest::newRow("escape on the accept button") << "escape-button";
    QTest::newRow("close box") << "close";
  }
  void closingWithoutAcceptRunsNothing() {
    QFETCH(QString, how);
    Fixture f;
    f.ctx.state.CmdPackLines = {"earlier"};
    RunEditor(f, 0, [&](TFormEditExec* d) {
      Type(d, QStringLiteral("edited but not accepted"));
      if (how == "cancel") Press(d, "ButtonCancel");
      if (how == "escape") QTest::keyClick(Combo(d), Qt::Key_Escape);
      if (how == "escape-button") {
        d->findChild<QWidget*>(QStringLiteral("Button1"))->setFocus();
        QTest::keyClick(d->findChild<QWidget*>(QStringLiteral("Button1")), Qt::Key_Escape);
      }
      if (how == "close") d->close();
    });
    QVERIFY(!f.ctx.formEditExec()->isVisible());
    QVERIFY(f.packerRuns().isEmpty());
    QCOMPARE(f.ctx.state.CmdPackLines, Lines{"earlier"});
    QVERIFY(f.ctx.state.PendingPackCommand.isEmpty());
    QVERIFY(f.ctx.state.PendingUnpackCommand.isEmpty());
    // The next plain press builds its line from the options.
    const QByteArray built = f.builtPack();
    QVERIFY(AwaitJob(f.ctx.jobs, [&] { f.ctx.FormMain->ButtonPackClick(); }));
    QCOMPARE(f.packerRuns(), (QList<Lines>{{"-7", f.input}}));
  }

  // A pending text left over from elsewhere never runs when the dialog is closed by its box.
  void staleHandOffIsDropped() {
    Fixture f;
    f.ctx.state.PendingPackCommand = f.ctx.state.UpxShortLocation + " -9 " + f.input;
    RunEditor(f, 0, [](TFormEditExec* d) { d->close(); });
    QVERIFY(f.packerRuns().isEmpty());
    QVERIFY(f.ctx.state.CmdPackLines.isEmpty());
  }

  // A selection whose command line is longer than the edit field's old limit of 32767
  // characters reaches the packer whole, and the history keeps it whole; so does the same line
  // pasted in.
  void longLineReachesThePackerWhole_data() {
    QTest::addColumn<bool>("pasted");
    QTest::newRow("accepted as proposed") << false;
    QTest::newRow("pasted in") << true;
  }
  void longLineReachesThePackerWhole() {
    QFETCH(bool, pasted);
    Fixture f;
    Lines files;
    const QByteArray stem(180, 'n');
    for (int i = 0; files.size() < 200; ++i)
      files << f.dir.makeFile(stem + QByteArray::number(1000 + i) + " x.bin", 600);
    f.select(files);
    const QByteArray built = f.builtPack();
    QVERIFY2(built.size() >= 40000, QByteArray::number(built.size()).constData());
    QString shown;
    RunEditor(f, 0, [&](TFormEditExec* d) {
      if (pasted) {
        Combo(d)->lineEdit()->clear();
        QApplication::clipboard()->setText(CommandText::ToText(built));
        Combo(d)->lineEdit()->paste();
      }
      shown = Combo(d)->currentText();
      Press(d, "Button1");
    });
    QCOMPARE(shown.size(), built.size());
    QCOMPARE(f.ctx.state.CmdPackLines, Lines{built});
    const QList<Lines> runs = f.packerRuns();
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs[0], Lines{"-7"} + files);
    QVERIFY(Prompts::Test().messages.isEmpty());
  }

  // A line the editor cannot hold whole is refused with a message: never run, never stored, and
  // the history entry it came from stays whole.
  void tooLongLineRefused_data() {
    QTest::addColumn<QString>("source");
    QTest::newRow("proposed by the pack button") << "proposed";
    QTest::newRow("picked from the history") << "history";
    QTest::newRow("pasted in") << "pasted";
  }
  void tooLongLineRefused() {
    QFETCH(QString, source);
    Fixture f;
    const qsizetype limit = TFormEditExec::MaxLineLength();
    QVERIFY(limit >= 128 * 1024);
    QCOMPARE(Combo(f.ctx.formEditExec())->lineEdit()->maxLength(), INT_MAX);
    const QByteArray tooLong = f.ctx.state.UpxShortLocation + ' ' + QByteArray(limit, 'a');
    if (source == "proposed") {
      Lines names;
      for (qsizetype n = 0; n <= limit; n += 3990) names << QByteArray(3990, 'p');
      f.select(names);
    }
    if (source == "history") f.ctx.state.CmdPackLines = {tooLong};
    const Lines historyBefore = f.ctx.state.CmdPackLines;
    bool refusedWhileOpen = false, heldWhole = false;
    const Seen seen = RunEditor(f, 0, [&](TFormEditExec* d) {
      if (source == "history") Combo(d)->setCurrentIndex(0);
      if (source == "pasted") {
        QApplication::clipboard()->setText(CommandText::ToText(tooLong));
        Combo(d)->lineEdit()->selectAll();
        Combo(d)->lineEdit()->paste();
      }
      heldWhole = Combo(d)->currentText() == CommandText::ToText(tooLong);
      Press(d, "Button1");
      refusedWhileOpen = d->isVisible();  // the user may shorten the line
      Press(d, "ButtonCancel");
    });
    QCOMPARE(seen.found, source != "proposed");
    QCOMPARE(refusedWhileOpen, source != "proposed");
    QCOMPARE(heldWhole, source != "proposed");  // shown whole before it was refused
    QVERIFY(f.packerRuns().isEmpty());
    QCOMPARE(f.ctx.state.CmdPackLines, historyBefore);
    QVERIFY(f.ctx.state.PendingPackCommand.isEmpty());
    const auto& messages = Prompts::Test().messages;
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].text.contains(QString::number(limit)), qPrintable(messages[0].text));
    QCOMPARE(messages[0].icon, Prompts::Icon::Error);
  }

  // With an output file and "Replace if exists", only a built line deletes the old output.
  void editedLineDeletesNoOutputFile() {
    Fixture f;
    const QByteArray out = f.dir.file("out.bin");
    {
      QFile o(QFile::decodeName(out));
      QVERIFY(o.open(QIODevice::WriteOnly));
      o.write("keep me");
    }
    auto* outBox = f.ctx.FormMain->findChild<QAbstractButton*>(QStringLiteral("OutFileBox"));
    auto* replace =
        f.ctx.FormMain->findChild<QAbstractButton*>(QStringLiteral("ReplaceIfExistsCheckBox"));
    auto* outEdit = f.ctx.FormMain->findChild<QLineEdit*>(QStringLiteral("EditOutFile"));
    QVERIFY(outBox && replace && outEdit);
    outBox->setChecked(true);
    replace->setChecked(true);
    outEdit->setText(QFile::decodeName(out));
    const QByteArray built = f.builtPack();
    QVERIFY(built.contains("-o"));
    RunEditor(f, 0, [](TFormEditExec* d) { Press(d, "Button1"); });
    QCOMPARE(f.packerRuns().size(), 1);
    QFile o(QFile::decodeName(out));
    QVERIFY(o.open(QIODevice::ReadOnly));
    QCOMPARE(o.readAll(), QByteArray("keep me"));
    o.close();
    // The same line built by a plain press replaces the old output.
    QVERIFY(AwaitJob(f.ctx.jobs, [&] { f.ctx.FormMain->ButtonPackClick(); }));
    QCOMPARE(f.packerRuns().size(), 2);
    QVERIFY(o.open(QIODevice::ReadOnly));
    QVERIFY(o.readAll() != QByteArray("keep me"));
  }
};

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
