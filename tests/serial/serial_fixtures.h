#pragma once
// Fixtures of the serial tests: a pseudo-terminal whose master side plays the
// far end of the line (Pty: Path, Write, Read, CloseMaster; under Windows the
// line is a COM port and the far-end launcher plays the master), a dispatcher
// queue that the test drains on its own thread, and a line-status source the
// test scripts.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "serial/comm.h"
#include "base/dispatcher.h"
#include "serial/line_status.h"

#ifdef _WIN32
#include "pty_win32.h"
#else
#include "pty_posix.h"
#endif

namespace t418::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Tasks posted by the component's threads wait here until the test runs them
// on its own thread, as the window's event loop would.
class QueueDispatcher : public Dispatcher {
 public:
  void Post(std::function<void()> task) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    cv_.notify_all();
  }

  std::size_t Pending() {
    std::lock_guard<std::mutex> lock(mutex_);
    return tasks_.size();
  }

  // Runs tasks as they come until done() holds or the time is up.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
    const auto give_up = Clock::now() + limit;
    while (!done()) {
      std::function<void()> task;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!cv_.wait_until(lock, give_up, [&] { return !tasks_.empty(); })) return done();
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
    return true;
  }

  // Runs every task that comes within the given time.
  void RunFor(std::chrono::milliseconds span) {
    RunUntil([] { return false; }, span);
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> tasks_;
};

// Counters the test moves; the receive thread reads them.
class FakeLineStatus : public LineStatusSource {
 public:
  CountersResult Read(platform::LineHandle, LineCounters& out) override {
    std::lock_guard<std::mutex> lock(mutex_);
    out = counters_;
    return result_;
  }
  void Change(const std::function<void(LineCounters&)>& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(counters_);
  }
  void SetResult(CountersResult result) {
    std::lock_guard<std::mutex> lock(mutex_);
    result_ = result;
  }

 private:
  std::mutex mutex_;
  LineCounters counters_;
  CountersResult result_ = CountersResult::Ok;
};

// Everything a component told its owner, in order.
struct EventLog {
  std::deque<std::string> chunks;
  std::string received;  // all chunks joined
  std::deque<std::uint32_t> errors;
  std::deque<std::uint32_t> modem;
  int hangups = 0;
  int empties = 0;

  void Attach(TComm& comm) {
    comm.OnReceiveData = [this](TComm&, const char* buffer, std::uint16_t length) {
      chunks.emplace_back(buffer, length);
      received.append(buffer, length);
    };
    comm.OnReceiveError = [this](TComm&, std::uint32_t flags) { errors.push_back(flags); };
    comm.OnModemStateChange = [this](TComm&, std::uint32_t value) { modem.push_back(value); };
    comm.OnRequestHangup = [this](TComm&) { ++hangups; };
    comm.OnSendDataEmpty = [this](TComm&) { ++empties; };
  }
};

}  // namespace t418::test
