// SPDX-License-Identifier: GPL-3.0-or-later
// The stand-in packer against the real one: the same inputs and switches give the same exit
// code, the same per-file lines (sizes aside), the same summary, the same names created beside the
// input (temporary, backup and output files) and the same message for every failure class.
// Where the stand-in knowingly differs (its own packed format, what it takes for a program, its
// progress line and banner), nothing here compares it.

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include "support/RealPacker.h"
#include "support/TestHelpers.h"
#include "support/TestProgramDir.h"

Q_DECLARE_METATYPE(SampleKind)

namespace {

using Names = QList<QByteArray>;

// What a run showed and did, in the terms the two packers share.
struct Outcome {
  int exitCode = -1;
  QStringList out;      // stdout after the banner, sizes masked
  QStringList err;      // stderr
  QStringList created;  // names that appeared in the folder during the run, sorted
  QStringList changed;  // the inputs whose bytes changed, sorted
  bool operator==(const Outcome&) const = default;
};

QString describe(const Outcome& o) {
  return QStringLiteral("exit %1\n--- out\n%2\n--- err\n%3\n--- created: %4\n--- changed: %5")
      .arg(o.exitCode)
      .arg(o.out.join(u'\n'), o.err.join(u'\n'), o.created.join(u' '), o.changed.join(u' '));
}

// Sizes and ratios differ with the packed format; the rest of a table line is compared.
QString masked(QString line) {
  static const QRegularExpression table(
      QStringLiteral("^ *\\d+ (->|<-) *\\d+ +(\\d+\\.\\d\\d%|overlay) +(\\S*) +(.*)$"));
  const QRegularExpressionMatch m = table.match(line);
  if (m.hasMatch())
    return QStringLiteral("N %1 N R %2 %3").arg(m.captured(1), m.captured(3), m.captured(4));
  // Why damaged data cannot be unpacked depends on where the damage lies in each format.
  static const QRegularExpression cantUnpack(QStringLiteral("(CantUnpackException): .*$"));
  return line.replace(cantUnpack, QStringLiteral("\\1"));
}

QStringList lines(const QByteArray& text) {
  QStringList all = QString::fromLocal8Bit(text).split(u'\n');
  if (!all.isEmpty() && all.last().isEmpty()) all.removeLast();
  for (QString& l : all) l = masked(l);
  return all;
}

// Each packer introduces itself in its own words; its output proper starts after the first blank
// line then.
QStringList afterBanner(QStringList out, bool banner) {
  if (banner) {
    const qsizetype blank = out.indexOf(QString());
    out = blank < 0 ? QStringList() : out.mid(blank + 1);
  }
  return out;
}

QStringList sorted(QStringList l) {
  l.sort();
  l.removeDuplicates();
  return l;
}

class Watch {
 public:
  explicit Watch(const QByteArray& folder) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) ::inotify_add_watch(fd_, folder.constData(), IN_CREATE | IN_MOVED_TO);
  }
  ~Watch() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  // The names that appeared since the watch began.
  QStringList names() {
    QStringList found;
    alignas(inotify_event) char buf[8192];
    for (ssize_t n; (n = ::read(fd_, buf, sizeof buf)) > 0;)
      for (char* p = buf; p < buf + n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(p);
        if (e->len > 0) found << QFile::decodeName(QByteArray(e->name));
        p += sizeof(inotify_event) + e->len;
      }
    return sorted(found);
  }

 private:
  int fd_ = -1;
};

// The case's files in a folder of their own: the sample under its name, or what the case asks for.
struct Case {
  QByteArray setup;  // how the input is made (see prepare())
  QByteArray name;   // the input's name
  Names args;        // the switches before the name
  Names taken;       // names already there before the run
  Names extra;       // further inputs after the first: "missing", "packed", "small", "same"
};

class Runner {
 public:
  Runner(QByteArray packer, QByteArray folder) : packer_(std::move(packer)), folder_(folder) {}

  Outcome run(const Names& args, const Names& inputs) {
    const QMap<QByteArray, QByteArray> before = contents(inputs);
    Watch watch(folder_);
    QProcess p;
    p.setWorkingDirectory(QFile::decodeName(folder_));
    QStringList list;
    for (const QByteArray& a : args) list << QFile::decodeName(a);
    p.start(QFile::decodeName(packer_), list);
    Outcome o;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return o;
    o.exitCode = p.exitCode();
    const int quiet = int(std::count_if(args.begin(), args.end(),
                                        [](const QByteArray& a) { return a.startsWith("-q"); })) +
                      int(args.contains("-qq")) + 2 * int(args.contains("-qqq"));
    o.out = afterBanner(lines(p.readAllStandardOutput()), quiet < 2);
    o.err = lines(p.readAllStandardError());
    o.created = watch.names();
    const QMap<QByteArray, QByteArray> after = contents(inputs);
    for (const QByteArray& in : inputs)
      if (before.value(in) != after.value(in)) o.changed << QFile::decodeName(in);
    o.changed.sort();
    return o;
  }

  QByteArray path(const QByteArray& name) const { return folder_ + '/' + name; }

 private:
  QMap<QByteArray, QByteArray> contents(const Names& inputs) const {
    QMap<QByteArray, QByteArray> m;
    for (const QByteArray& in : inputs) m.insert(in, readFileBytes(path(in)));
    return m;
  }
  QByteArray packer_;
  QByteArray folder_;
};

}  // namespace

class TestConformance : public QObject {
  Q_OBJECT

  // Makes the case's input in the runner's folder; for a packed input, the runner's own packer
  // packs it first.
  bool prepare(Runner& r, SampleKind kind, const Case& c, const QByteArray& input) {
    const QByteArray path = r.path(input);
    const QByteArray program = SampleProgram(kind);
    bool ok = true;
    if (c.setup == "missing") return true;
    if (c.setup == "empty") return writeFileRaw(path, {});
    if (c.setup == "small") return writeFileRaw(path, program.left(511));
    if (c.setup == "zeros") return writeFileRaw(path, QByteArray(8192, '\0'));
    if (c.setup == "folder") return MakeFoldersRaw(path);
    if (c.setup == "link") {
      ok = writeFileRaw(r.path("target"), program);
      return ok && ::symlink("target", path.constData()) == 0;
    }
    ok = writeFileRaw(path, program, 0755) && ::chmod(path.constData(), 0755) == 0;
    if (c.setup.startsWith("packed") || c.setup == "truncated")
      ok = ok && r.run({input}, {input}).exitCode == 0;
    if (c.setup == "truncated") {
      const QByteArray packed = readFileBytes(path);
      ok = ok && writeFileRaw(path, packed.left(packed.size() * 2 / 3));
    }
    const QHash<QByteArray, mode_t> modes{
        {"read-only", 0555}, {"not executable", 0644}, {"setuid", 04755}};
    if (modes.contains(c.setup)) ok = ok && ::chmod(path.constData(), modes[c.setup]) == 0;
    return ok;
  }

  Outcome runCase(const QByteArray& packer, SampleKind kind, const Case& c) {
    TemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    Runner r(packer, folder);
    Names inputs{c.name};
    for (int i = 0; i < c.extra.size(); ++i) inputs << "extra" + QByteArray::number(i);
    Case first = c;
    if (!prepare(r, kind, first, c.name)) return {};
    for (int i = 0; i < c.extra.size(); ++i) {
      Case more = c;
      more.setup = c.extra[i];
      if (!prepare(r, kind, more, inputs[i + 1])) return {};
    }
    for (const QByteArray& t : c.taken)
      if (!writeFileRaw(r.path(t), "already here\n")) return {};
    return r.run(c.args + inputs, inputs);
  }

 private slots:
  void initTestCase() {
    QString why;
    QVERIFY2(!RealPacker::Path(&why).isEmpty(), qPrintable(why));
    for (SampleKind kind : AllSampleKinds())
      QVERIFY2(!SampleProgram(kind, &why).isEmpty(), qPrintable(why));
    QVERIFY(Watch(QFile::encodeName(QDir::tempPath())).ok());
  }

  void sameOutcome_data() {
    QTest::addColumn<SampleKind>("kind");
    QTest::addColumn<QByteArray>("setup");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<Names>("args");
    QTest::addColumn<Names>("taken");
    QTest::addColumn<Names>("extra");
    for (SampleKind kind : AllSampleKinds()) {
      const char* k = SampleKindName(kind);
      const QByteArray file = SampleFileName(kind);
      auto row = [&](const char* name, const char* setup, const Names& args,
                     const Names& taken = {}, const Names& extra = {}) {
        QTest::addRow("%s %s", k, name)
            << kind << QByteArray(setup) << file << args << taken << extra;
      };
      // What depends on the kind of program: the format's name, the names made after the
      // input's, and what the packer finds in a program, packed or not.
      row("pack", "program", {});
      row("pack -k", "program", {"-k"});
      row("already packed", "packed", {});
      row("unpack", "packed", {"-d"});
      row("test", "packed", {"-t"});
      row("list", "packed", {"-l"});
      row("unpack not packed", "program", {"-d"});
      row("pack not executable", "not executable", {});
      // Cut short, some packed Linux programs lose the trailer that marks them as packed, which
      // the stand-in's format does not have.
      const bool trailerGone = kind == SampleKind::ElfNoPie || kind == SampleKind::ElfStatic;
      if (!trailerGone) row("unpack truncated", "truncated", {"-d"});
      // The rest, once for a Linux and once for a Windows program.
      if (kind != SampleKind::ElfPie && kind != SampleKind::Pe32) continue;
      row("pack, temporary name taken", "program", {}, {"prog.upx", "libsample.upx"});
      row("pack -k, backup name taken", "program", {"-k"}, {"prog.ex~", "prog.~", "libsample.so~"});
      row("pack -o", "program", {"-oout.bin"});
      row("pack -o existing", "program", {"-oout.bin"}, {"out.bin"});
      row("pack -q with failures", "program", {"-q"}, {}, {"missing", "packed", "small"});
      row("pack -qq with failures", "program", {"-qq"}, {}, {"missing", "packed", "small"});
      row("pack -qqq with failures", "program", {"-qqq"}, {}, {"missing", "packed", "small"});
      row("pack two", "program", {"-1"}, {}, {"program"});
      row("unpack -k", "packed", {"-d", "-k"});
      row("unpack two", "packed", {"-d"}, {}, {"packed"});
      row("test two", "packed", {"-t"}, {}, {"packed", "program"});
      row("test not packed", "program", {"-t"});
      row("test truncated", "truncated", {"-t"});
      row("list two", "packed", {"-l"}, {}, {"packed"});
      row("list not packed", "program", {"-l"});
      row("pack read-only", "read-only", {});
      row("pack read-only -k", "read-only", {"-k"});
      row("test read-only", "read-only", {"-t"});
      row("pack setuid", "setuid", {});
    }
    // Names whose extension the temporary and backup names treat specially.
    for (const char* name : {".hidden", "prog.", "a.so", "x.y.exe"})
      QTest::addRow("backup of %s", name) << SampleKind::ElfPie << QByteArray("program")
                                          << QByteArray(name) << Names{"-k"} << Names{} << Names{};
    // Failures that do not depend on the kind of program.
    for (const char* setup : {"missing", "empty", "small", "zeros", "folder", "link"})
      QTest::addRow("pack %s", setup) << SampleKind::ElfPie << QByteArray(setup)
                                      << QByteArray("input") << Names{} << Names{} << Names{};
    QTest::addRow("unpack zeros") << SampleKind::ElfPie << QByteArray("zeros")
                                  << QByteArray("input") << Names{"-d"} << Names{} << Names{};
  }
  void sameOutcome() {
    QFETCH(SampleKind, kind);
    QFETCH(QByteArray, setup);
    QFETCH(QByteArray, name);
    QFETCH(Names, args);
    QFETCH(Names, taken);
    QFETCH(Names, extra);
    const Case c{setup, name, args, taken, extra};
    const Outcome real = runCase(RealPacker::Path(), kind, c);
    const Outcome standin = runCase(standinPath(), kind, c);
    QVERIFY2(real.exitCode >= 0, "the real packer did not run");
    QVERIFY2(real == standin, qPrintable(QStringLiteral("real packer:\n%1\n\nstand-in:\n%2")
                                             .arg(describe(real), describe(standin))));
  }
};

QTEST_GUILESS_MAIN(TestConformance)
#include "test_conformance.moc"
