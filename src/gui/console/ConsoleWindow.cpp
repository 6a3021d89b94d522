#include "gui/console/ConsoleWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/console/ScreenModel.h"
#include "gui/widgets/ConsoleView.h"

ConsoleWindow::ConsoleWindow(ScreenModel* model, QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(model),
      view_(new ConsoleView(model, this)),
      stop_(new QPushButton(QStringLiteral("Stop"), this)) {
  setObjectName(QStringLiteral("ConsoleWindow"));
  // The console never keeps the program alive on its own: when the main window closes, the
  // program ends, as a console goes with its process.
  setAttribute(Qt::WA_QuitOnClose, false);
  stop_->setObjectName(QStringLiteral("ButtonStop"));
  // A click must not take the keys away from the packer.
  stop_->setFocusPolicy(Qt::NoFocus);
  stop_->setEnabled(false);
  connect(stop_, &QPushButton::clicked, this, &ConsoleWindow::stopRequested);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(view_);
  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(4, 4, 4, 4);
  bar->addStretch();
  bar->addWidget(stop_);
  layout->addLayout(bar);
  setWindowTitle(model->title());
  connect(model, &ScreenModel::titleChanged, this, &QWidget::setWindowTitle);
  setFocusProxy(view_);
  // The console takes every key; Escape is looked at first.
  view_->installEventFilter(this);
  // 80 columns exactly and 25 rows to start with; the height may change. (Not adjustSize(),
  // which would cut the window down to two thirds of a small or highly scaled screen.)
  resize(sizeHint());
  setMinimumWidth(view_->sizeHint().width());
  setMaximumWidth(view_->sizeHint().width());
}

void ConsoleWindow::setStopEnabled(bool enabled) {
  stop_->setEnabled(enabled);
}

void ConsoleWindow::setStopTexts(const QString& caption, const QString& hint) {
  stop_->setText(caption);
  stop_->setToolTip(hint);
}

void ConsoleWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  emit closedByUser();
}

bool ConsoleWindow::eventFilter(QObject* watched, QEvent* event) {
  // While a packer runs, Escape stops it (the packer itself reads no keys that matter); at other
  // times the key goes to the console as before.
  if (watched == view_ && stop_->isEnabled() && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
      emit stopRequested();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
