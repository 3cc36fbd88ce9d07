#pragma once
// Fixtures of the serial tests: a pseudo-terminal whose master side plays the
// far end of the line, a dispatcher queue that the test drains on its own
// thread, and a line-status source the test scripts.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

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

namespace t418::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A pseudo-terminal pair. The test holds the slave open as well, so it can look
// at the line settings the component gave it.
class Pty {
 public:
  Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("no slave name");
    path_ = name;
    slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0) throw std::runtime_error("slave does not open");
  }
  ~Pty() {
    CloseMaster();
    if (slave_ >= 0) ::close(slave_);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  const std::string& Path() const { return path_; }
  int Slave() const { return slave_; }
  int Master() const { return master_; }

  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  // Writes all bytes from the far end.
  void Write(const std::string& bytes) {
    std::size_t done = 0;
    const auto give_up = Clock::now() + 10s;
    while (done < bytes.size() && Clock::now() < give_up) {
      const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else {
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, 50);
      }
    }
    if (done < bytes.size()) throw std::runtime_error("far end could not write");
  }

  // What the far end receives: up to `want` bytes, waiting at most `limit`.
  std::string Read(std::size_t want, std::chrono::milliseconds limit = 10s) {
    std::string got;
    const auto give_up = Clock::now() + limit;
    char buffer[4096];
    while (got.size() < want && Clock::now() < give_up) {
      const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, want - got.size()));
      if (n > 0) {
        got.append(buffer, static_cast<std::size_t>(n));
      } else {
        pollfd p{master_, POLLIN, 0};
        ::poll(&p, 1, 20);
      }
    }
    return got;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

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
