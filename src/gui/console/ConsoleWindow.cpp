// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/console/ConsoleWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/console/ScreenModel.h"
#include "gui/widgets/ConsoleView.h"

ConsoleWindow::ConsoleWindow(ScreenModel* model, QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(model),
      view_(new ConsoleView(model, this)),
      stop_(new QPushButton(QStringLiteral("Stop"), this)),
      paneArea_(new QWidget(this)) {
  setObjectName(QStringLiteral("ConsoleWindow"));
  // The console never keeps the program alive on its own: when the main window closes, the
  // program ends, as a console goes with its process.
  setAttribute(Qt::WA_QuitOnClose, false);
  stop_->setObjectName(QStringLiteral("ButtonStop"));
  // Reached by Tab from the console; a click must not take the keys away from the packer.
  stop_->setFocusPolicy(Qt::TabFocus);
  stop_->setEnabled(false);
  connect(stop_, &QPushButton::clicked, this, &ConsoleWindow::stopRequested);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(view_);
  auto* paneLayout = new QVBoxLayout(paneArea_);
  paneLayout->setContentsMargins(0, 0, 0, 0);
  paneLayout->setSpacing(2);
  paneArea_->hide();
  layout->addWidget(paneArea_);
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

void ConsoleWindow::setScreenTexts(const QString& name, const QString& description) {
  view_->setAccessibleName(name);
  view_->setAccessibleDescription(description);
  for (ConsoleView* pane : std::as_const(panes_)) pane->setAccessibleDescription(description);
}

void ConsoleWindow::setPanes(const QList<ScreenModel*>& screens, const QStringList& headers) {
  clearPanes();
  for (qsizetype i = 0; i < screens.size(); ++i) {
    ScreenModel* screen = screens[i];
    screen->setParent(this);
    auto* pane = new ConsoleView(screen, paneArea_);
    // In the console's header colours and font, one line, across the pane's width.
    auto* header = new QLabel(headers.value(i), paneArea_);
    header->setObjectName(QStringLiteral("PaneHeader%1").arg(i + 1));
    header->setAlignment(Qt::AlignCenter);
    header->setFont(pane->font());
    header->setAutoFillBackground(true);
    QPalette pal = header->palette();
    pal.setColor(QPalette::Window, ConsoleView::colour(9));
    pal.setColor(QPalette::WindowText, ConsoleView::colour(15));
    header->setPalette(pal);
    header->setFixedHeight(pane->lineHeight());
    header->setTextFormat(Qt::PlainText);
    pane->installEventFilter(this);
    // Read out by its header.
    pane->setAccessibleName(headers.value(i));
    pane->setAccessibleDescription(view_->accessibleDescription());
    paneArea_->layout()->addWidget(header);
    paneArea_->layout()->addWidget(pane);
    panes_.append(pane);
    headers_.append(header);
  }
  if (panes_.isEmpty()) return;
  view_->hide();
  paneArea_->show();
  setFocusProxy(panes_.first());
  resize(width(), sizeHint().height());
}

void ConsoleWindow::clearPanes() {
  if (panes_.isEmpty()) return;
  qDeleteAll(headers_);
  headers_.clear();
  for (ConsoleView* pane : std::as_const(panes_)) {
    ScreenModel* screen = pane->model();
    delete pane;
    delete screen;
  }
  panes_.clear();
  paneArea_->hide();
  view_->show();
  setFocusProxy(view_);
  resize(width(), sizeHint().height());
}

void ConsoleWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  emit closedByUser();
}

bool ConsoleWindow::eventFilter(QObject* watched, QEvent* event) {
  // While a packer runs, Escape stops it (the packer itself reads no keys that matter); at other
  // times the key goes to the console as before.
  const bool pane = std::find(panes_.begin(), panes_.end(), watched) != panes_.end();
  if ((watched == view_ || pane) && stop_->isEnabled() && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
      emit stopRequested();
      return true;
    }
    // A pane's Ctrl+C would reach only its own packer; it stops every run instead.
    if (pane && key->key() == Qt::Key_C && key->modifiers() == Qt::ControlModifier) {
      emit stopRequested();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
