// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/TFormAbout.h"

#include <QDesktopServices>

#include "core/settings/ProgramState.h"
#include "core/util/AboutInfo.h"
#include "gui/dialogs/TFormVersHist.h"
#include "gui/widgets/Placement.h"
#include "gui/widgets/Prompts.h"
#include "ui_TFormAbout.h"

TFormAbout::TFormAbout(ProgramState& state, QWidget* parent)
    : QDialog(parent), state_(state), ui(new Ui::TFormAbout) {
  ui->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

  QFont big = ui->Label1->font();
  big.setPixelSize(48);
  ui->Label1->setFont(big);

  setAuthorAddresses(QString::fromUtf8(AboutInfo::AuthorEmail),
                     QString::fromUtf8(AboutInfo::AuthorWeb));
  ui->Label10->setText(QString::fromLatin1(AboutInfo::PackerWeb));
  ui->Label13->setText(QString::fromLatin1(AboutInfo::License));

  connect(ui->Button1, &QPushButton::clicked, this, &TFormAbout::Button1Click);
  connect(ui->Button2, &QPushButton::clicked, this, &TFormAbout::Button2Click);
  connect(ui->Label5, &LinkLabel::clicked, this, &TFormAbout::Label5Click);
  connect(ui->Label7, &LinkLabel::clicked, this, &TFormAbout::Label7Click);
  connect(ui->Label10, &LinkLabel::clicked, this, &TFormAbout::Label10Click);
  connect(ui->Label13, &LinkLabel::clicked, this, &TFormAbout::Label13Click);

  UpdateVersionLabels();
}

TFormAbout::~TFormAbout() {
  delete ui;
}

void TFormAbout::setAuthorAddresses(const QString& email, const QString& web) {
  authorEmail_ = email;
  authorWeb_ = web;
  ui->Label5->setText(email);
  ui->Label7->setText(web);
  ui->Label4->setHidden(email.isEmpty());
  ui->Label5->setHidden(email.isEmpty());
  ui->Label6->setHidden(web.isEmpty());
  ui->Label7->setHidden(web.isEmpty());
}

QUrl TFormAbout::authorMailUrl() const {
  return QUrl(QStringLiteral("mailto:") + authorEmail_);
}
QUrl TFormAbout::authorWebUrl() const {
  return QUrl(authorWeb_);
}
QUrl TFormAbout::packerWebUrl() {
  return QUrl(QString::fromLatin1(AboutInfo::PackerWeb));
}
QUrl TFormAbout::licenseWebUrl() {
  return QUrl(QString::fromLatin1(AboutInfo::LicenseWeb));
}

void TFormAbout::UpdateVersionLabels() {
  ui->Label11->setText(state_.langText(LangText::AboutVersion) + QLatin1Char(' ') +
                       QLatin1String(AboutInfo::ProgramVersion));
  ui->Label2->setText(state_.langText(LangText::AboutMadeFor) + QLatin1String("  ") +
                      QLatin1String(AboutInfo::PackerVersion));
}

void TFormAbout::Button1Click() {
  accept();
}

void TFormAbout::Button2Click() {
  emit versionHistoryRequested();
}

void TFormAbout::Label5Click() {
  if (!authorEmail_.isEmpty()) openLink(authorMailUrl());
}
void TFormAbout::Label7Click() {
  if (!authorWeb_.isEmpty()) openLink(authorWebUrl());
}
void TFormAbout::Label10Click() {
  openLink(packerWebUrl());
}
void TFormAbout::Label13Click() {
  openLink(licenseWebUrl());
}

void TFormAbout::openLink(const QUrl& url) {
  if (openUrl && openUrl(url)) return;
  Prompts::Message(this, Prompts::Icon::Warning,
                   state_.langText(LangText::LinkNotOpened).arg(url.toString()), windowTitle());
}

void TFormAbout::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  Placement::PlaceDialog(this, Placement::MainWindow(), placed_);
}
