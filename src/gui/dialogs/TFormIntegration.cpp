#include "gui/dialogs/TFormIntegration.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QShowEvent>

#include "core/integration/LinuxShellIntegration.h"
#include "gui/main/AppContext.h"
#include "gui/main/TFormMain.h"
#include "gui/widgets/Placement.h"
#include "gui/widgets/Prompts.h"
#include "ui_TFormIntegration.h"

TFormIntegration::TFormIntegration(AppContext& ctx, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      ui(new Ui::TFormIntegration),
      backend_(std::make_unique<LinuxShellIntegration>()) {
  ui->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  // Only its click operation is used (reading the text box back); it is never shown.
  ui->ButtonGet->hide();
  connect(ui->ButtonAdd, &QPushButton::clicked, this, &TFormIntegration::ButtonAddClick);
  connect(ui->ButtonRemove, &QPushButton::clicked, this, &TFormIntegration::ButtonRemoveClick);
  connect(ui->ButtonClose, &QPushButton::clicked, this, &TFormIntegration::ButtonCloseClick);
  connect(ui->ButtonGet, &QPushButton::clicked, this, &TFormIntegration::ButtonGetClick);
}

TFormIntegration::~TFormIntegration() {
  delete ui;
}

void TFormIntegration::setBackend(std::unique_ptr<ShellIntegration> backend) {
  if (backend) backend_ = std::move(backend);
}

void TFormIntegration::FormShow() {
  ui->RichEdit1->clear();
  QStringList lines;
  for (const QByteArray& ext : ctx_.state.opt.ShellExt)
    if (!ext.isEmpty()) lines << QString::fromUtf8(ext);
  ui->RichEdit1->setPlainText(lines.join(QLatin1Char('\n')));
}

void TFormIntegration::FormClose() {
  ButtonGetClick();
}

void TFormIntegration::ButtonGetClick() {
  ReadBackShellExt(TextLines(ui->RichEdit1->toPlainText()), ctx_.state.opt.ShellExt);
}

void TFormIntegration::ButtonAddClick() {
  ButtonGetClick();
  const QByteArray menuText = ctx_.state.langBytes(LangText::ShellMenuEntry);
  for (const QByteArray& ext : ctx_.state.opt.ShellExt) {
    const QByteArray type = backend_->fileType(ext);
    if (type.isEmpty()) continue;
    const ShellResult r = backend_->add(type, menuText);
    if (r.ok()) continue;
    QString text;
    switch (r.kind) {
      case ShellResult::Kind::CreateKeyFailed:
        text = QStringLiteral("Failed to create key %1").arg(r.where);
        break;
      case ShellResult::Kind::SetDataFailed:
        text = QStringLiteral("Failed to set data for '%1'").arg(r.where);
        break;
      default:
        // "%" would be read as a field code and "=" is not carried safely by every file manager.
        text = QStringLiteral(
                   "Failed to set data for 'Exec': the program's path cannot be written into a "
                   "desktop entry (it holds \"%\", \"=\" or a control character, or is not "
                   "UTF-8):\n%1")
                   .arg(r.where);
    }
    // What was written before this extension stays, and must reach the desktop's cache too.
    backend_->finish();
    Prompts::Message(this, Prompts::Icon::Error, text, QGuiApplication::applicationDisplayName());
    return;
  }
  backend_->finish();
}

void TFormIntegration::ButtonRemoveClick() {
  ButtonGetClick();
  for (const QByteArray& ext : ctx_.state.opt.ShellExt) {
    const QByteArray type = backend_->fileType(ext);
    if (!type.isEmpty()) backend_->remove(type);
  }
  backend_->finish();
}

void TFormIntegration::ButtonCloseClick() {
  close();
}

void TFormIntegration::done(int result) {
  FormClose();
  QDialog::done(result);
}

// Six lines of extensions in sight, in whatever font the box has, above its scroll bar.
void TFormIntegration::fitTextBox() {
  QPlainTextEdit* box = ui->RichEdit1;
  const int margin = int(box->document()->documentMargin());
  const int lines = 6 * box->fontMetrics().lineSpacing() + 2 * margin + 2 * box->frameWidth() +
                    box->horizontalScrollBar()->sizeHint().height();
  box->setFixedHeight(qMax(73, lines));
  // The dialog takes its new height now, before it is placed.
  layout()->activate();
}

void TFormIntegration::showEvent(QShowEvent* e) {
  if (!e->spontaneous()) {
    fitTextBox();
    FormShow();
  }
  QDialog::showEvent(e);
  Placement::PlaceDialog(this, ctx_.FormMain, placed_);
}
