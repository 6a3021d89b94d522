#pragma once
// The console window: a top-level window showing one console screen. Closing it with the
// window's own close button is reported (closedByUser); the owner decides what that ends.

#include <QWidget>

class ScreenModel;
class ConsoleView;

class TConsoleWindow : public QWidget {
  Q_OBJECT
 public:
  explicit TConsoleWindow(ScreenModel* model, QWidget* parent = nullptr);

  ScreenModel* model() const { return model_; }
  ConsoleView* view() const { return view_; }

 signals:
  void closedByUser();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  ScreenModel* model_;
  ConsoleView* view_;
};
