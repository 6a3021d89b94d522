// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the packer's output for each file, and the CSV of the rows. The outputs follow the
// packer's own bytes on a terminal (UPX 4.2.3): progress redrawn after carriage returns, the
// line cleared before a message, CRLF line ends.
#include <QTest>

#include "core/packer/FileResults.h"

using namespace FileResults;

namespace {

const QByteArray kClear = "\r" + QByteArray(79, ' ') + "\r";

// A name as the terminal passes it on: each line feed as CR LF.
QByteArray tty(QByteArray name) {
  return name.replace("\n", "\r\n");
}

QByteArray progress(const QByteArray& name) {
  return "\r" + name + "  1/8  [*****.......]   35.0%  - \r" + name +
         "  1/8  [*******.....]   33.2%  \\ ";
}
QByteArray packed(const QByteArray& name) {
  return progress(name) + kClear + "    151344 ->     68076   44.98%   linux/amd64   " + name +
         "\r\n";
}
// The packer's message on a file: after its progress, cleared.
QByteArray refused(const QByteArray& name, const QByteArray& message) {
  return progress(name.mid(name.lastIndexOf('/') + 1)) + kClear + "\x1b[1;31mupx: " + tty(name) +
         ": " + message + "\r\n\x1b[0m";
}

const QByteArray kBanner =
    "                       Ultimate Packer for eXecutables\r\n"
    "UPX 4.2.3       Markus Oberhumer, Laszlo Molnar & John Reiser   Mar 27th 2024\r\n\r\n"
    "        File size         Ratio      Format      Name\r\n"
    "   --------------------   ------   -----------   -----------\r\n";

QByteArray words(const QList<Row>& rows) {
  QByteArrayList out;
  for (const Row& r : rows) out << Word(r.outcome);
  return out.join(',');
}

}  // namespace

class TestFileResults : public QObject {
  Q_OBJECT
 private slots:
  // Each file's outcome from the output, fed whole and in small pieces.
  void transcript_data() {
    QTest::addColumn<int>("job");
    QTest::addColumn<QByteArrayList>("files");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("end");
    QTest::addColumn<QByteArray>("outcomes");
    QTest::addColumn<QByteArray>("firstMessage");  // of the first file not done
    const int pack = int(Job::Pack), normal = int(RunEnd::Normal);
    QTest::newRow("pack, every refusal")
        << pack << QByteArrayList{"/d/a",  "/d/packed", "/d/text", "/d/small", "/d/ro",
                                  "/d/nc", "/d/gone",   "/d/cut",  "/d/denied"}
        << kBanner + packed("a") + refused("/d/packed", "AlreadyPackedException") +
               refused("/d/text", "UnknownExecutableFormatException") +
               refused("/d/small", "IOException: file is too small -- skipped") +
               refused("/d/ro", "IOException: file is write protected -- skipped") +
               refused("/d/nc", "NotCompressibleException") +
               refused("/d/gone", "FileNotFoundException: /d/gone: No such file or directory") +
               refused("/d/cut", "CantPackException: bad e_shoff") +
               refused("/d/denied", "IOException: /d/denied.upx: Read-only file system") +
               "\r\nPacked 9 files: 1 ok, 8 errors.\r\n"
        << normal
        << QByteArray(
               "packed,already-packed,unsupported,unsupported,write-protected,"
               "not-compressible,unreadable,unsupported,write-protected")
        << QByteArray("AlreadyPackedException");
    QTest::newRow("unpack and test")
        << int(Job::Unpack) << QByteArrayList{"x", "y"}
        << kBanner + "    156919 <-     68076   43.38%   linux/amd64   x\r\n" +
               refused("y", "NotPackedException: not packed by UPX") + "\r\nUnpacked 1 file.\r\n"
        << normal << QByteArray("unpacked,not-packed")
        << QByteArray("NotPackedException: not packed by UPX");
    QTest::newRow("test") << int(Job::Test) << QByteArrayList{"/p/x", "/p/y", "/p/z"}
                          << "testing /p/x [OK]\r\ntesting /p/y \r\n" +
                                 refused("/p/y", "CantUnpackException: header corrupted") +
                                 "testing /p/z [OK]\r\n\r\nTested 3 files: 2 ok, 1 error.\r\n"
                          << normal << QByteArray("tested,failed,tested")
                          << QByteArray("CantUnpackException: header corrupted");
    // What the user can mend or what was never packed is not called a format the packer lacks.
    QTest::newRow("test of files never packed, and a program without its x bit")
        << int(Job::Test) << QByteArrayList{"/p/text", "/p/plain", "/p/noexec"}
        << refused("/p/text", "UnknownExecutableFormatException") +
               refused("/p/plain", "NotPackedException: not packed by UPX") +
               refused("/p/noexec", "CantPackException: file not executable; try 'chmod +x'")
        << normal << QByteArray("not-packed,not-packed,failed")
        << QByteArray("UnknownExecutableFormatException");
    QTest::newRow("pack of a program without its x bit")
        << pack << QByteArrayList{"/p/noexec", "/p/text"}
        << refused("/p/noexec", "CantPackException: file not executable; try 'chmod +x'") +
               refused("/p/text", "UnknownExecutableFormatException")
        << normal << QByteArray("failed,unsupported")
        << QByteArray("CantPackException: file not executable; try 'chmod +x'");
    // Control bytes and line feeds in names come back as the packer echoes them.
    QTest::newRow("hostile names")
        << pack << QByteArrayList{"/d/e\x1b[31mred", "/d/two\nlines: x", "/d/last"}
        << kBanner + packed("e\x1b[31mred") +
               refused("/d/two\nlines: x", "CantPackException: bad e_shoff") + packed("last")
        << normal << QByteArray("packed,unsupported,packed")
        << QByteArray("CantPackException: bad e_shoff");
    // The packer names every file it refuses: files without a line were done.
    QTest::newRow("quiet packer, refusal further on")
        << pack << QByteArrayList{"a", "b", "c"} << refused("c", "NotCompressibleException")
        << normal << QByteArray("packed,packed,not-compressible")
        << QByteArray("NotCompressibleException");
    QTest::newRow("quiet packer after a refusal")
        << pack << QByteArrayList{"a", "b", "c"} << refused("a", "NotCompressibleException")
        << normal << QByteArray("not-compressible,packed,packed")
        << QByteArray("NotCompressibleException");
    // A refused open that names the file is its reading; any other name is the packer's writing.
    QTest::newRow("cannot read against cannot write")
        << pack << QByteArrayList{"/d/noread", "/d/nowrite"}
        << refused("/d/noread", "IOException: /d/noread: Permission denied") +
               refused("/d/nowrite", "IOException: /d/nowrite.upx: Permission denied")
        << normal << QByteArray("unreadable,write-protected")
        << QByteArray("IOException: /d/noread: Permission denied");
    // A carriage return in a name is no redrawn line (stopped: the files not reported are told).
    QTest::newRow("test of names with carriage returns, stopped")
        << int(Job::Test) << QByteArrayList{"/p/d\r", "/p/c\rr", "/p/e"}
        << "testing /p/d\r \r\n" + refused("/p/d\r", "CantUnpackException: header corrupted") +
               "testing /p/c\rr [OK]\r\ntesting /p/e "
        << int(RunEnd::Stopped) << QByteArray("failed,tested,stopped")
        << QByteArray("CantUnpackException: header corrupted");
    QTest::newRow("stopped during the second")
        << pack << QByteArrayList{"a", "b", "c"} << kBanner + packed("a") + progress("b")
        << int(RunEnd::Stopped) << QByteArray("packed,stopped,stopped") << QByteArray();
    QTest::newRow("died during the second")
        << pack << QByteArrayList{"a", "b"} << kBanner + packed("a") + progress("b")
        << int(RunEnd::Died) << QByteArray("packed,failed") << QByteArray("signal SIGSEGV");
    // A table line is the file's only when it ends with its name.
    QTest::newRow("total line and other names")
        << pack << QByteArrayList{"a", "/z/b"}
        << kBanner + "    151344 ->     68076   44.98%   linux/amd64   other\r\n" +
               "   --------------------   ------   -----------   -----------\r\n" +
               "    302688 ->    136152   44.98%                 [ 2 files ]\r\n"
        << int(RunEnd::Stopped) << QByteArray("stopped,stopped") << QByteArray();
  }
  void transcript() {
    QFETCH(int, job);
    QFETCH(QByteArrayList, files);
    QFETCH(QByteArray, output);
    QFETCH(int, end);
    QFETCH(QByteArray, outcomes);
    QFETCH(QByteArray, firstMessage);
    for (qsizetype piece : {output.size() + 1, qsizetype(1), qsizetype(7)}) {
      Transcript t(Job(job), files);
      for (qsizetype at = 0; at < output.size(); at += piece) t.feed(output.mid(at, piece));
      t.finish();
      const QList<Row> rows = t.rows(RunEnd(end), "signal SIGSEGV");
      QCOMPARE(words(rows), outcomes);
      const auto notDone = std::find_if(rows.begin(), rows.end(),
                                        [](const Row& r) { return !IsSuccess(r.outcome); });
      QCOMPARE(notDone == rows.end() ? QByteArray() : notDone->message, firstMessage);
      for (qsizetype i = 0; i < rows.size(); ++i) QCOMPARE(rows[i].file, files[i]);
    }
  }

  // The table of a run with its own output file names that file.
  void outputFileNamed() {
    Transcript t(Job::Pack, {"/in/prog"}, "/out/packed.bin");
    t.feed(kBanner + packed("packed.bin"));
    QCOMPARE(words(t.rows(RunEnd::Stopped)), QByteArray("packed"));
  }

  // RFC 4180: quoted where needed, quotes doubled, CRLF, names byte for byte, no size as empty.
  // What a message means, from the packer's words (UPX 4.2.3) or the system's.
  void meaning_data() {
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("meaning");
    const auto row = [](const char* message, Meaning m) {
      QTest::newRow(message) << QByteArray(message) << int(m);
    };
    row("AlreadyPackedException", Meaning::AlreadyPacked);
    row("AlreadyPackedException: already packed by UPX", Meaning::AlreadyPacked);
    row("NotPackedException: not packed by UPX", Meaning::NotPacked);
    row("NotCompressibleException", Meaning::NotCompressible);
    row("UnknownExecutableFormatException", Meaning::UnknownFormat);
    row("CantPackException: bad e_shoff", Meaning::CantPack);
    row("CantUnpackException: header corrupted", Meaning::CantUnpack);
    row("EOFException: premature end of file", Meaning::Truncated);
    row("OverlayException: invalid overlay size; file is possibly corrupt", Meaning::Overlay);
    row("FileNotFoundException: /d/gone: No such file or directory", Meaning::NotFound);
    row("FileAlreadyExistsException: /d/out: File exists", Meaning::Exists);
    row("IOException: file is write protected -- skipped", Meaning::WriteProtected);
    row("IOException: /d/denied.upx: Read-only file system", Meaning::ReadOnlyFileSystem);
    row("IOException: /d/x: Permission denied", Meaning::PermissionDenied);
    row("IOException: empty file -- skipped", Meaning::Empty);
    row("IOException: file is too small -- skipped", Meaning::TooSmall);
    row("IOException: file is too large -- skipped", Meaning::TooLarge);
    row("IOException: not a regular file -- skipped", Meaning::NotRegular);
    row("IOException: is a directory -- skipped", Meaning::Directory);
    row("IOException: is a symlink -- skipped", Meaning::Symlink);
    row("IOException: file has special permissions -- skipped", Meaning::SpecialPermissions);
    row("File name too long", Meaning::NameTooLong);
    row("IOException: write error: No space left on device", Meaning::NoSpace);
    row("not started", Meaning::NotStarted);
    row("signal SIGKILL", Meaning::Killed);
    row("IOException: bad write", Meaning::Unknown);
    row("NotCompressibleExceptions", Meaning::Unknown);
    row("", Meaning::Unknown);
  }
  void meaning() {
    QFETCH(QByteArray, message);
    QFETCH(int, meaning);
    QCOMPARE(int(MeaningOf(message)), meaning);
  }

  void csv() {
    const QList<Row> rows{
        {"/d/plain", 1000, 400, Outcome::Packed, {}},
        {"/d/a,\"b\"\nc\xff", 700, std::nullopt, Outcome::Failed, "IOException: x, y"},
        {"/d/gone", std::nullopt, std::nullopt, Outcome::Unreadable, {}}};
    QCOMPARE(Csv(rows), QByteArray("file,size_before,size_after,outcome,message\r\n"
                                   "/d/plain,1000,400,packed,\r\n"
                                   "\"/d/a,\"\"b\"\"\nc\xff\",700,,failed,\"IOException: x, y\"\r\n"
                                   "/d/gone,,,unreadable,\r\n"));
  }
};

QTEST_GUILESS_MAIN(TestFileResults)
#include "test_fileresults.moc"
