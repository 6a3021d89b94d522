#include "gui/console/TConsoleWindow.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "core/console/ScreenModel.h"
#include "gui/widgets/ConsoleView.h"

TConsoleWindow::TConsoleWindow(ScreenModel* model, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), view_(new ConsoleView(model, this)) {
  setObjectName(QStringLiteral("ConsoleWindow"));
  // The console never keeps the program alive on its own: when the main window closes, the
  // program ends, as a console goes with its process.
  setAttribute(Qt::WA_QuitOnClose, false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  setWindowTitle(model->title());
  connect(model, &ScreenModel::titleChanged, this, &QWidget::setWindowTitle);
  setFocusProxy(view_);
  // 80 columns exactly and 25 rows to start with; the height may change. (Not adjustSize(),
  // which would cut the window down to two thirds of a small or highly scaled screen.)
  resize(sizeHint());
  setMinimumWidth(view_->sizeHint().width());
  setMaximumWidth(view_->sizeHint().width());
}

void TConsoleWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  emit closedByUser();
}
