#include "platform/QuitSignals.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <memory>

namespace tarnick {

namespace {

int g_pipe[2] = {-1, -1};
std::function<void()>& Handler() {
  static std::function<void()> handler;
  return handler;
}
std::unique_ptr<QSocketNotifier>& Notifier() {
  static std::unique_ptr<QSocketNotifier> notifier;
  return notifier;
}

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Only async-signal-safe work here: one byte into the pipe.
void OnSignal(int) {
  const char byte = 1;
  ssize_t ignored = ::write(g_pipe[1], &byte, 1);
  (void)ignored;
}

void SetAction(void (*action)(int)) {
  struct sigaction sa {};
  sa.sa_handler = action;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int s : kSignals) ::sigaction(s, &sa, nullptr);
}

}  // namespace

void InstallQuitSignalHandler(std::function<void()> onQuit) {
  if (!onQuit) {
    SetAction(SIG_DFL);
    Notifier().reset();
    Handler() = nullptr;
    return;
  }
  Handler() = std::move(onQuit);
  if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) return;
  if (!Notifier()) {
    Notifier() = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    QObject::connect(Notifier().get(), &QSocketNotifier::activated, [] {
      char buffer[16];
      ssize_t ignored = ::read(g_pipe[0], buffer, sizeof buffer);
      (void)ignored;
      if (Handler()) Handler()();
    });
  }
  SetAction(&OnSignal);
}

}  // namespace tarnick
