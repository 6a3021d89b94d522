// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up as a returning user meets it: the whole process, from launch until its main window is
// mapped, and its resident memory once idle, alternated with a bare Qt Widgets window of the
// same size, and with two windows between them: one line of text, and the main window's form
// alone (bench/form_window.cpp); and Packhelm again with a stored selection of 30,000 files (a
// large folder selected in the session before). It prepares program folders like an installed
// portable copy (the executable, its settings file, the English language file and a packer as
// upx/upx), launches each
// program in turn under the current X display, waits for the MapNotify of a top-level window whose
// _NET_WM_PID is the child's, then for the child to go idle, reads VmRSS and ends it.
//
// Run by hand under a display of its own, with nothing else busy:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/bench_startup [rounds]
// or, to look at one start with other tools (strace, perf, heaptrack), prepare a folder only:
//   build/bin/bench_startup --prepare FOLDER [LANGUAGE [STORED_NAMES]]
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/settings/CFGfile.h"
#include "core/settings/SettingsFile.h"

extern char** environ;

namespace {

struct Sample {
  double ms = 0;
  double rssMiB = 0;
  int width = 0;  // of the window mapped
  int height = 0;
};

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
  const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
  free(r);
  return a;
}

pid_t windowPid(xcb_connection_t* c, xcb_window_t w, xcb_atom_t pidAtom) {
  xcb_get_property_reply_t* r = xcb_get_property_reply(
      c, xcb_get_property(c, 0, w, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
  pid_t pid = -1;
  if (r && xcb_get_property_value_length(r) == 4)
    pid = pid_t(*static_cast<uint32_t*>(xcb_get_property_value(r)));
  free(r);
  return pid;
}

// User plus system ticks of a process so far.
long cpuTicks(pid_t pid) {
  QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QByteArray s = f.readAll();
  const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
  return fields.size() > 12 ? fields[11].toLong() + fields[12].toLong() : -1;
}

double rssMiB(pid_t pid) {
  QFile f(QStringLiteral("/proc/%1/status").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmRSS:"))
      return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
  return -1;
}

// Launches `program`, waits for its top-level window to be mapped, then for 300 ms without CPU
// use, and ends it.
bool runOnce(xcb_connection_t* c, xcb_atom_t pidAtom, const QList<QByteArray>& command,
             Sample& out) {
  QList<char*> argv;
  for (const QByteArray& a : command) argv << const_cast<char*>(a.constData());
  argv << nullptr;
  const QByteArray& program = command.first();
  QElapsedTimer timer;
  timer.start();
  pid_t pid = 0;
  if (posix_spawn(&pid, program.constData(), nullptr, nullptr, argv.data(), environ) != 0)
    return false;
  bool mapped = false;
  while (!mapped && timer.elapsed() < 20000) {
    xcb_generic_event_t* e = xcb_poll_for_event(c);
    if (!e) {
      QThread::usleep(200);
      continue;
    }
    if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
      const auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
      if (windowPid(c, m->window, pidAtom) == pid) {
        out.ms = timer.nsecsElapsed() / 1e6;
        mapped = true;
        if (xcb_get_geometry_reply_t* g =
                xcb_get_geometry_reply(c, xcb_get_geometry(c, m->window), nullptr)) {
          out.width = g->width;
          out.height = g->height;
          free(g);
        }
      }
    }
    free(e);
  }
  if (mapped) {
    long last = cpuTicks(pid);
    for (int quiet = 0; quiet < 3 && timer.elapsed() < 30000;) {
      QThread::msleep(100);
      const long now = cpuTicks(pid);
      quiet = now == last ? quiet + 1 : 0;
      last = now;
    }
    out.rssMiB = rssMiB(pid);
  }
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  return mapped;
}

// A program folder like an installed portable copy: the executable, the language file, a packer
// as upx/upx and a settings file whose stored selection holds `storedNames` files of 624 bytes.
bool prepareFolder(const QString& built, const QString& folder, const QString& language,
                   int storedNames) {
  QDir().mkpath(folder + QStringLiteral("/upx"));
  if (!QFile::copy(built + QStringLiteral("/packhelm"), folder + QStringLiteral("/packhelm")) ||
      !QFile::copy(built + QStringLiteral("/%1.lng").arg(language),
                   folder + QStringLiteral("/%1.lng").arg(language)) ||
      !QFile::copy(QStringLiteral(PACKHELM_STANDIN_PATH), folder + QStringLiteral("/upx/upx"))) {
    std::fprintf(stderr, "cannot prepare the program folder from %s\n", qPrintable(built));
    return false;
  }
  QFile::setPermissions(folder + QStringLiteral("/packhelm"), QFile::ReadOwner | QFile::ExeOwner);
  QFile::setPermissions(folder + QStringLiteral("/upx/upx"), QFile::ReadOwner | QFile::ExeOwner);
  TCFGfile settings;
  settings.SetString("LangName", language.toUtf8());
  settings.SetInteger("GlobalOpt_FirstTimeShowConsol", 1);
  if (storedNames > 0) {
    const QByteArray work = QFile::encodeName(folder) + "/work/";
    QDir().mkpath(QFile::decodeName(work));
    QList<QByteArray> names;
    for (int i = 0; i < storedNames; ++i) {
      names << work + "tool" + QByteArray::number(100000 + i) + ".exe";
      QFile f(QFile::decodeName(names.last()));
      if (!f.open(QIODevice::WriteOnly) || f.write(QByteArray(624, 'x')) != 624) return false;
    }
    settings.SetString("Files", Settings::JoinLines(names));
  }
  return settings.SaveToFile(QFile::encodeName(folder + QStringLiteral("/Packhelmconfig.cfg")));
}

double median(QList<double> v) {
  std::sort(v.begin(), v.end());
  return v.isEmpty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const bool prepareOnly = argc > 2 && qstrcmp(argv[1], "--prepare") == 0;
  const int rounds = argc > 1 && !prepareOnly ? std::atoi(argv[1]) : 10;
  const QString built = QCoreApplication::applicationDirPath();

  // The program folder of a returning user, and one whose stored selection is a large folder's
  // 30,000 small programs.
  QTemporaryDir dir;
  const QString folder = prepareOnly ? QFile::decodeName(argv[2]) : dir.path();
  // The language of the prepared folder (English unless --prepare names another).
  const QString language = prepareOnly && argc > 3 ? QString::fromUtf8(argv[3]) : "English";
  const int preparedNames = prepareOnly && argc > 4 ? std::atoi(argv[4]) : 0;
  if (!prepareFolder(built, folder, language, preparedNames)) return 1;
  if (prepareOnly) return 0;
  QTemporaryDir largeDir;
  constexpr int kStoredNames = 30000;
  if (!prepareFolder(built, largeDir.path(), language, kStoredNames)) return 1;

  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "no X display (run under xvfb-run)\n");
    return 1;
  }
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(c);
  const xcb_atom_t pidAtom = atom(c, "_NET_WM_PID");

  const QByteArray packhelm = QFile::encodeName(folder + QStringLiteral("/packhelm"));
  const QByteArray packhelmLarge = QFile::encodeName(largeDir.path() + QStringLiteral("/packhelm"));
  const QByteArray bare = QFile::encodeName(built + QStringLiteral("/bare_window"));
  const QByteArray form = QFile::encodeName(built + QStringLiteral("/form_window"));
  // Packhelm, the bare window and two windows between them that show what a window of this kind
  // costs before any of Packhelm's own work: one line of text, and the main window's form alone.
  const char* names[] = {"Packhelm", "bare window", "one line of text", "the form alone",
                         "Packhelm, 30000 names"};
  constexpr int kinds = 5;
  QList<double> ms[kinds], mib[kinds];
  for (int i = 0; i < rounds; ++i) {
    Sample p;
    if (!runOnce(c, pidAtom, {packhelm}, p)) {
      std::fprintf(stderr, "round %d: Packhelm's window never showed\n", i);
      return 1;
    }
    // The bare windows take the size Packhelm's main window was mapped with.
    const QByteArray w = QByteArray::number(p.width), h = QByteArray::number(p.height);
    const QList<QByteArray> others[] = {
        {bare, w, h}, {bare, w, h, "text"}, {form}, {packhelmLarge}};
    Sample samples[kinds] = {p};
    for (int k = 1; k < kinds; ++k)
      if (!runOnce(c, pidAtom, others[k - 1], samples[k])) {
        std::fprintf(stderr, "round %d: %s never showed\n", i, names[k]);
        return 1;
      }
    std::printf("round %2d:", i);
    for (int k = 0; k < kinds; ++k) {
      ms[k] << samples[k].ms;
      mib[k] << samples[k].rssMiB;
      std::printf("  %6.1f ms %5.1f MiB", samples[k].ms, samples[k].rssMiB);
    }
    std::printf("   (%dx%d)\n", p.width, p.height);
  }
  std::printf("\nmedians, and ratios to the bare window:\n");
  for (int k = 0; k < kinds; ++k)
    std::printf("  %-18s %6.1f ms  %.2f   %5.1f MiB  %.2f\n", names[k], median(ms[k]),
                median(ms[k]) / median(ms[1]), median(mib[k]), median(mib[k]) / median(mib[1]));
  std::printf("median launch to mapped window: Packhelm %.1f ms, bare %.1f ms, ratio %.2f\n",
              median(ms[0]), median(ms[1]), median(ms[0]) / median(ms[1]));
  std::printf("median resident memory once idle: Packhelm %.1f MiB, bare %.1f MiB, ratio %.2f\n",
              median(mib[0]), median(mib[1]), median(mib[0]) / median(mib[1]));
  std::printf("median launch to mapped window with %d stored names: %.1f ms, ratio to none %.2f\n",
              kStoredNames, median(ms[4]), median(ms[4]) / median(ms[0]));
  xcb_disconnect(c);
  return 0;
}
