// SPDX-License-Identifier: GPL-3.0-or-later
// The main window end to end: drops, the selection display, packing and unpacking through the
// stand-in packer, the exact arguments it receives, the information commands, the option
// coupling, the panel slide and the language-dependent captions.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QtWidgets>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>

#include "core/jobs/JobEngine.h"
#include "core/packer/FileSizes.h"
#include "core/settings/ProgramCommands.h"
#include "gui/console/ConsoleSession.h"
#include "gui/main/MethodChoice.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Prompts.h"
#include "gui/widgets/RadioGroup.h"
#include "gui/widgets/TMultiHint.h"
#include "support/FormDesign.h"
#include "support/MainWindowTest.h"
#include "support/Runs.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

namespace {

// The shared main window, with texts of the test's own instead of a language file.
struct Env : MainWindowTest {
  Env()
      : MainWindowTest(
            [](AppContext& ctx) {
              auto& t = ctx.state.LangTexts;
              t[0] = "Compression";
              t[1] = "Ready";
              t[2] = "Done";
              t[3] = "Failed";
              t[4] = "Warnings";
              t[11] = "KB";
              t[12] = "KB total";
            },
            {.english = false}) {}
  // The arguments of the packer's last run (without the program name).
  QList<QByteArray> lastArgs() const {
    const QList<QList<QByteArray>> all = PackerRuns(dir.argLogPath());
    return all.isEmpty() ? QList<QByteArray>() : all.last();
  }
};

// Runs the stand-in directly (no argument log) and returns its exit code.
int standin(const QStringList& args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("PACKHELM_STANDIN_ARGLOG"));
  p.setProcessEnvironment(env);
  p.start(QString::fromLocal8Bit(standinPath()), args);
  if (!p.waitForFinished(30000)) return -1;
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool sendDrop(QWidget* w, const QList<QUrl>& urls) {
  QMimeData mime;
  mime.setUrls(urls);
  return SendDrop(w, mime);
}

QList<QUrl> urlsOf(const QList<QByteArray>& files) {
  QList<QUrl> urls;
  for (const QByteArray& f : files) urls << QUrl::fromLocalFile(QFile::decodeName(f));
  return urls;
}

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { UseDesignedFont(); }
  void designedState() {
    Env e;
    const Controls ui = e.ui();
    const FormDesign form(QStringLiteral("main/TFormMain.ui"));
    QCOMPARE(e.w()->objectName(), form.widgets().first());
    // The window is the column, the panel shut: as wide as the form draws it or as its texts
    // need, and as tall as the taller of the column and the panel.
    auto* column = ui.get<QWidget>("LeftColumn");
    auto* panel = ui.get<QFrame>("OptPanel");
    QCOMPARE(column->geometry(), e.w()->rect());
    QCOMPARE(column->width(), qMax(form.size("LeftColumn").width(), column->sizeHint().width()));
    QVERIFY(column->height() >= form.size("LeftColumn").height());
    QVERIFY(!(e.w()->windowFlags() & Qt::WindowMaximizeButtonHint));
    for (const char* name :
         {"CompressValueBar1", "RadioButton_nrv2b", "RadioButton_nrv2d", "EditOutFile", "ButtonOut",
          "ReplaceIfExistsCheckBox", "ButtonPack", "ButtonUnPack", "ButtonPackE", "ButtonUnPackE"})
      QVERIFY2(!ui.get<QWidget>(name)->isEnabled(), name);
    QVERIFY(!ui.get<QRadioButton>("RadioButton_nrv2b")->isChecked() &&
            !ui.get<QRadioButton>("RadioButton_nrv2d")->isChecked());
    QVERIFY(ui.get<QPushButton>("ButtonTest")->isEnabled());
    // As built, the sliders and groups hold the settings table's defaults; each position's hint
    // is a part of its own.
    for (const Settings::Row& row : Settings::Table) {
      if (row.section != Settings::Section::PackOption) continue;
      if (row.control == Settings::Control::Slider)
        QCOMPARE(ui.get<QSlider>(row.key)->value(), row.defaultValue);
      if (row.control == Settings::Control::RadioGroup)
        QCOMPARE(ui.get<RadioGroup>(row.key)->itemIndex(), row.defaultValue);
    }
    auto* level = ui.get<QSlider>("CompressValueBar");
    QCOMPARE(level->toolTip().count(u'@') + 1, level->maximum() - level->minimum() + 1);
    QCOMPARE(ui.get<RadioGroup>("OverlayGroup")->toolTip().count(u'@') + 1,
             ui.get<RadioGroup>("OverlayGroup")->count());
    // The status line spans the column but for its layout's margins, tall enough for its text.
    auto* status = ui.get<QLineEdit>("EditStatus");
    QVERIFY(status->isReadOnly());
    const QMargins margins =
        e.w()->findChild<QLayout*>(QStringLiteral("layoutStatus"))->contentsMargins();
    QCOMPARE(status->x(), margins.left());
    QCOMPARE(status->geometry().right(), column->width() - 1 - margins.right());
    QVERIFY(status->height() >= status->minimumSizeHint().height());
    // The panel keeps its size beside the column, as tall as the window, its edge over
    // the column's last pixels and the button that opens it at the column's edge.
    auto* opener = ui.get<QToolButton>("SpeedButtonAddOpt");
    QCOMPARE(panel->width(), qMax(form.size("OptPanel").width(), panel->sizeHint().width()));
    QVERIFY(panel->height() >= form.size("OptPanel").height());
    QCOMPARE(panel->y(), 0);
    QCOMPARE(panel->height(), e.w()->height());
    QVERIFY(panel->x() < column->width() && panel->x() >= opener->x());
    QCOMPARE(opener->geometry().right(), column->geometry().right());
    QVERIFY(opener->isCheckable());
    QVERIFY(!e.w()->Timer1->isActive());  // (its steps: panelSlide)
    QCOMPARE(e.w()->findChild<QObject*>(QStringLiteral("OpenDialog")), e.w()->OpenDialog);
    QCOMPARE(e.w()->findChild<QObject*>(QStringLiteral("SaveDialog")), e.w()->SaveDialog);
    QVERIFY(e.w()->OpenDialog->multiSelect);
    QCOMPARE(e.w()->findChild<QObject*>(QStringLiteral("MultiHint1")), e.w()->MultiHint1);
    QVERIFY(e.w()->acceptDrops());
    // The program folder is the current directory.
    QCOMPARE(QFile::encodeName(QDir::currentPath()) + '/', e.dir.path());
  }

  // The status line's colour says what kind of news it has: the desktop's own text colour when
  // idle or all went well, a warning's for the packer's warnings, red only for errors; each
  // clearly legible on the desktop's own field colour, light or dark.
  void statusLineColours_data() {
    QTest::addColumn<QColor>("base");
    QTest::addColumn<int>("exitCode");  // of a pack job; -1: none run
    QTest::addColumn<QString>("kind");  // "text", "warning", "error"
    for (const QColor& base : {QColor(Qt::white), QColor(0x23, 0x26, 0x29)}) {
      const char* desktop = base.lightness() > 128 ? "light" : "dark";
      QTest::addRow("%s, ready", desktop) << base << -1 << "text";
      QTest::addRow("%s, done", desktop) << base << 0 << "text";
      QTest::addRow("%s, warning", desktop) << base << 2 << "warning";
      QTest::addRow("%s, error", desktop) << base << 1 << "error";
    }
  }
  void statusLineColours() {
    QFETCH(QColor, base);
    QFETCH(int, exitCode);
    QFETCH(QString, kind);
    const QPalette before = QApplication::palette();
    QPalette desktop = before;
    desktop.setColor(QPalette::Base, base);
    const QColor text = base.lightness() > 128 ? Qt::black : Qt::white;
    desktop.setColor(QPalette::Text, text);
    QApplication::setPalette(desktop);
    const auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
    Env e;
    auto* status = e.ui().get<QLineEdit>("EditStatus");
    e.w()->SetLanguage();
    if (exitCode >= 0) {
      e.select({e.dir.makeFile("tool.exe", 5000)});
      EnvGuard exit{{"PACKHELM_STANDIN_EXIT", QByteArray::number(exitCode)}};
      QVERIFY(e.press("ButtonPack"));
    }
    // The text's colour: the pixel that stands out most from the field.
    const QImage shot = status->grab().toImage();
    const auto luminance = [](const QColor& c) {
      const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
      };
      return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
             0.0722 * channel(c.blueF());
    };
    const auto contrast = [&](const QColor& a) {
      const double la = luminance(a), lb = luminance(base);
      return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
    };
    QColor ink = base;
    for (int y = 2; y < shot.height() - 2; ++y)
      for (int x = 2; x < shot.width() - 2; ++x)
        if (contrast(shot.pixelColor(x, y)) > contrast(ink)) ink = shot.pixelColor(x, y);
    QVERIFY2(contrast(ink) >= 4.5, qPrintable(ink.name() + " on " + base.name()));
    const int hue = ink.hslHue();
    const bool grey = ink.hslSaturation() < 40;
    if (kind == QLatin1String("text"))
      QVERIFY2(grey && qAbs(ink.lightness() - text.lightness()) < 16, qPrintable(ink.name()));
    else if (kind == QLatin1String("warning"))
      QVERIFY2(!grey && hue >= 20 && hue <= 50, qPrintable(ink.name()));
    else
      QVERIFY2(!grey && (hue <= 10 || hue >= 350), qPrintable(ink.name()));
  }

  void dropOneFileShowsIt() {
    Env e;
    const QByteArray f = e.dir.makeFile("tool.bin", 5000);
    QVERIFY(sendDrop(e.w(), urlsOf({f})));
    QTRY_COMPARE(e.ctx.state.FileList, QList<QByteArray>{f});
    QCOMPARE(e.ui().get<QLineEdit>("EditFileName")->text(), QFile::decodeName(f));
    QCOMPARE(e.ui().get<QLineEdit>("EditOutFile")->text(), QFile::decodeName(f));
    QCOMPARE(e.w()->SaveDialog->fileName, QFile::decodeName(f));
    QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("4 KB"));
    QCOMPARE(e.ui().get<QLabel>("LabelF2")->text(), QStringLiteral("4 KB"));
    QCOMPARE(e.ui().get<QLabel>("LabelF3")->text(), QStringLiteral("100 %"));
    QVERIFY(e.ui().get<QCheckBox>("OutFileBox")->isEnabled());
    QVERIFY(e.ui().get<QPushButton>("ButtonPack")->isEnabled() &&
            e.ui().get<QPushButton>("ButtonUnPackE")->isEnabled());
    QCOMPARE(e.runs().size(), 0);  // drag operation 0 starts nothing
  }

  void dropRefusesNonFiles() {
    Env e;
    QVERIFY(!sendDrop(e.w(), {QUrl(QStringLiteral("https://example.org/a.exe"))}));
    QVERIFY(e.ctx.state.FileList.isEmpty());
  }

  void dropStartsJob_data() {
    QTest::addColumn<int>("dragOp");
    QTest::addColumn<QByteArray>("firstArg");
    QTest::newRow("pack") << 1 << QByteArray("-7");
    QTest::newRow("unpack") << 2 << QByteArray("-d");
  }
  void dropStartsJob() {
    QFETCH(int, dragOp);
    QFETCH(QByteArray, firstArg);
    Env e;
    e.ctx.state.opt.GlobalOpt_DragOp = dragOp;
    const QByteArray f = e.dir.makeFile("drop.bin", 20000);
    QVERIFY(sendDrop(e.w(), urlsOf({f})));
    QTRY_COMPARE(e.runs().size(), 1);
    QCOMPARE(e.lastArgs(), (QList<QByteArray>{firstArg, f}));
  }

  void selectionSizes_data() {
    QTest::addColumn<QList<qint64>>("sizes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("1023 bytes, not 0") << QList<qint64>{1023} << QStringLiteral("1 KB");
    QTest::newRow("1024 bytes") << QList<qint64>{1024} << QStringLiteral("1 KB");
    QTest::newRow("two of 1536, cut once")
        << QList<qint64>{1536, 1536} << QStringLiteral("3 KB total");
    QTest::newRow("three") << QList<qint64>{2048, 4096, 1000} << QStringLiteral("6 KB total");
  }
  void selectionSizes() {
    QFETCH(QList<qint64>, sizes);
    QFETCH(QString, shown);
    Env e;
    QList<QByteArray> files;
    for (int i = 0; i < sizes.size(); ++i)
      files << e.dir.makeFile("f" + QByteArray::number(i) + ".bin", sizes[i]);
    e.select(files);
    QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), shown);
    QCOMPARE(e.ui().get<QLabel>("LabelF2")->text(), shown);
    QCOMPARE(e.ui().get<QLabel>("LabelF3")->text(), QStringLiteral("100 %"));
  }

  void severalFilesThenOne() {
    Env e;
    const QByteArray a = e.dir.makeFile("a.bin", 3000);
    const QByteArray b = e.dir.makeFile("b c.bin", 3000);
    e.select({a});
    e.ui().get<QCheckBox>("OutFileBox")->setChecked(true);
    e.select({a, b});
    QCOMPARE(e.ui().get<QLineEdit>("EditFileName")->text(),
             QStringLiteral(" \"%1\" \"%2\"").arg(QFile::decodeName(a), QFile::decodeName(b)));
    QVERIFY(e.ui().get<QLineEdit>("EditOutFile")->text().isEmpty());
    QVERIFY(e.w()->SaveDialog->fileName.isEmpty());
    QVERIFY(!e.ui().get<QCheckBox>("OutFileBox")->isEnabled() &&
            !e.ui().get<QCheckBox>("OutFileBox")->isChecked());
    QVERIFY(!e.ui().get<QPushButton>("ButtonOut")->isEnabled() &&
            !e.ui().get<QLineEdit>("EditOutFile")->isEnabled());
    e.select({b});
    QVERIFY(e.ui().get<QCheckBox>("OutFileBox")->isEnabled() &&
            !e.ui().get<QCheckBox>("OutFileBox")->isChecked());
    QCOMPARE(e.ui().get<QLineEdit>("EditOutFile")->text(), QFile::decodeName(b));
  }

  void emptySelectionKeepsDisplay() {
    Env e;
    const QByteArray a = e.dir.makeFile("a.bin", 3000);
    e.select({a});
    e.select({});
    QVERIFY(!e.ui().get<QPushButton>("ButtonPack")->isEnabled());
    QCOMPARE(e.ui().get<QLineEdit>("EditFileName")->text(), QFile::decodeName(a));
    QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("2 KB"));
  }

  void fileWithoutSize() {
    Env e;
    const QByteArray a = e.dir.makeFile("a.bin", 2048);
    const QByteArray c = e.dir.makeFile("c.bin", 8192);
    const QByteArray missing = e.dir.file("missing.bin");
    // The display counts a missing file as 0 and keeps the selection usable.
    e.select({missing});
    QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("0 KB"));
    QVERIFY(e.ui().get<QPushButton>("ButtonPack")->isEnabled());
    e.select({a, missing, c});
    QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("10 KB total"));
    // The jobs' sum counts every file with a size, the one after the missing one too.
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonTest")->click(); }));
    QCOMPARE(e.compressedTotal(), quint64(10240));
    QCOMPARE(e.uncompressedTotal(), quint64(10240));
    QCOMPARE(e.ui().get<QLabel>("LabelF2")->text(), QStringLiteral("10 KB total"));
  }

  void openAndSaveDialogs() {
    Env e;
    const QByteArray a = e.dir.makeFile("a.bin", 3000);
    const QByteArray b = e.dir.makeFile("b.bin", 3000);
    Prompts::Test().openAnswers << QStringList{QFile::decodeName(a), QFile::decodeName(b)}
                                << QStringList{};
    e.ui().get<QPushButton>("ButtonIn")->click();
    QCOMPARE(e.ctx.state.FileList, (QList<QByteArray>{a, b}));
    e.ui().get<QPushButton>("ButtonIn")->click();  // cancelled: nothing changes
    QCOMPARE(e.ctx.state.FileList, (QList<QByteArray>{a, b}));
    QCOMPARE(Prompts::Test().dialogTitles.value(0), QStringLiteral("Выберите файл"));

    e.select({a});
    e.ui().get<QCheckBox>("OutFileBox")->setChecked(true);
    QVERIFY(e.ui().get<QPushButton>("ButtonOut")->isEnabled() &&
            e.ui().get<QLineEdit>("EditOutFile")->isEnabled());
    QVERIFY(e.ui().get<QCheckBox>("ReplaceIfExistsCheckBox")->isEnabled());
    Prompts::Test().saveAnswers << e.dir.path() + "out.bin" << QString();
    e.ui().get<QPushButton>("ButtonOut")->click();
    QCOMPARE(e.ui().get<QLineEdit>("EditOutFile")->text(),
             QFile::decodeName(e.dir.file("out.bin")));
    e.ui().get<QPushButton>("ButtonOut")->click();
    QCOMPARE(e.ui().get<QLineEdit>("EditOutFile")->text(),
             QFile::decodeName(e.dir.file("out.bin")));
    QVERIFY(!QFile::exists(QFile::decodeName(e.dir.file("out.bin"))));
  }

  void packAndUnpackOneFile() {
    Env e;
    const QByteArray f = e.dir.makeFile("prog.bin", 1048576);
    const QByteArray original = readFileBytes(f);
    QVERIFY(sendDrop(e.w(), urlsOf({f})));
    QTRY_COMPARE(e.ctx.state.FileList.size(), 1);

    QVERIFY(AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonPack")->click(); }));
    QCOMPARE(e.ui().get<QLineEdit>("EditStatus")->text(), QStringLiteral("Done"));
    QCOMPARE(e.lastArgs(), (QList<QByteArray>{"-7", f}));
    const quint64 packed = quint64(QFileInfo(QFile::decodeName(f)).size());
    QVERIFY(packed < 1048576);
    QCOMPARE(e.uncompressedTotal(), quint64(1048576));
    QCOMPARE(e.compressedTotal(), packed);
    QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("1024 KB"));
    QCOMPARE(e.ui().get<QLabel>("LabelF2")->text(), QStringLiteral("%1 KB").arg(packed / 1024));
    const qint64 ratio = qRound64(double(packed) * 100.0 / 1048576.0);
    QCOMPARE(e.ui().get<QLabel>("LabelF3")->text(), QStringLiteral("%1 %").arg(ratio));
    QCOMPARE(standin({QStringLiteral("-t"), QFile::decodeName(f)}), 0);

    QVERIFY(AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonUnPack")->click(); }));
    QCOMPARE(e.ui().get<QLineEdit>("EditStatus")->text(), QStringLiteral("Done"));
    QCOMPARE(e.lastArgs(), (QList<QByteArray>{"-d", f}));
    QCOMPARE(readFileBytes(f), original);
    // The totals swap roles; the labels say before and after, as the Results do: from the
    // packed size to the whole one, at the same ratio.
    QCOMPARE(e.compressedTotal(), packed);
    QCOMPARE(e.uncompressedTotal(), quint64(1048576));
    QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("%1 KB").arg(packed / 1024));
    QCOMPARE(e.ui().get<QLabel>("LabelF2")->text(), QStringLiteral("1024 KB"));
    QCOMPARE(e.ctx.results.value(0).sizeBefore, std::optional<quint64>(packed));
    QCOMPARE(e.ctx.results.value(0).sizeAfter, std::optional<quint64>(1048576));
    QCOMPARE(e.ui().get<QLabel>("LabelF3")->text(), QStringLiteral("%1 %").arg(ratio));
  }

  void twoFiles() {
    Env e;
    const QByteArray a = e.dir.makeFile("a.bin", 1536);
    const QByteArray b = e.dir.makeFile("b.bin", 1536);
    e.select({a, b});
    QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("3 KB total"));
    // Testing leaves the files unchanged: the same total after the run.
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonTest")->click(); }));
    QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("3 KB total"));
    QCOMPARE(e.ui().get<QLabel>("LabelF3")->text(), QStringLiteral("100 %"));

    const QByteArray c = e.dir.makeFile("c.bin", 300000);
    const QByteArray d = e.dir.makeFile("d d.bin", 200000);
    e.select({c, d});
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonPack")->click(); }));
    QCOMPARE(e.ui().get<QLineEdit>("EditStatus")->text(), QStringLiteral("Done"));
    QCOMPARE(e.lastArgs(), (QList<QByteArray>{"-7", c, d}));
    QCOMPARE(e.uncompressedTotal(), quint64(500000));
    const quint64 after =
        quint64(QFileInfo(QFile::decodeName(c)).size() + QFileInfo(QFile::decodeName(d)).size());
    QCOMPARE(e.compressedTotal(), after);
    QCOMPARE(e.ui().get<QLabel>("LabelF2")->text(),
             QStringLiteral("%1 KB total").arg(after / 1024));
    QCOMPARE(standin({QStringLiteral("-t"), QFile::decodeName(c), QFile::decodeName(d)}), 0);
  }

  void outputFile_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QByteArray>("output");  // in the program folder; empty: the input's own name
    QTest::newRow("replace an existing output")
        << QByteArray("in.bin") << true << QByteArray("out.bin");
    QTest::newRow("keep an existing output")
        << QByteArray("in.bin") << false << QByteArray("out.bin");
    // The file the user asked to keep is never packed in its place: refused before the packer.
    QTest::newRow("output equal to the input") << QByteArray("in.bin") << true << QByteArray();
    QTest::newRow("output equal to an input named in Latin-1")
        << QByteArray("caf\xe9.bin") << false << QByteArray();
    QTest::newRow("the input spelled another way")
        << QByteArray("in.bin") << true << QByteArray("./in.bin");
    QTest::newRow("the input through a linked folder")
        << QByteArray("in.bin") << true << QByteArray("linked/in.bin");
    QTest::newRow("no name at all") << QByteArray("in.bin") << true << QByteArray("-");
  }
  void outputFile() {
    QFETCH(QByteArray, input);
    QFETCH(bool, replace);
    QFETCH(QByteArray, output);
    Env e;
    // A name that is not UTF-8 is made by renaming, byte for byte.
    const QByteArray in = e.dir.file(input);
    QCOMPARE(::rename(e.dir.makeFile("made.bin", 100000).constData(), in.constData()), 0);
    const QByteArray original = readFileBytes(in);
    const QByteArray out = e.dir.file("out.bin");
    const QByteArray old("an old output file");
    QVERIFY(writeFileBytes(out, old));
    const QString notPacked =
        e.ctx.state.langText(LangText::ResultsPacked, QStringLiteral("0"), QStringLiteral("1"))
            .replace(QLatin1String("%3"), QLatin1String("1"));
    QVERIFY(QFile::link(e.dir.path(), QFile::decodeName(e.dir.file("linked"))));
    e.select({in});
    e.ui().get<QCheckBox>("OutFileBox")->setChecked(true);
    e.ui().get<QCheckBox>("ReplaceIfExistsCheckBox")->setChecked(replace);
    if (output == "-")
      e.ui().get<QLineEdit>("EditOutFile")->clear();
    else if (!output.isEmpty())
      e.ui().get<QLineEdit>("EditOutFile")->setText(QFile::decodeName(e.dir.file(output)));
    if (output != "out.bin") {
      Prompts::Test().messages.clear();
      const qsizetype runs = PackerRuns(e.dir.argLogPath()).size();
      e.ui().get<QPushButton>("ButtonPack")->click();
      QVERIFY(!e.ctx.jobs->busy());
      QCOMPARE(PackerRuns(e.dir.argLogPath()).size(), runs);
      QCOMPARE(readFileBytes(in), original);
      QCOMPARE(Prompts::Test().messages.size(), 1);
      QCOMPARE(Prompts::Test().messages[0].icon, Prompts::Icon::Error);
      // Said in the status line too, with the name where the packer's input was named.
      const QString said = Prompts::Test().messages[0].text;
      QCOMPARE(e.ui().get<QLineEdit>("EditStatus")->text(), QString(said).replace('\n', ' '));
      QCOMPARE(said.contains(QFile::decodeName(input)), output != "-");
      return;
    }
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonPack")->click(); }));
    {
      QCOMPARE(e.lastArgs(), (QList<QByteArray>{"-7", "-o" + out, in}));
      QCOMPARE(readFileBytes(in), original);
      if (replace) {
        QCOMPARE(e.ui().get<QLineEdit>("EditStatus")->text(), QStringLiteral("Done"));
        QCOMPARE(standin({QStringLiteral("-t"), QFile::decodeName(out)}), 0);
        QCOMPARE(e.compressedTotal(), quint64(QFileInfo(QFile::decodeName(out)).size()));
      } else {
        QCOMPARE(e.ui().get<QLineEdit>("EditStatus")->text(), notPacked);
        QCOMPARE(readFileBytes(out), old);
        // The file that was there is not the job's: the size after is the input's, unchanged.
        QCOMPARE(e.compressedTotal(), quint64(original.size()));
        QCOMPARE(e.ctx.results.value(0).sizeAfter, std::optional<quint64>(original.size()));
      }
    }
  }

  void packerArguments_data() {
    QTest::addColumn<int>("example");
    QTest::addColumn<QList<QByteArray>>("expected");  // "@" stands for the program folder
    QTest::newRow("defaults") << 0 << QList<QByteArray>{"-7", "@tool.exe"};
    QTest::newRow("best, backup, icons, force, output, blank name")
        << 1 << QList<QByteArray>{"--best",          "-k",          "--compress-icons=0", "--force",
                                  "-o@out/tool.exe", "@My Tool.exe"};
    QTest::newRow("crp, nrv2d, level 9, two files")
        << 2 << QList<QByteArray>{"-9", "--crp-ucl-ms=10000", "--nrv2d", "@a.exe", "@b c.dll"};
    QTest::newRow("unpack with backup") << 3 << QList<QByteArray>{"-d", "-k", "@My Tool.exe"};
    QTest::newRow("preset") << 4
                            << QList<QByteArray>{"--best", "--crp-ucl-ms=999999", "--nrv2d",
                                                 "@tool.exe"};
    QTest::newRow("blanks and quotes in the name")
        << 5 << QList<QByteArray>{"-7", "@say \"hi\"  there.bin"};
    QTest::newRow("all switches") << 6
                                  << QList<QByteArray>{"-1",
                                                       "--nrv2b",
                                                       "--overlay=skip",
                                                       "--8086",
                                                       "--no-reloc",
                                                       "--compress-exports=0",
                                                       "--compress-icons=1",
                                                       "--compress-resources=0",
                                                       "--strip-relocs=0",
                                                       "--coff",
                                                       "--le",
                                                       "@tool.exe"};
  }
  void packerArguments() {
    QFETCH(int, example);
    QFETCH(QList<QByteArray>, expected);
    Env e;
    const Controls ui = e.ui();
    const QByteArray dir = e.dir.path();
    QDir(QFile::decodeName(dir)).mkdir(QStringLiteral("out"));
    for (QByteArray& a : expected) a.replace('@', dir);
    auto file = [&](const QByteArray& name) { return e.dir.makeFile(name, 50000); };
    switch (example) {
      case 0:
        e.select({file("tool.exe")});
        break;
      case 1:
        e.select({file("My Tool.exe")});
        ui.get<QSlider>("CompressValueBar")->setValue(1);
        ui.get<QCheckBox>("BackupBox")->setChecked(true);
        ui.get<RadioGroup>("IconsGroup")->setItemIndex(0);
        ui.get<QCheckBox>("CheckBoxForce")->setChecked(true);
        ui.get<QCheckBox>("OutFileBox")->setChecked(true);
        ui.get<QLineEdit>("EditOutFile")->setText(QFile::decodeName(dir + "out/tool.exe"));
        break;
      case 2:
        e.select({file("a.exe"), file("b c.dll")});
        ui.get<QCheckBox>("Compress1CheckBox")->setChecked(true);
        ui.get<QSlider>("CompressValueBar1")->setValue(999999);
        ui.get<QCheckBox>("CheckBoxTryMulti")->setChecked(true);
        ui.get<QRadioButton>("RadioButton_nrv2d")->setChecked(true);
        ui.get<QSlider>("CompressValueBar")->setValue(2);
        break;
      case 3: {
        const QByteArray f = file("My Tool.exe");
        QCOMPARE(standin({QStringLiteral("-q"), QFile::decodeName(f)}), 0);
        e.select({f});
        ui.get<QCheckBox>("BackupBox")->setChecked(true);
        QVERIFY(AwaitJob(e.ctx.jobs, [&] { ui.get<QPushButton>("ButtonUnPack")->click(); }));
        QCOMPARE(e.lastArgs(), expected);
        QCOMPARE(ui.get<QLineEdit>("EditStatus")->text(), QStringLiteral("Done"));
        return;
      }
      case 4:
        e.select({file("tool.exe")});
        ui.get<QCheckBox>("BackupBox")->setChecked(true);
        ui.get<QCheckBox>("OutFileBox")->setChecked(true);
        ui.get<QLineEdit>("EditOutFile")->setText(QFile::decodeName(dir + "out/x.exe"));
        ui.get<QCheckBox>("CheckBoxCoff")->setChecked(true);
        e.w()->ButtonMaxClick();
        break;
      case 5:
        e.select({file("say \"hi\"  there.bin")});
        break;
      case 6:
        e.select({file("tool.exe")});
        ui.get<QSlider>("CompressValueBar")->setValue(10);
        ui.get<QCheckBox>("CheckBoxTryMulti")->setChecked(true);
        ui.get<QRadioButton>("RadioButton_nrv2b")->setChecked(true);
        ui.get<RadioGroup>("OverlayGroup")->setItemIndex(2);
        ui.get<QCheckBox>("OptBoxDOS1")->setChecked(true);
        ui.get<QCheckBox>("OptBoxDOS2")->setChecked(true);
        ui.get<RadioGroup>("ExportsGroup")->setItemIndex(0);
        ui.get<RadioGroup>("IconsGroup")->setItemIndex(1);
        ui.get<QCheckBox>("ResourcesBox")->setChecked(true);
        ui.get<RadioGroup>("RelocationsGroup")->setItemIndex(0);
        ui.get<QCheckBox>("CheckBoxCoff")->setChecked(true);
        ui.get<QCheckBox>("CheckBoxLe")->setChecked(true);
        break;
    }
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { ui.get<QPushButton>("ButtonPack")->click(); }));
    QCOMPARE(e.lastArgs(), expected);
  }

  void informationCommands_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("withFiles");
    QTest::addColumn<QList<QByteArray>>("expected");  // "@" = program folder
    QTest::addColumn<bool>("sizes");
    QTest::newRow("version") << "ButtonShowUPXVer" << true << QList<QByteArray>{"--version"}
                             << false;
    QTest::newRow("help") << "ButtonShowUPXHelp" << false << QList<QByteArray>{"--help"} << false;
    QTest::newRow("test two files")
        << "ButtonTest" << true << QList<QByteArray>{"-t", "@a.exe", "@b c.exe"} << true;
    QTest::newRow("test, no files") << "ButtonTest" << false << QList<QByteArray>{"-t"} << true;
    QTest::newRow("list two files")
        << "ButtonList" << true << QList<QByteArray>{"-l", "@a.exe", "@b c.exe"} << true;
    QTest::newRow("-L with files") << "ButtonShowUPXL" << true << QList<QByteArray>{"-L"} << true;
    QTest::newRow("-L, no files") << "ButtonShowUPXL" << false << QList<QByteArray>{"-L"} << true;
  }
  void informationCommands() {
    QFETCH(QString, button);
    QFETCH(bool, withFiles);
    QFETCH(QList<QByteArray>, expected);
    QFETCH(bool, sizes);
    Env e;
    for (QByteArray& a : expected) a.replace('@', e.dir.path());
    if (withFiles) e.select({e.dir.makeFile("a.exe", 3000), e.dir.makeFile("b c.exe", 5000)});
    for (QLabel* l : {e.ui().get<QLabel>("LabelF1"), e.ui().get<QLabel>("LabelF2"),
                      e.ui().get<QLabel>("LabelF3")})
      l->setText(QStringLiteral("marker"));
    e.ctx.state.PendingPackCommand = "kept";
    e.ctx.state.opt.GlobalOpt_CloseCon = 0;
    auto* b = e.w()->findChild<QPushButton*>(button);
    QVERIFY(b && b->isEnabled());
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { b->click(); }));
    QCOMPARE(e.lastArgs(), expected);
    QVERIFY(e.ui().get<QLineEdit>("EditStatus")->text() != QStringLiteral("Ready"));
    QVERIFY(!e.ui().get<QLineEdit>("EditStatus")->text().isEmpty());
    QCOMPARE(e.ctx.state.PendingPackCommand, QByteArray("kept"));
    QVERIFY((e.ctx.console->window() != nullptr));  // information commands leave their console open
    if (!sizes) {
      QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("marker"));
    } else if (withFiles) {
      QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("7 KB total"));
      QCOMPARE(e.ui().get<QLabel>("LabelF2")->text(), QStringLiteral("7 KB total"));
      QCOMPARE(e.ui().get<QLabel>("LabelF3")->text(), QStringLiteral("100 %"));
    } else {
      QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("0 KB"));
      QCOMPARE(e.ui().get<QLabel>("LabelF2")->text(), QStringLiteral("0 KB"));
      QCOMPARE(e.ui().get<QLabel>("LabelF3")->text(), QStringLiteral("marker"));
    }
  }

  void editedCommandLine() {
    Env e;
    const QByteArray in = e.dir.makeFile("in.bin", 60000);
    const QByteArray out = e.dir.file("out.bin");
    QVERIFY(writeFileBytes(out, "old"));
    e.select({in});
    e.ui().get<QCheckBox>("OutFileBox")->setChecked(true);
    e.ui().get<QLineEdit>("EditOutFile")->setText(QFile::decodeName(out));
    e.ctx.state.PendingPackCommand = e.dir.packerPath() + " -2 \"" + in + '"';
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonPack")->click(); }));
    QCOMPARE(e.lastArgs(), (QList<QByteArray>{"-2", in}));
    QCOMPARE(readFileBytes(out), QByteArray("old"));  // no replace step for an edited line
    QVERIFY(e.ctx.state.PendingPackCommand.isEmpty());

    // It names what it names: two names of one file each get the packer's word on them.
    const QByteArray again = e.dir.path() + "./in.bin";
    e.select({in, again});
    e.ctx.state.PendingPackCommand = e.dir.packerPath() + " \"" + in + "\" \"" + again + '"';
    const std::optional<JobReport> twice =
        AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonPack")->click(); });
    QVERIFY(twice && twice->rows.size() == 2);
    QCOMPARE(FileResults::Word(twice->rows[1].outcome), "already-packed");

    // Forgotten even when the packer cannot be started; the labels stay.
    e.ctx.state.PendingUnpackCommand = e.dir.path() + "no-such-packer -d x";
    e.ui().get<QLabel>("LabelF1")->setText(QStringLiteral("marker"));
    const qsizetype before = e.runs().size();
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonUnPack")->click(); }));
    QVERIFY(e.ctx.state.PendingUnpackCommand.isEmpty());
    QCOMPARE(e.runs().size(), before);
    QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("marker"));
  }

  // All with the stand-in, whose methods all pack alike: the trials and the test; the file is
  // replaced, the status line names the method that won (of equal results, the first tried), no
  // trial's output is left.
  void allPacksTheFile() {
    Env e;
    const QByteArray in = e.dir.makeFile("all.bin", 60000);
    e.select({in});
    e.ui().get<QCheckBox>("CheckBoxTryMulti")->setChecked(true);
    e.ui().get<QRadioButton>("RadioButton_all")->setChecked(true);
    const std::optional<JobReport> r =
        AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonPack")->click(); });
    QVERIFY(r && r->started);
    QCOMPARE(r->outcome.exitCode, 0);
    QCOMPARE(r->rows.size(), 1);
    QCOMPARE(FileResults::Word(r->rows[0].outcome), "packed");
    QVERIFY2(r->rows[0].message.startsWith("nrv2b won: "), r->rows[0].message.constData());
    QCOMPARE(e.status(), QString::fromUtf8(r->rows[0].message));
    QVERIFY(readFileBytes(in).size() < 60000);
    for (const QByteArray& name : NamesInFolder(e.dir.path()))
      QVERIFY2(!name.startsWith(".packhelm-"), name.constData());
  }

  // All with a packer that cannot be started ends its job at once, and the next job (another
  // method) runs and reports as its own.
  void allWithoutAPacker() {
    Env e;
    const QByteArray in = e.dir.makeFile("in.bin", 60000), packer = e.ctx.state.UpxLocation;
    e.select({in});
    e.ui().get<QCheckBox>("CheckBoxTryMulti")->setChecked(true);
    e.ui().get<QRadioButton>("RadioButton_all")->setChecked(true);
    e.ctx.state.UpxLocation = e.dir.path() + "no-such-packer";
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonPack")->click(); }));
    QCOMPARE(readFileBytes(in).size(), 60000);
    e.ctx.state.UpxLocation = packer;
    e.ui().get<QRadioButton>("RadioButton_nrv2e")->setChecked(true);
    const std::optional<JobReport> r =
        AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonPack")->click(); });
    QVERIFY(r && r->started);
    QVERIFY(e.lastArgs().contains("--nrv2e"));
    QCOMPARE(r->rows.size(), 1);
    QVERIFY(r->rows.first().message.isEmpty());  // no method's verdict
  }

  void stayOnTop_data() {
    QTest::addColumn<int>("setting");
    QTest::addColumn<bool>("topIdle");
    QTest::addColumn<bool>("topWhileRunning");
    QTest::newRow("always") << 0 << true << true;
    QTest::newRow("except while packing") << 1 << true << false;
    QTest::newRow("never") << 2 << false << false;
  }
  void stayOnTop() {
    QFETCH(int, setting);
    QFETCH(bool, topIdle);
    QFETCH(bool, topWhileRunning);
    Env e;
    e.ctx.state.opt.GlobalOpt_StayOnTop = setting;
    e.w()->SetLanguage();
    auto top = [&] { return e.w()->windowFlags().testFlag(Qt::WindowStaysOnTopHint); };
    QCOMPARE(top(), topIdle);
    QVERIFY(e.w()->isVisible());
    e.select({e.dir.makeFile("a.bin", 4000)});
    bool seen = !topWhileRunning;
    connect(e.ctx.engine, &JobEngine::batchStarted, e.w(), [&] { seen = top(); });
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { e.ui().get<QPushButton>("ButtonPack")->click(); }));
    QCOMPARE(seen, topWhileRunning);
    QCOMPARE(top(), topIdle);
    QVERIFY(e.w()->isVisible());
    const QPoint pos = e.w()->pos();
    e.ctx.state.opt.GlobalOpt_StayOnTop = topIdle ? 2 : 0;
    e.w()->SetLanguage();
    QCOMPARE(top(), !topIdle);
    QCOMPARE(e.w()->pos(), pos);
    QVERIFY(e.w()->isVisible());
  }

  void compressionCaption_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("caption");
    QTest::newRow("1") << 1 << QStringLiteral(" Compression = Best ");
    QTest::newRow("2") << 2 << QStringLiteral(" Compression = 9 ");
    QTest::newRow("4") << 4 << QStringLiteral(" Compression = 7 ");
    QTest::newRow("10") << 10 << QStringLiteral(" Compression = 1 ");
  }
  void compressionCaption() {
    QFETCH(int, position);
    QFETCH(QString, caption);
    Env e;
    e.ui().get<QSlider>("CompressValueBar")->setValue(position == 4 ? 5 : 4);
    e.ui().get<QSlider>("CompressValueBar")->setValue(position);
    QCOMPARE(e.ui().get<QGroupBox>("CompressValueBox")->title(), caption);
  }

  void setLanguage() {
    Env e;
    e.ctx.state.LangTexts[0] = "\xd0\xa1\xd0\xb6\xd0\xb0\xd1\x82\xd0\xb8\xd0\xb5";  // UTF-8 bytes
    e.select({e.dir.makeFile("a.bin", 4096)});
    e.ctx.state.LangTexts[11] = "Kb";
    e.w()->SetLanguage();
    QCOMPARE(e.ui().get<QLineEdit>("EditStatus")->text(), QStringLiteral("Ready"));
    QCOMPARE(e.ui().get<QGroupBox>("CompressValueBox")->title(), QStringLiteral(" Сжатие = 7 "));
    QCOMPARE(e.ui().get<QLabel>("LabelF1")->text(), QStringLiteral("4 Kb"));
    e.ctx.state.LangTexts[1].clear();
    e.w()->SetLanguage();
    QVERIFY(e.ui().get<QLineEdit>("EditStatus")->text().isEmpty());
  }

  void figuresFollowLongestCaption_data() {
    QTest::addColumn<QString>("size1");
    QTest::addColumn<QString>("size2");
    QTest::addColumn<QString>("ratio");
    QTest::newRow("long second") << "Before"
                                 << "Size after packing, in total"
                                 << "Ratio";
    QTest::newRow("short") << "A"
                           << "B"
                           << "C";
    QTest::newRow("long ratio") << "Before"
                                << "After"
                                << "Ratio of the two sizes, packed";
  }
  void figuresFollowLongestCaption() {
    QFETCH(QString, size1);
    QFETCH(QString, size2);
    QFETCH(QString, ratio);
    Env e;
    e.ui().get<QLabel>("LabelSize1")->setText(size1);
    e.ui().get<QLabel>("LabelSize2")->setText(size2);
    e.ui().get<QLabel>("LabelRatio")->setText(ratio);
    e.w()->SetLanguage();
    int right = 0;
    for (QLabel* l : {e.ui().get<QLabel>("LabelSize1"), e.ui().get<QLabel>("LabelSize2"),
                      e.ui().get<QLabel>("LabelRatio")}) {
      QVERIFY(l->width() >= l->sizeHint().width());  // nothing clipped
      right = qMax(right, l->geometry().right() + 1);
    }
    for (QLabel* l : {e.ui().get<QLabel>("LabelF1"), e.ui().get<QLabel>("LabelF2"),
                      e.ui().get<QLabel>("LabelF3")})
      QCOMPARE(l->x(), right + 8);
  }

  void coupling() {
    Env e;
    const Controls ui = e.ui();
    // Ticking the multi box on a fresh window enables the buttons; none is selected, no switch.
    e.select({e.dir.makeFile("t.exe", 600)});
    ui.get<QCheckBox>("CheckBoxTryMulti")->setChecked(true);
    QVERIFY(ui.get<QRadioButton>("RadioButton_nrv2b")->isEnabled() &&
            ui.get<QRadioButton>("RadioButton_nrv2d")->isEnabled());
    QCOMPARE(e.w()->packOptions().RadioButton_nrv2b, false);
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { ui.get<QPushButton>("ButtonPack")->click(); }));
    QCOMPARE(e.lastArgs(), (QList<QByteArray>{"-7", e.dir.file("t.exe")}));

    // The preset with the output box ticked: the output controls go grey, the text stays.
    ui.get<QCheckBox>("OutFileBox")->setChecked(true);
    ui.get<QLineEdit>("EditOutFile")->setText(QStringLiteral("/tmp/elsewhere.bin"));
    ui.get<QCheckBox>("ReplaceIfExistsCheckBox")->setChecked(false);
    e.w()->ButtonMaxClick();
    const PackOptions once = e.w()->packOptions();
    QVERIFY(!ui.get<QCheckBox>("OutFileBox")->isChecked());
    QVERIFY(!ui.get<QPushButton>("ButtonOut")->isEnabled() &&
            !ui.get<QLineEdit>("EditOutFile")->isEnabled());
    QVERIFY(!ui.get<QCheckBox>("ReplaceIfExistsCheckBox")->isEnabled() &&
            ui.get<QCheckBox>("ReplaceIfExistsCheckBox")->isChecked());
    QCOMPARE(ui.get<QLineEdit>("EditOutFile")->text(), QStringLiteral("/tmp/elsewhere.bin"));
    QCOMPARE(ui.get<QGroupBox>("CompressValueBox")->title(),
             QStringLiteral(" Compression = Best "));
    e.w()->ButtonMaxClick();
    QCOMPARE(e.w()->packOptions(), once);
    ui.get<QCheckBox>("OutFileBox")->setChecked(true);
    QVERIFY(ui.get<QCheckBox>("ReplaceIfExistsCheckBox")->isEnabled() &&
            ui.get<QCheckBox>("ReplaceIfExistsCheckBox")->isChecked());
    ui.get<QCheckBox>("OutFileBox")->setChecked(false);

    // Unticking keeps the dependents' states; ticking again brings the switches back.
    ui.get<QCheckBox>("CheckBoxTryMulti")->setChecked(false);
    QVERIFY(!ui.get<QRadioButton>("RadioButton_nrv2d")->isEnabled() &&
            ui.get<QRadioButton>("RadioButton_nrv2d")->isChecked());
    ui.get<QCheckBox>("Compress1CheckBox")->setChecked(false);
    QVERIFY(!ui.get<QSlider>("CompressValueBar1")->isEnabled());
    QCOMPARE(ui.get<QSlider>("CompressValueBar1")->value(), 10000);
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { ui.get<QPushButton>("ButtonPack")->click(); }));
    QCOMPARE(e.lastArgs().mid(0, 1), QList<QByteArray>{"--best"});
    QCOMPARE(e.lastArgs().size(), 2);
    ui.get<QCheckBox>("CheckBoxTryMulti")->setChecked(true);
    ui.get<QCheckBox>("Compress1CheckBox")->setChecked(true);
    QVERIFY(ui.get<QSlider>("CompressValueBar1")->isEnabled());
    QVERIFY(AwaitJob(e.ctx.jobs, [&] {
      ui.get<QPushButton>("ButtonUnPack")->click();
    }));  // undo the packing, then pack with the restored switches
    QVERIFY(AwaitJob(e.ctx.jobs, [&] { ui.get<QPushButton>("ButtonPack")->click(); }));
    QCOMPARE(e.lastArgs(),
             (QList<QByteArray>{"--best", "--crp-ucl-ms=999999", "--nrv2d", e.dir.file("t.exe")}));
  }

  void couplingRunsOnlyOnChange() {
    Env e;
    const Controls ui = e.ui();
    // Enabled by hand while unticked: setting the same state again runs no rule.
    ui.get<QSlider>("CompressValueBar1")->setEnabled(true);
    ui.get<QCheckBox>("Compress1CheckBox")->setChecked(false);
    QVERIFY(ui.get<QSlider>("CompressValueBar1")->isEnabled());
    ui.get<QCheckBox>("Compress1CheckBox")->setChecked(true);
    ui.get<QCheckBox>("Compress1CheckBox")->setChecked(false);
    QVERIFY(!ui.get<QSlider>("CompressValueBar1")->isEnabled());
    // The user's click runs the rule too.
    ui.get<QCheckBox>("OutFileBox")->setEnabled(true);
    QTest::mouseClick(ui.get<QCheckBox>("OutFileBox"), Qt::LeftButton, {},
                      QPoint(6, ui.get<QCheckBox>("OutFileBox")->height() / 2));
    QVERIFY(ui.get<QCheckBox>("OutFileBox")->isChecked());
    QVERIFY(ui.get<QLineEdit>("EditOutFile")->isEnabled());
  }

  // The settings table and the form describe the same controls: each option row names a control
  // of its kind whose range is the row's; after Reset each control holds the row's default.
  void optionTableMatchesTheControls() {
    Env e;
    e.w()->ButtonResetClick();
    for (const Settings::Row& row : Settings::Table) {
      if (row.section != Settings::Section::PackOption) continue;
      const QString name = QLatin1String(row.key);
      QWidget* c = e.w()->findChild<QWidget*>(name);
      QVERIFY2(c, row.key);
      switch (row.control) {
        case Settings::Control::CheckBox:
          QVERIFY2(qobject_cast<QCheckBox*>(c), row.key);
          QCOMPARE(int(qobject_cast<QCheckBox*>(c)->isChecked()), row.defaultValue);
          break;
        case Settings::Control::RadioButton:
          QVERIFY2(qobject_cast<QRadioButton*>(c), row.key);
          QCOMPARE(int(qobject_cast<QRadioButton*>(c)->isChecked()), row.defaultValue);
          break;
        case Settings::Control::Slider: {
          auto* slider = qobject_cast<QSlider*>(c);
          QVERIFY2(slider, row.key);
          QCOMPARE(slider->minimum(), row.minimum);
          QCOMPARE(slider->maximum(), row.maximum);
          QCOMPARE(slider->value(), row.defaultValue);
          break;
        }
        case Settings::Control::RadioGroup: {
          auto* group = qobject_cast<RadioGroup*>(c);
          QVERIFY2(group, row.key);
          QCOMPARE(row.minimum, -1);
          QCOMPARE(group->count() - 1, row.maximum);
          QCOMPARE(group->itemIndex(), row.defaultValue);
          break;
        }
        default:
          QFAIL(row.key);
      }
      QVERIFY2(row.defaultValue >= row.minimum && row.defaultValue <= row.maximum, row.key);
      QVERIFY2(row.presetValue >= row.minimum && row.presetValue <= row.maximum, row.key);
    }
    QStringList names;
    for (const Settings::Row& row : Settings::Table) names << QLatin1String(row.key);
    QCOMPARE(names.removeDuplicates(), 0);
    QCOMPARE(e.w()->packOptions(), PackOptions());
  }

  void resetRestoresDefaults() {
    Env e;
    const Controls ui = e.ui();
    e.w()->ButtonMaxClick();
    ui.get<QCheckBox>("BackupBox")->setChecked(true);
    ui.get<RadioGroup>("OverlayGroup")->setItemIndex(1);
    ui.get<QCheckBox>("CheckBoxLe")->setChecked(true);
    ui.get<QCheckBox>("OutFileBox")->setChecked(true);
    ui.get<QLineEdit>("EditOutFile")->setText(QStringLiteral("/x/y"));
    ui.get<QToolButton>("SpeedButtonAddOpt")->setChecked(true);
    e.w()->ButtonResetClick();
    PackOptions expected;
    expected.EditOutFile = "/x/y";
    QCOMPARE(e.w()->packOptions(), expected);
    QVERIFY(!ui.get<QRadioButton>("RadioButton_nrv2b")->isEnabled() &&
            !ui.get<QRadioButton>("RadioButton_nrv2d")->isEnabled());
    QVERIFY(!ui.get<QSlider>("CompressValueBar1")->isEnabled() &&
            !ui.get<QLineEdit>("EditOutFile")->isEnabled());
    QVERIFY(
        ui.get<QToolButton>("SpeedButtonAddOpt")->isChecked());  // the panel button is not touched
    QCOMPARE(ui.get<QGroupBox>("CompressValueBox")->title(), QStringLiteral(" Compression = 7 "));
  }

  // A method the located packer lacks cannot be chosen, its hint says why, and a stored choice
  // of it asks the packer for nothing; the box still governs the rest.
  void methodsThePackerLacks_data() {
    QTest::addColumn<QByteArray>("version");  // empty: not known
    QTest::addColumn<QByteArrayList>("lacking");
    QTest::newRow("4.2.3") << QByteArray("4.2.3") << QByteArrayList{};
    QTest::newRow("unknown") << QByteArray() << QByteArrayList{};
    QTest::newRow("2.03") << QByteArray("2.03")
                          << QByteArrayList{"RadioButton_lzma", "RadioButton_all"};
    QTest::newRow("1.25") << QByteArray("1.25")
                          << QByteArrayList{"RadioButton_nrv2e", "RadioButton_lzma",
                                            "RadioButton_all"};
  }
  void methodsThePackerLacks() {
    QFETCH(QByteArray, version);
    QFETCH(QByteArrayList, lacking);
    Env e;
    const Controls ui = e.ui();
    const PackerCapabilities packer = PackerCapabilities::ForVersion(version);
    e.ctx.state.Packer = packer;
    e.w()->findChild<MethodChoice*>()->setPacker(packer);
    ui.get<QRadioButton>("RadioButton_lzma")->setChecked(true);
    for (bool use : {true, false, true}) {
      ui.get<QCheckBox>("CheckBoxTryMulti")->setChecked(use);
      for (const char* name : {"RadioButton_nrv2b", "RadioButton_nrv2d", "RadioButton_nrv2e",
                               "RadioButton_lzma", "RadioButton_all"}) {
        const auto* b = ui.get<QRadioButton>(name);
        QCOMPARE(b->isEnabled(), use && !lacking.contains(name));
        const QString why = e.ctx.state.langText(LangText::MethodMissing, QString(version));
        QCOMPARE(b->toolTip().count(why), lacking.contains(name) ? 1 : 0);
      }
    }
    e.w()->SetLanguage();  // the hints set anew keep one note
    QCOMPARE(ui.get<QRadioButton>("RadioButton_all")->toolTip().count(u'\n'),
             qsizetype(lacking.contains("RadioButton_all")));
    const QByteArray line = CommandLine::GetCmdPack(e.w()->packOptions(), e.ctx.state);
    QCOMPARE(line.contains(" --lzma"), !lacking.contains("RadioButton_lzma"));
  }

  // The panel slides open in even steps until it shows whole, and shut again to the column; the
  // fast preference does each in one step.
  void panelSlide_data() {
    QTest::addColumn<bool>("fast");
    QTest::newRow("slide") << false;
    QTest::newRow("fast") << true;
  }
  void panelSlide() {
    QFETCH(bool, fast);
    Env e;
    e.ctx.state.opt.GlobalOpt_FastOpen = fast;
    const QSize closed = e.w()->size();
    auto* panel = e.ui().get<QFrame>("OptPanel");
    QList<int> widths;
    connect(e.w()->Timer1, &QTimer::timeout, e.w(), [&] { widths << e.w()->width(); });
    const auto steps = [&](int from) {
      QList<int> out;
      for (int w : std::as_const(widths)) out << w - std::exchange(from, w);
      return out;
    };
    e.ui().get<QToolButton>("SpeedButtonAddOpt")->click();
    QVERIFY(e.w()->Timer1->isActive());
    QTRY_VERIFY(!e.w()->Timer1->isActive());
    QList<int> opening = steps(closed.width());
    QCOMPARE(opening.size() > 1, !fast);
    QVERIFY(std::all_of(opening.begin(), opening.end(), [&](int s) { return s > 0; }));
    opening.removeLast();  // the last step only what is left
    QVERIFY(std::all_of(opening.begin(), opening.end(), [&](int s) { return s == opening[0]; }));
    QCOMPARE(e.w()->height(), closed.height());
    QVERIFY(panel->geometry().right() < e.w()->width());
    const int open = e.w()->width();
    widths.clear();
    e.ui().get<QToolButton>("SpeedButtonAddOpt")->click();
    QTRY_VERIFY(!e.w()->Timer1->isActive());
    const QList<int> closing = steps(open);
    QCOMPARE(closing.size(), opening.size() + 1);
    QVERIFY(std::all_of(closing.begin(), closing.end(), [&](int s) { return s < 0; }));
    QCOMPARE(e.w()->size(), closed);
  }

  void panelFirstShow() {
    Env e;
    // As restored from the settings: the button is down, the first step shows the whole panel.
    e.ui().get<QToolButton>("SpeedButtonAddOpt")->setChecked(true);
    QVERIFY(!e.w()->Timer1->isActive());
    e.w()->PanelFirstShow = true;
    e.w()->SpeedButtonAddOptClick();
    e.w()->Timer1Timer();
    QVERIFY(e.ui().get<QFrame>("OptPanel")->geometry().right() < e.w()->width());
    QVERIFY(!e.w()->Timer1->isActive());
    QVERIFY(!e.w()->PanelFirstShow);
  }

  void closeStopsDrops() {
    Env e;
    e.w()->close();
    QVERIFY(!e.w()->acceptDrops());
  }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
