// SPDX-License-Identifier: GPL-3.0-or-later
// The Debian package of this build, made by CPack as `--target package` makes it: its control
// fields (dependencies found by dpkg-shlibdeps, the packer recommended) and its files.
#include <QtTest>

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>

#include "PackhelmBuildConfig.h"
#include "support/InstallContents.h"
#include "support/TestHelpers.h"

class TestPackage : public QObject {
  Q_OBJECT

  TemporaryDir out_;
  QString deb_;

  QByteArray field(const char* name) {
    const ToolRun r =
        RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), deb_, QLatin1String(name)});
    return r.exitCode == 0 ? r.out.trimmed() : QByteArray("<dpkg-deb failed>");
  }

 private slots:
  void initTestCase() {
    QVERIFY(out_.isValid());
    const ToolRun r = RunTool(
        QStringLiteral(PACKHELM_CPACK_COMMAND),
        {QStringLiteral("--config"), QStringLiteral(PACKHELM_BUILD_DIR "/CPackConfig.cmake"),
         QStringLiteral("-B"), out_.path()});
    QVERIFY2(r.started && r.exitCode == 0, r.out + r.err);
    const QStringList debs =
        QDir(out_.path()).entryList({QStringLiteral("packhelm_*.deb")}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    deb_ = out_.filePath(debs.first());
    // The name `apt-get install ./packhelm_*.deb` in the README matches.
    QVERIFY(debs.first().startsWith(QStringLiteral("packhelm_" PACKHELM_VERSION "_")));
    qInfo("%s: %lld bytes; Depends: %s", qPrintable(debs.first()), QFileInfo(deb_).size(),
          field("Depends").constData());
  }

  void controlFields_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("Package") << QByteArray("Package") << QByteArray("packhelm");
    QTest::newRow("Version") << QByteArray("Version") << QByteArray(PACKHELM_VERSION);
    QTest::newRow("Recommends") << QByteArray("Recommends") << QByteArray("upx-ucl | upx");
    QTest::newRow("Section") << QByteArray("Section") << QByteArray("utils");
  }
  void controlFields() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);
    QCOMPARE(field(name.constData()), value);
  }

  // dpkg-shlibdeps found the libraries the program links: Qt's three, libvterm, the C++ runtime.
  void dependsNamesTheLibraries_data() {
    QTest::addColumn<QString>("package");
    for (const char* p :
         {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libvterm0", "libc6", "libstdc\\+\\+6"})
      QTest::newRow(p) << QString::fromLatin1(p);
  }
  void dependsNamesTheLibraries() {
    QFETCH(QString, package);
    const QByteArray depends = field("Depends");
    // Each with a lowest version, as dpkg-shlibdeps writes them.
    const QRegularExpression re(QStringLiteral("(^|, )%1 \\(>= [^)]+\\)(,|$)").arg(package));
    QVERIFY2(re.match(QString::fromUtf8(depends)).hasMatch(), depends.constData());
  }

  // What Debian's own checker finds in the package: nothing at all, no error and no warning.
  void lintianFindsNothing() {
    const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
    QVERIFY2(!lintian.isEmpty(), "lintian is missing (scripts/setup.sh --tests installs it)");
    const ToolRun r =
        RunTool(lintian, {QStringLiteral("--fail-on"), QStringLiteral("error,warning"), deb_});
    qInfo("lintian: exit %d\n%s%s", r.exitCode, r.out.constData(), r.err.constData());
    QVERIFY(r.started);
    QStringList findings;
    for (const QByteArray& line : (r.out + r.err).split('\n'))
      if (line.startsWith("E: ") || line.startsWith("W: ")) findings << QString::fromUtf8(line);
    QVERIFY2(findings.isEmpty(), qPrintable(findings.join('\n')));
    QCOMPARE(r.exitCode, 0);
  }

  // The maintainer has an address: the build's contact address where it is set.
  void maintainerHasAnAddress() {
    const QString maintainer = QString::fromUtf8(field("Maintainer"));
    QVERIFY2(QRegularExpression(QStringLiteral("^[^<>]+ <[^<>@ ]+@[^<>@ ]+\\.[^<>@ ]+>$"))
                 .match(maintainer)
                 .hasMatch(),
             qPrintable(maintainer));
    if (!QByteArray(PACKHELM_CONTACT).isEmpty())
      QVERIFY(maintainer.endsWith(QStringLiteral("<" PACKHELM_CONTACT ">")));
  }

  // The changelog is made from the version history wherever the source comes from. Its newest
  // entry carries the source's last change: the last commit in a git checkout, else
  // SOURCE_DATE_EPOCH, else the release's own day (an unpacked source archive has no git).
  void changelogFromTheVersionHistory_data() {
    QTest::addColumn<bool>("git");
    QTest::addColumn<QByteArray>("epoch");
    QTest::addColumn<QByteArray>("newestDate");
    QTest::newRow("git checkout") << true << QByteArray("1812456000")
                                  << QByteArray("Tue, 08 Dec 2026 10:00:00 +0000");
    QTest::newRow("archive, SOURCE_DATE_EPOCH")
        << false << QByteArray("1812456000") << QByteArray("Tue, 08 Jun 2027 12:00:00 +0000");
    QTest::newRow("archive") << false << QByteArray()
                             << QByteArray("Mon, 07 Dec 2026 00:00:00 +0000");
  }
  void changelogFromTheVersionHistory() {
    QFETCH(bool, git);
    QFETCH(QByteArray, epoch);
    QFETCH(QByteArray, newestDate);
    TemporaryDir src;
    const QString root = src.path();
    // The real version history; every release dated 2026-12-07.
    QVERIFY(QDir(root).mkpath(QStringLiteral("resources/history")));
    QVERIFY(QDir(root).mkpath(QStringLiteral("resources/desktop")));
    const QByteArray history =
        readFileBytes(PACKHELM_SOURCE_DIR "/resources/history/history_en.html");
    QVERIFY(
        writeFileBytes(QFile::encodeName(root) + "/resources/history/history_en.html", history));
    QByteArray dates = "# test\n";
    const QRegularExpression release(QStringLiteral("<b>Version ([0-9.]+)</b>"));
    int releases = 0;
    for (auto it = release.globalMatch(QString::fromUtf8(history)); it.hasNext(); ++releases)
      dates += it.next().captured(1).toLatin1() + " 2026-12-07\n";
    QVERIFY(
        writeFileBytes(QFile::encodeName(root) + "/resources/desktop/release-dates.txt", dates));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("SOURCE_DATE_EPOCH"));
    if (!epoch.isEmpty())
      env.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QString::fromLatin1(epoch));
    if (git) {
      // 2026-12-08 10:00 UTC, whatever SOURCE_DATE_EPOCH says.
      env.insert(QStringLiteral("GIT_COMMITTER_DATE"), QStringLiteral("1796724000 +0000"));
      env.insert(QStringLiteral("GIT_AUTHOR_DATE"), QStringLiteral("1796724000 +0000"));
      for (const QStringList& args :
           {QStringList{"init", "-q"}, QStringList{"add", "."},
            QStringList{"-c", "user.name=T", "-c", "user.email=t@packhelm.test", "commit", "-qm",
                        "x"}}) {
        const ToolRun r = RunTool(QStringLiteral("git"), QStringList{"-C", root} + args, env);
        QVERIFY2(r.started && r.exitCode == 0, r.err);
      }
    }
    const QString out = root + QStringLiteral("/changelog");
    const ToolRun r = RunTool(
        QStringLiteral(PACKHELM_CMAKE_COMMAND),
        {"-DSOURCE_DIR=" + root, "-DOUTPUT=" + out, QStringLiteral("-DVERSION=" PACKHELM_VERSION),
         QStringLiteral("-DMAINTAINER=T <t@packhelm.test>"), QStringLiteral("-P"),
         QStringLiteral(PACKHELM_SOURCE_DIR "/cmake/DebianChangelog.cmake")},
        env);
    QVERIFY2(r.started && r.exitCode == 0, r.out + r.err);
    const QByteArray text = readFileBytes(QFile::encodeName(out));
    QList<QByteArray> entryDates, versions;
    for (const QByteArray& line : text.split('\n')) {
      if (line.startsWith(" -- ")) entryDates << line.mid(line.indexOf(">  ") + 3);
      if (line.startsWith("packhelm (")) versions << line.mid(10, line.indexOf(')') - 10);
      QVERIFY2(line.size() <= 80, line.constData());
    }
    QCOMPARE(versions.size(), releases);
    QCOMPARE(versions.first(), QByteArray(PACKHELM_VERSION));
    QCOMPARE(entryDates.size(), versions.size());
    QCOMPARE(entryDates.first(), newestDate);
    // The older releases keep their own day.
    QCOMPARE(entryDates.last(), QByteArray("Mon, 07 Dec 2026 00:00:00 +0000"));
  }

  void filesInThePackage() {
    const ToolRun r = RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), deb_});
    QCOMPARE(r.exitCode, 0);
    QStringList files;
    for (const QByteArray& line : r.out.split('\n')) {
      if (line.isEmpty() || line.startsWith('d')) continue;
      // "-rw-r--r-- root/root  1066 2026-01-01 12:00 ./usr/share/..."
      const qsizetype at = line.indexOf(" ./usr/");
      QVERIFY2(at > 0, line.constData());
      files << QString::fromUtf8(line.mid(at + 7));
      QVERIFY2(line.contains(" root/root "), line.constData());
    }
    files.sort();
    QCOMPARE(files, InstalledFiles());
    QVERIFY(r.out.contains("-rwxr-xr-x root/root"));
  }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "test_package.moc"
