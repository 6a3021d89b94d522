#pragma once
// The console window: a top-level window showing one console screen, with a Stop button below it
// that is enabled while a packer runs (Escape in the console asks the same). Closing it with the
// window's own close button is reported (closedByUser); the owner decides what that ends.

#include <QWidget>

class ScreenModel;
class ConsoleView;
class QPushButton;

class ConsoleWindow : public QWidget {
  Q_OBJECT
 public:
  explicit ConsoleWindow(ScreenModel* model, QWidget* parent = nullptr);

  ScreenModel* model() const { return model_; }
  ConsoleView* view() const { return view_; }
  QPushButton* stopButton() const { return stop_; }

  // While a packer runs the Stop button and Escape ask to stop it.
  void setStopEnabled(bool enabled);
  void setStopTexts(const QString& caption, const QString& hint);

 signals:
  void closedByUser();
  void stopRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ScreenModel* model_;
  ConsoleView* view_;
  QPushButton* stop_;
};
