#include "gui/dialogs/TFormAbout.h"

#include <QDesktopServices>

#include "core/util/AboutInfo.h"
#include "gui/dialogs/TFormVersHist.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Placement.h"
#include "gui/widgets/Prompts.h"
#include "ui_TFormAbout.h"

TFormAbout::TFormAbout(AppContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx), ui(new Ui::TFormAbout) {
  ui->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

  QFont big = ui->Label1->font();
  big.setPixelSize(48);
  ui->Label1->setFont(big);

  ui->Label5->setText(QString::fromLatin1(AboutInfo::AuthorEmail));
  ui->Label7->setText(QString::fromLatin1(AboutInfo::AuthorWeb));
  ui->Label10->setText(QString::fromLatin1(AboutInfo::PackerWeb));

  connect(ui->Button1, &QPushButton::clicked, this, &TFormAbout::Button1Click);
  connect(ui->Button2, &QPushButton::clicked, this, &TFormAbout::Button2Click);
  connect(ui->Label5, &TLinkLabel::clicked, this, &TFormAbout::Label5Click);
  connect(ui->Label7, &TLinkLabel::clicked, this, &TFormAbout::Label7Click);
  connect(ui->Label10, &TLinkLabel::clicked, this, &TFormAbout::Label10Click);

  UpdateVersionLabels();
}

TFormAbout::~TFormAbout() {
  delete ui;
}

QUrl TFormAbout::authorMailUrl() {
  return QUrl(QStringLiteral("mailto:") + QLatin1String(AboutInfo::AuthorEmail));
}
QUrl TFormAbout::authorWebUrl() {
  return QUrl(QString::fromLatin1(AboutInfo::AuthorWeb));
}
QUrl TFormAbout::packerWebUrl() {
  return QUrl(QString::fromLatin1(AboutInfo::PackerWeb));
}

void TFormAbout::UpdateVersionLabels() {
  ui->Label11->setText(ctx_.state.langText(LangText::AboutVersion) + QLatin1Char(' ') +
                       QLatin1String(AboutInfo::ProgramVersion));
  ui->Label2->setText(ctx_.state.langText(LangText::AboutMadeFor) + QLatin1String("  ") +
                      QLatin1String(AboutInfo::PackerVersion));
}

void TFormAbout::Button1Click() {
  accept();
}

void TFormAbout::Button2Click() {
  if (ctx_.FormVersHist) ctx_.FormVersHist->exec();
}

void TFormAbout::Label5Click() {
  openLink(authorMailUrl());
}
void TFormAbout::Label7Click() {
  openLink(authorWebUrl());
}
void TFormAbout::Label10Click() {
  openLink(packerWebUrl());
}

void TFormAbout::openLink(const QUrl& url) {
  if (openUrl && openUrl(url)) return;
  Prompts::Message(this, Prompts::Icon::Warning,
                   QStringLiteral("No program on this desktop opens %1").arg(url.toString()),
                   windowTitle());
}

void TFormAbout::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  Placement::PlaceDialog(this, ctx_.FormMain, placed_);
}
