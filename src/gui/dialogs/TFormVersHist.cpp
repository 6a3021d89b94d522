// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/TFormVersHist.h"

#include <QFile>
#include <QShowEvent>

#include "core/settings/ProgramState.h"
#include "gui/widgets/Placement.h"
#include "ui_TFormVersHist.h"

// The resources live in a static library: without this the linker may drop them.
static void initResources() {
  Q_INIT_RESOURCE(resources);
}

TFormVersHist::TFormVersHist(ProgramState& state, QWidget* parent)
    : QDialog(parent), state_(state), ui(new Ui::TFormVersHist) {
  initResources();
  ui->setupUi(this);
  // A tool window: narrow title bar with a close box only.
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  QPalette p = ui->RichEdit1->palette();
  p.setColor(QPalette::Base, QColor(228, 219, 165));
  p.setColor(QPalette::Text, Qt::black);
  ui->RichEdit1->setPalette(p);
}

TFormVersHist::~TFormVersHist() {
  delete ui;
}

QString TFormVersHist::documentFor(const QByteArray& langName) {
  return langName == "Russian" ? QStringLiteral(":/history/history_ru.html")
                               : QStringLiteral(":/history/history_en.html");
}

void TFormVersHist::FormShow() {
  ui->RichEdit1->clear();
  QFile f(documentFor(state_.opt.LangName));
  if (f.open(QIODevice::ReadOnly)) ui->RichEdit1->setHtml(QString::fromUtf8(f.readAll()));
}

void TFormVersHist::FormClose() {
  ui->RichEdit1->clear();
}

void TFormVersHist::showEvent(QShowEvent* e) {
  // A window restored from the task bar keeps its place in the text.
  if (!e->spontaneous()) FormShow();
  QDialog::showEvent(e);
  Placement::PlaceDialog(this, Placement::MainWindow(), placed_);
}

void TFormVersHist::done(int result) {
  FormClose();
  QDialog::done(result);
}
