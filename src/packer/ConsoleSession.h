#pragma once
// The console of the program's own in which the packer runs: opening it with its header bar,
// releasing it, running the packer on a pseudo-terminal and reporting the outcome.

#include <QByteArray>
#include <QObject>
#include <optional>

struct AppContext;

class ConsoleSession : public QObject {
  Q_OBJECT
 public:
  explicit ConsoleSession(AppContext& ctx, QObject* parent = nullptr);
  ~ConsoleSession() override;

  bool isOpen() const { return open_; }

  void OpenConsole(bool forced);
  void CloseConsole();
  // The exit code, or nothing when the packer could not be started. Waits in a nested event
  // loop: the console keeps drawing, every other window is disabled meanwhile.
  std::optional<int> RunPacker(const QByteArray& commandLine);
  // EditStatus of the main window gets LangTexts[2], [3] or [4] for exit codes 0, 1, 2.
  void ReportExit(int exitCode);
  void ReportStartFailure();

  bool isRunning() const;

 signals:
  // The user closed the program's console window: the program must end.
  void consoleClosedByUser();

 private:
  AppContext& ctx_;
  bool open_ = false;
};
