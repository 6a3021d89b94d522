#include "packer/ConsoleSession.h"

#include "app/AppContext.h"

ConsoleSession::ConsoleSession(AppContext& ctx, QObject* parent) : QObject(parent), ctx_(ctx) {}
ConsoleSession::~ConsoleSession() = default;

void ConsoleSession::OpenConsole(bool) {}
void ConsoleSession::CloseConsole() {
  open_ = false;
}
std::optional<int> ConsoleSession::RunPacker(const QByteArray&) {
  return std::nullopt;
}
void ConsoleSession::ReportExit(int) {}
void ConsoleSession::ReportStartFailure() {}
bool ConsoleSession::isRunning() const {
  return false;
}
