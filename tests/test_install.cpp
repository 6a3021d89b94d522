// SPDX-License-Identifier: GPL-3.0-or-later
// The installed program as a user gets it: this build installed into a staging folder (DESTDIR)
// by `cmake --install`, the desktop entry and the AppStream data through their validators, the
// icon at every size, the manual page, and the staged executable started offscreen, finding the
// three languages in the shared data folder, also after the installed tree was moved.
#include <QtTest>

#include <QDirIterator>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QWidget>
#include <QXmlStreamReader>

#include "PackhelmBuildConfig.h"
#include "core/startup/PackerLocator.h"
#include "core/util/AboutInfo.h"
#include "gui/widgets/DesktopIdentity.h"
#include "support/InstallContents.h"
#include "support/TestHelpers.h"

namespace {

const QString kAppId = QStringLiteral(PACKHELM_APP_ID);

// The releases of the English version history, newest first.
QStringList historyReleases() {
  const QByteArray html = readFileBytes(PACKHELM_SOURCE_DIR "/resources/history/history_en.html");
  QStringList out;
  static const QRegularExpression re(QStringLiteral("<b>Version (\\d+\\.\\d+\\.\\d+)</b>"));
  for (auto it = re.globalMatch(QString::fromUtf8(html)); it.hasNext();)
    out << it.next().captured(1);
  return out;
}

QString tool(const char* name) {
  return QStandardPaths::findExecutable(QLatin1String(name));
}

// What the AppStream file says, read with Qt's XML reader.
struct MetaInfo {
  QString id, launchable, binary, projectLicense;
  QStringList mediaTypes, releases, releaseDates;
  bool contentRating = false;
  int releasesWithoutNotes = 0;
};

MetaInfo readMetaInfo(const QByteArray& xml) {
  MetaInfo m;
  QXmlStreamReader r(xml);
  int notes = 0;
  while (!r.atEnd()) {
    r.readNext();
    if (r.isEndElement() && r.name() == QLatin1String("release") && notes == 0)
      ++m.releasesWithoutNotes;
    if (!r.isStartElement()) continue;
    const QStringView n = r.name();
    if (n == QLatin1String("id")) {
      m.id = r.readElementText();
    } else if (n == QLatin1String("launchable")) {
      m.launchable = r.readElementText();
    } else if (n == QLatin1String("project_license")) {
      m.projectLicense = r.readElementText();
    } else if (n == QLatin1String("binary")) {
      m.binary = r.readElementText();
    } else if (n == QLatin1String("mediatype")) {
      m.mediaTypes << r.readElementText();
    } else if (n == QLatin1String("content_rating")) {
      m.contentRating = true;
    } else if (n == QLatin1String("release")) {
      m.releases << r.attributes().value(QLatin1String("version")).toString();
      m.releaseDates << r.attributes().value(QLatin1String("date")).toString();
      notes = 0;
    } else if (n == QLatin1String("li")) {
      if (!r.readElementText().trimmed().isEmpty()) ++notes;
    }
  }
  if (r.hasError()) m.id = QStringLiteral("<XML error: %1>").arg(r.errorString());
  return m;
}

}  // namespace

class TestInstall : public QObject {
  Q_OBJECT

  TemporaryDir stage_;
  QString prefix_;  // the staged /usr

  QString staged(const QString& relative) const { return prefix_ + relative; }
  // A key of the installed desktop entry, as GLib reads it.
  QByteArray desktopKey(const QByteArray& key) const {
    return GLibKeyFileValue(
        QFile::encodeName(staged(QStringLiteral("share/applications/%1.desktop").arg(kAppId))),
        "Desktop Entry", key);
  }

 private slots:
  void initTestCase() {
    QVERIFY(stage_.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DESTDIR"), stage_.path());
    const ToolRun r = RunTool(QStringLiteral(PACKHELM_CMAKE_COMMAND),
                              {QStringLiteral("--install"), QStringLiteral(PACKHELM_BUILD_DIR),
                               QStringLiteral("--prefix"), QStringLiteral("/usr")},
                              env);
    QVERIFY2(r.started && r.exitCode == 0, r.out + r.err);
    prefix_ = stage_.path() + QStringLiteral("/usr/");
  }

  // Exactly the expected files, nothing of the tests or benchmarks.
  void installedFiles() {
    QStringList found;
    QDirIterator it(stage_.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) found << it.next().mid(prefix_.size());
    found.sort();
    QCOMPARE(found, InstalledFiles());
    const QFileInfo exe(staged(QStringLiteral("bin/packhelm")));
    QVERIFY(exe.isExecutable());
    QVERIFY(exe.permissions() & QFile::ExeOther);
  }

  // Where the package brings the packer, the installed program finds it once nothing else offers
  // one, and it runs; the copyright file names its licence.
  void ownPackerIsFound() {
#ifndef PACKHELM_BUNDLES_PACKER
    QSKIP("this build installs no packer of its own (PACKHELM_BUNDLED_PACKER)");
#else
    const QByteArray bin = QFile::encodeName(staged(QStringLiteral("bin/")));
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(stage_.path()) + "/nothing-here");
    const QByteArray found = PackerLocator::Locate(bin, {});
    qputenv("PATH", savedPath);
    QCOMPARE(found, QFile::encodeName(staged(QStringLiteral("libexec/packhelm/upx"))));
    const ToolRun r = RunTool(QFile::decodeName(found), {QStringLiteral("--version")});
    QVERIFY2(r.started && r.exitCode == 0 && r.out.startsWith("upx 4.2.3\n"), r.out + r.err);
    const QByteArray copyright =
        readFileBytes(QFile::encodeName(staged(QStringLiteral("share/doc/packhelm/copyright"))));
    QVERIFY(copyright.contains("\n\nFiles: usr/libexec/packhelm/upx\n"));
    QVERIFY(copyright.contains("License: GPL-2+ with UPX exception\n"));
#endif
  }

  void desktopEntryValidates() {
    const QString validator = tool("desktop-file-validate");
    QVERIFY2(!validator.isEmpty(), "desktop-file-validate (desktop-file-utils) is missing");
    const ToolRun r =
        RunTool(validator, {staged(QStringLiteral("share/applications/%1.desktop").arg(kAppId))});
    // It prints hints too: a clean entry gives no output at all.
    QVERIFY2(r.exitCode == 0 && r.out.isEmpty() && r.err.isEmpty(), r.out + r.err);
  }

  void desktopEntryKeys_data() {
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("Type") << QByteArray("Type") << QByteArray("Application");
    QTest::newRow("Exec") << QByteArray("Exec") << QByteArray("packhelm %F");
    QTest::newRow("Icon") << QByteArray("Icon") << kAppId.toUtf8();
    QTest::newRow("MimeType") << QByteArray("MimeType")
                              << ExecutableMimeTypes().join(';').toUtf8() + ';';
    QTest::newRow("Categories") << QByteArray("Categories")
                                << QByteArray("Utility;Archiving;Compression;");
    QTest::newRow("Name") << QByteArray("Name") << QByteArray("Packhelm");
    QTest::newRow("Name[de]") << QByteArray("Name[de]") << QByteArray("Packhelm");
    QTest::newRow("Name[ru]") << QByteArray("Name[ru]") << QByteArray("Packhelm");
    QTest::newRow("GenericName[de]")
        << QByteArray("GenericName[de]") << QByteArray("Packer für ausführbare Dateien");
    QTest::newRow("GenericName[ru]")
        << QByteArray("GenericName[ru]") << QByteArray("Упаковщик исполняемых файлов");
    QTest::newRow("Comment[de]") << QByteArray("Comment[de]")
                                 << QByteArray(
                                        "Programme und Bibliotheken mit UPX packen und "
                                        "entpacken");
    QTest::newRow("Comment[ru]") << QByteArray("Comment[ru]")
                                 << QByteArray(
                                        "Сжатие и распаковка программ и библиотек с "
                                        "помощью UPX");
  }
  void desktopEntryKeys() {
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QCOMPARE(desktopKey(key), value);
  }

  void desktopEntryHasKeywordsInEveryLanguage() {
    for (const char* key : {"Keywords", "Keywords[de]", "Keywords[ru]", "GenericName", "Comment"})
      QVERIFY2(desktopKey(key).size() > 10, key);
    // The program names the entry as its desktop file, so the windows belong to it.
    DesktopIdentity::Apply();
    QCOMPARE(QGuiApplication::desktopFileName() + QStringLiteral(".desktop"),
             QStringLiteral("%1.desktop").arg(kAppId));
  }

  void appStreamValidates() {
    const QString validator = tool("appstreamcli");
    QVERIFY2(!validator.isEmpty(), "appstreamcli (appstream) is missing");
    const QString file = staged(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(kAppId));
    const ToolRun r = RunTool(validator, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                          QStringLiteral("--pedantic"), file});
    qInfo("appstreamcli validate --no-net --pedantic: exit %d\n%s", r.exitCode,
          (r.out + r.err).constData());
    QVERIFY2(r.started && r.exitCode == 0, r.out + r.err);
    // Nothing at all to remark, not even pedantically.
    QVERIFY2(!(r.out + r.err).contains("pedantic:") && !(r.out + r.err).contains("info:"),
             r.out + r.err);
  }

  void appStreamContents() {
    const MetaInfo m = readMetaInfo(readFileBytes(
        QFile::encodeName(staged(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(kAppId)))));
    QCOMPARE(m.id, kAppId);
    QCOMPARE(m.launchable, kAppId + QStringLiteral(".desktop"));
    QCOMPARE(m.binary, QStringLiteral("packhelm"));
    // The licence a software centre shows is the one the About box names, and LICENSE holds.
    QCOMPARE(m.projectLicense, QString::fromLatin1(AboutInfo::License));
    QVERIFY(readFileBytes(PACKHELM_SOURCE_DIR "/LICENSE")
                .startsWith("                    GNU GENERAL PUBLIC LICENSE\n"
                            "                       Version 3, 29 June 2007\n"));
    QCOMPARE(m.mediaTypes, ExecutableMimeTypes());
    QVERIFY(m.contentRating);
    // Every release of the version history, newest (this build's version) first, each with its
    // notes and a date.
    const QStringList history = historyReleases();
    QCOMPARE(history.size(), 15);
    QCOMPARE(m.releases, history);
    QCOMPARE(m.releases.first(), QStringLiteral(PACKHELM_VERSION));
    QCOMPARE(m.releasesWithoutNotes, 0);
    for (const QString& d : m.releaseDates)
      QVERIFY2(QDate::fromString(d, Qt::ISODate).isValid(), qPrintable(d));
  }

  void iconAtEverySize_data() {
    QTest::addColumn<int>("size");
    for (int s : {PACKHELM_ICON_SIZES}) QTest::addRow("%dx%d", s, s) << s;
  }
  void iconAtEverySize() {
    QFETCH(int, size);
    const QImage image(
        staged(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kAppId)));
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(size, size));
    // A rounded square: the corners are see-through, the middle is not.
    QVERIFY(image.hasAlphaChannel());
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
    // The program's own window icon has the same size and the same pixels.
    const QIcon icon = DesktopIdentity::Icon();
    QVERIFY(icon.availableSizes().contains(QSize(size, size)));
    // (As the window system gets it: premultiplied, as a pixmap holds it.)
    QCOMPARE(icon.pixmap(QSize(size, size)).toImage(),
             image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
  }

  // Sizes between the rendered ones come from the next larger; nothing larger than the largest.
  void iconBetweenSizes_data() {
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("given");
    QTest::newRow("40") << 40 << 40;
    QTest::newRow("20") << 20 << 20;
    QTest::newRow("8") << 8 << 8;
    QTest::newRow("512") << 512 << 256;
  }
  void iconBetweenSizes() {
    QFETCH(int, asked);
    QFETCH(int, given);
    const QImage image = DesktopIdentity::Icon().pixmap(QSize(asked, asked)).toImage();
    QCOMPARE(image.size(), QSize(given, given));
    QCOMPARE(DesktopIdentity::Icon().actualSize(QSize(asked, asked)), QSize(given, given));
    // Drawn, not blank: the middle is opaque.
    QCOMPARE(qAlpha(image.pixel(given / 2, given / 2)), 255);
  }

  void scalableIcon() {
    const QByteArray svg = readFileBytes(QFile::encodeName(
        staged(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(kAppId))));
    QXmlStreamReader r(svg);
    QVERIFY(r.readNextStartElement());
    QCOMPARE(r.name().toString(), QStringLiteral("svg"));
    QCOMPARE(r.attributes().value(QLatin1String("viewBox")).toString(),
             QStringLiteral("0 0 256 256"));
  }

  void windowIconIsSet() {
    DesktopIdentity::Apply();
    QWidget w;
    QCOMPARE(w.windowIcon().availableSizes().size(), QList<int>{PACKHELM_ICON_SIZES}.size());
  }

  // The window's page and the command-line program's.
  void manualPage_data() {
    QTest::addColumn<QString>("page");
    QTest::newRow("packhelm") << QStringLiteral("packhelm");
    QTest::newRow("packhelm-cli") << QStringLiteral("packhelm-cli");
  }

  void manualPage() {
    QFETCH(QString, page);
    const ToolRun text = RunTool(
        QStringLiteral("gzip"),
        {QStringLiteral("-dc"), staged(QStringLiteral("share/man/man1/%1.1.gz").arg(page))});
    QCOMPARE(text.exitCode, 0);
    QVERIFY(text.out.contains(".TH " + page.toUpper().toUtf8() +
                              " 1 \"\" \"Packhelm " PACKHELM_VERSION "\""));
    for (const char* section : {".SH NAME", ".SH SYNOPSIS", ".SH DESCRIPTION", ".SH FILES"})
      QVERIFY2(text.out.contains(section), section);
    // groff reads it without a single warning.
    const QString groff = tool("groff");
    QVERIFY2(!groff.isEmpty(), "groff (groff-base) is missing");
    QProcess p;
    p.start(groff, {QStringLiteral("-man"), QStringLiteral("-ww"), QStringLiteral("-z"),
                    QStringLiteral("-Tutf8")});
    QVERIFY(p.waitForStarted());
    p.write(text.out);
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(p.readAllStandardError(), QByteArray());
  }

  // The staged program, started with no settings (so the language chooser lists the languages),
  // reads them from share/packhelm/lang beside its bin folder, wherever the tree lies.
  void stagedProgramListsTheSharedLanguages_data() {
    QTest::addColumn<QString>("moveTo");
    QTest::newRow("as installed") << QString();
    QTest::newRow("tree moved elsewhere") << QStringLiteral("elsewhere/packhelm tree");
  }
  void stagedProgramListsTheSharedLanguages() {
    QFETCH(QString, moveTo);
    QString prefix = prefix_;
    if (!moveTo.isEmpty()) {
      prefix = stage_.filePath(moveTo) + '/';
      QVERIFY(QDir().mkpath(QFileInfo(stage_.filePath(moveTo)).path()));
      QVERIFY(QDir().rename(prefix_, prefix));
    }
    const auto moveBack = qScopeGuard([&] {
      if (prefix != prefix_) QDir().rename(prefix, prefix_);
    });

    TemporaryDir home;
    QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("runtime"))));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("packhelm.languages.info=true"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(home.path());
    p.start(prefix + QStringLiteral("bin/packhelm"), {});
    QVERIFY2(p.waitForStarted(30000), qPrintable(p.errorString()));
    const auto stop = qScopeGuard([&] {
      p.kill();
      p.waitForFinished(30000);
    });
    QByteArray err;
    const QByteArray marker = "packhelm.languages: languages in ";
    QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains(marker) &&
                                 err.indexOf('\n', err.indexOf(marker)) > 0,
                             60000);
    const qsizetype at = err.indexOf(marker) + marker.size();
    const QByteArray line = err.mid(at, err.indexOf('\n', at) - at);
    const QByteArray folder = QFile::encodeName(prefix) + "share/packhelm/lang/: ";
    QVERIFY2(line.startsWith(folder), line.constData());
    QStringList found = QString::fromUtf8(line.mid(folder.size())).split(QLatin1Char(','));
    for (QString& f : found) f = f.trimmed();
    found.sort();
    QCOMPARE(found, (QStringList{QStringLiteral("English (English.lng)"),
                                 QStringLiteral("German (German.lng)"),
                                 QStringLiteral("Russian (Russian.lng)")}));
    QCOMPARE(p.state(), QProcess::Running);
  }
};

QTEST_MAIN(TestInstall)
#include "test_install.moc"
