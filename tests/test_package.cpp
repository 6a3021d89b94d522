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
