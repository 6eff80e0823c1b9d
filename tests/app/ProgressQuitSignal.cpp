#include <gtest/gtest.h>

#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "platform/QuitSignals.h"

namespace tarnick {
namespace {

int RunEventsUntil(const int& calls, int wanted) {
  QElapsedTimer t;
  t.start();
  while (calls < wanted && t.elapsed() < 3000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return calls;
}

TEST(ProgressQuitSignal, TerminationRequestsArriveAsCallsWhileEventsAreHandled) {
  int calls = 0;
  InstallQuitSignalHandler([&] { ++calls; });
  ASSERT_EQ(::raise(SIGTERM), 0);
  EXPECT_EQ(calls, 0);  // nothing runs inside the signal
  EXPECT_EQ(RunEventsUntil(calls, 1), 1);
  ::raise(SIGHUP);
  ::raise(SIGINT);
  EXPECT_GE(RunEventsUntil(calls, 2), 2);  // two signals may come as one call
  InstallQuitSignalHandler(nullptr);
  struct sigaction now {};
  ::sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

}  // namespace
}  // namespace tarnick
