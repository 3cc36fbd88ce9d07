// Wake events: raised until cleared, and a wait that ends when another thread
// or a signal handler raises one.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "platform/signals.h"
#include "platform/wake_event.h"

namespace t418::platform {
namespace {

using std::chrono::steady_clock;

TEST(WakeEvent, StaysRaisedUntilCleared) {
  WakeEvent event;
  ASSERT_TRUE(event.Valid());
  EXPECT_FALSE(event.Raised());
  event.Raise();
  event.Raise();
  EXPECT_TRUE(event.Raised());
  EXPECT_TRUE(event.Raised());  // looking does not lower it
  event.Clear();                // one clear lowers however many raises
  EXPECT_FALSE(event.Raised());
}

TEST(WakeEvent, AWaitEndsWhenRaisedAndLowersIt) {
  WakeEvent event;
  std::thread raiser([&event] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    event.Raise();
  });
  EXPECT_TRUE(event.WaitAndClear(10000));
  raiser.join();
  EXPECT_FALSE(event.Raised());

  const auto start = steady_clock::now();
  EXPECT_FALSE(event.WaitAndClear(30));
  EXPECT_GE(steady_clock::now() - start, std::chrono::milliseconds(30));
}

WakeEvent* signalled = nullptr;
int seenNumber = 0;

void OnStop(int number) {
  seenNumber = number;
  signalled->Raise();
}

TEST(StopRequests, TheHandlerRunsAndMayRaiseAnEvent) {
  WakeEvent event;
  signalled = &event;
  CatchStopRequests(OnStop, SignalCalls::Interrupt);
  for (int number : {SIGINT, SIGTERM, SIGHUP}) {
    seenNumber = 0;
    std::raise(number);
    EXPECT_EQ(seenNumber, number);
    EXPECT_TRUE(event.WaitAndClear(0)) << number;
  }
  RestoreStopRequests();
  struct sigaction now {};
  sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
  signalled = nullptr;
}

TEST(StopRequests, TheFileSizeSignalCanBeIgnored) {
  IgnoreFileSizeLimitSignal();
  std::raise(SIGXFSZ);  // ends the test program unless ignored
  struct sigaction now {};
  sigaction(SIGXFSZ, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
  std::signal(SIGXFSZ, SIG_DFL);
}

}  // namespace
}  // namespace t418::platform
