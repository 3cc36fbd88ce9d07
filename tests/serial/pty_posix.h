#pragma once
// The far end of a serial line on this system: a pseudo-terminal pair.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>

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

}  // namespace t418::test
