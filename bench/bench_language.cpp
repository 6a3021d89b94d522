// SPDX-License-Identifier: GPL-3.0-or-later
// Applying a language file to all eight windows. Run by hand:
//   build/bin/bench_language [runs]
// Prints the time of the first application and the median and worst of the following ones.

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "core/settings/CFGfile.h"
#include "gui/i18n/ApplyLanguage.h"
#include "gui/main/AppContext.h"
#include "gui/widgets/RadioGroup.h"

namespace {
// CPU time of this thread: the figure that does not depend on what else the machine runs.
double threadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}
}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 50;

  QTemporaryDir dir;
  AppContext ctx;
  ctx.runStartupOnShow = false;
  ctx.state.ProgramDir = QFile::encodeName(dir.path()) + '/';
  ctx.createForms();

  // Windows as full as the real ones: a few dozen controls each, some nested in group boxes,
  // and a file that names every one of them (caption and hint) plus all 101 texts.
  TCFGfile cfg;
  cfg.SetString("LanguageName", "English");
  cfg.SetString("LanguageName_en", "English");
  int entries = 2;
  for (QWidget* form : ctx.forms()) {
    const QByteArray formName = form->objectName().toUtf8();
    cfg.SetString("FORM\\" + formName, "Caption of " + formName);
    ++entries;
    auto* box = new QGroupBox(form);
    box->setObjectName(QStringLiteral("GroupBoxBench"));
    auto* layout = new QVBoxLayout(box);
    for (int i = 0; i < 12; ++i) {
      QWidget* w = nullptr;
      switch (i % 3) {
        case 0:
          w = new QPushButton(box);
          break;
        case 1:
          w = new QLabel(box);
          break;
        default:
          w = new QCheckBox(box);
          break;
      }
      const QByteArray name = "BenchControl" + QByteArray::number(i);
      w->setObjectName(QString::fromLatin1(name));
      layout->addWidget(w);
      cfg.SetString("BUTTON\\" + formName + "." + name, "Caption " + QByteArray::number(i));
      cfg.SetString("HINT\\" + formName + "." + name,
                    "A hint of some length@with a second line " + QByteArray::number(i));
      entries += 2;
    }
    auto* radios = new RadioGroup(form);
    radios->setObjectName(QStringLiteral("RadioGroupBench"));
    radios->setItems({"a", "b", "c", "d"});
    cfg.SetString("RADIOGROUPITEMS\\" + formName + ".RadioGroupBench",
                  "First\r\nSecond\r\nThird\r\nFourth");
    cfg.SetString("RADIOGROUP\\" + formName + ".RadioGroupBench", "Radio group");
    entries += 2;
  }
  for (int n = 0; n <= 100; ++n) {
    cfg.SetString("VAR\\" + QByteArray::number(n), "Message text number " + QByteArray::number(n));
    ++entries;
  }
  const QByteArray path = ctx.state.ProgramDir + "English.lng";
  if (!cfg.SaveToFile(path)) {
    std::fprintf(stderr, "cannot write %s\n", path.constData());
    return 1;
  }

  // Two files in turn, so every run really changes every text, as a change of language does.
  TCFGfile other;
  if (!other.LoadFromFile(path)) return 1;
  for (int i = 0; i < other.StringCount(); ++i)
    if (other.StringKeyAt(i).contains('\\'))
      other.SetString(other.StringKeyAt(i), other.StringValueAt(i) + " (2)");
  const QByteArray path2 = ctx.state.ProgramDir + "Other.lng";
  if (!other.SaveToFile(path2)) return 1;

  // Each run: the application itself, then the event processing it causes (layouts of the
  // windows), as the event loop would do right after it.
  QList<double> applyMs, totalMs, cpuMs;
  for (int r = 0; r <= runs; ++r) {
    QElapsedTimer t;
    t.start();
    const double cpu0 = threadCpuMs();
    if (!ApplyLanguage(r % 2 ? path2 : path, ctx.state.LangTexts, LangTextHighest, "FormMain",
                       ctx.forms())) {
      std::fprintf(stderr, "the file did not apply\n");
      return 1;
    }
    applyMs.append(t.nsecsElapsed() / 1e6);
    cpuMs.append(threadCpuMs() - cpu0);
    QCoreApplication::processEvents();
    totalMs.append(t.nsecsElapsed() / 1e6);
  }
  std::printf("entries %d, windows %d, runs %d\n", entries, int(ctx.forms().size()), runs);
  for (auto* list : {&applyMs, &cpuMs, &totalMs}) {
    const double first = list->takeFirst();
    std::sort(list->begin(), list->end());
    std::printf("%-22s first %.3f ms, median %.3f ms, worst %.3f ms (goal: under 10 ms)\n",
                list == &applyMs ? "apply (wall):"
                : list == &cpuMs ? "apply (thread CPU):"
                                 : "apply + events (wall):",
                first, (*list)[list->size() / 2], list->last());
  }
  return 0;
}
