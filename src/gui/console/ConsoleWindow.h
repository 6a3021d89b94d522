// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console window: a top-level window showing one console screen, with a Stop button below it
// that is enabled while a packer runs (Escape in the console asks the same). Closing it with the
// window's own close button is reported (closedByUser); the owner decides what that ends.
// For several packer runs at once it shows one pane per run instead, each over a screen of its
// own, until the panes are cleared.

#include <QList>
#include <QStringList>
#include <QWidget>

class ScreenModel;
class ConsoleView;
class QLabel;
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
  // What assistive technology calls the console's screen and how it describes it (the panes of
  // several runs are called by their headers).
  void setScreenTexts(const QString& name, const QString& description);

  // Shows a pane for each screen (the window takes them over) in place of its own screen, each
  // under a header line of its own that stays in sight while the pane scrolls; the panes of an
  // earlier call go. Ctrl+C in a pane, like Escape, asks to stop (all runs).
  void setPanes(const QList<ScreenModel*>& screens, const QStringList& headers);
  // Its own screen again.
  void clearPanes();
  const QList<ConsoleView*>& panes() const { return panes_; }
  const QList<QLabel*>& paneHeaders() const { return headers_; }

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
  QWidget* paneArea_;
  QList<ConsoleView*> panes_;
  QList<QLabel*> headers_;
};
