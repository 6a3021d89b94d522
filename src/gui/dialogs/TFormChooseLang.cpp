// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/TFormChooseLang.h"

#include <QListWidget>
#include <QShowEvent>
#include <QTimer>

#include "core/i18n/LanguageFiles.h"
#include "core/settings/ProgramState.h"
#include "gui/widgets/Placement.h"
#include "gui/widgets/Prompts.h"
#include "ui_TFormChooseLang.h"

TFormChooseLang::TFormChooseLang(ProgramState& state, QWidget* parent)
    : QDialog(parent), ui(new Ui::TFormChooseLang), state_(state) {
  ui->setupUi(this);
  // A title bar without any buttons: the only way out is "Continue".
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);

  // Kept for its name; it drives nothing.
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(100);

  // The illustration is decoration; without a picture it takes no room.
  ui->Image1->setVisible(false);

  ui->ComboBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(ui->ComboBox1, &QListWidget::itemSelectionChanged, this,
          &TFormChooseLang::ComboBox1Change);
  connect(ui->Button1, &QPushButton::clicked, this, &TFormChooseLang::Button1Click);
}

TFormChooseLang::~TFormChooseLang() {
  delete ui;
}

void TFormChooseLang::reject() {}

void TFormChooseLang::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) {
    Placement::CentreOn(this, Placement::MainWindow());
    FormShow();
  }
}

void TFormChooseLang::FormShow() {
  LangFile.clear();
  LangName.clear();
  terminated_ = false;
  QList<QByteArray> notUtf8;
  LanguageFiles::ListLanguages(state_.LangDir, names_, englishNames_, fileNames_, &notUtf8);
  if (!notUtf8.isEmpty()) {
    // Not offered as if valid: named, so the user knows which file to convert. Before a language
    // is chosen the text is English.
    QString text = state_.langText(LangText::LanguageNotUtf8);
    if (text.isEmpty())
      text = QStringLiteral("These language files are not UTF-8 text and are not offered:");
    for (const QByteArray& f : notUtf8) text += QLatin1Char('\n') + LanguageFiles::DisplayName(f);
    Prompts::Message(this, Prompts::Icon::Warning, text, windowTitle());
  }

  QListWidget* list = ui->ComboBox1;
  const QSignalBlocker block(list);
  list->clear();
  if (names_.isEmpty() && TerminateIfNoLanguages) {
    terminated_ = true;
    // Closed once the message is read and the showing is complete.
    Prompts::Message(this, Prompts::Icon::Error,
                     QStringLiteral("There are no language files. Press OK to terminate program."),
                     QStringLiteral("Error."), [this] {
                       QMetaObject::invokeMethod(
                           this, [this] { done(QDialog::Rejected); }, Qt::QueuedConnection);
                     });
    return;
  }
  for (qsizetype i = 0; i < names_.size(); ++i)
    list->addItem(QString::fromUtf8(names_[i]) + QStringLiteral(" (") +
                  QString::fromUtf8(englishNames_[i]) + QLatin1Char(')'));

  // The last row named "English" wins; without one, the first row.
  int row = -1;
  for (qsizetype i = 0; i < englishNames_.size(); ++i)
    if (englishNames_[i] == "English") row = int(i);
  if (row < 0 && list->count() > 0) row = 0;
  list->setCurrentRow(row);
  ComboBox1Change();
}

void TFormChooseLang::ComboBox1Change() {
  QListWidget* list = ui->ComboBox1;
  const QList<QListWidgetItem*> selected = list->selectedItems();
  if (selected.isEmpty()) return;
  const int row = list->row(selected.first());
  if (row < 0 || row >= fileNames_.size()) return;
  LangName = englishNames_[row];
  LangFile = fileNames_[row];
  emit languageSelected(LangFile);
}

void TFormChooseLang::Button1Click() {
  accept();
}
