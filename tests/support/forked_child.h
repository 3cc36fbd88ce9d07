#pragma once
// A piece of the test run in a forked child of the test process, for what must
// happen in another process (a file size limit that plays a full disk, a
// holder of a port, a process killed in the middle of its work). The child
// reports back through a pipe: a few bytes as it goes, or one text at its end.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>

namespace t418::testing {

// What the child holds to report to the test.
class ChildReport {
 public:
  explicit ChildReport(int fd) : fd_(fd) {}
  void Say(const std::string& text) const {
    std::size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
  }

 private:
  int fd_;
};

// How a child ended and all it reported.
struct ChildEnd {
  std::string report;
  int exitCode = -1;  // -1 when a signal ended it
  int signal = 0;     // the signal that ended it, else 0
};

class ForkedChild {
 public:
  // Runs body in the child, which ends with exit code 0 when body returns and
  // 1 when it throws (it never returns into the test's own code).
  explicit ForkedChild(const std::function<void(const ChildReport&)>& body) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("no pipe");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("no fork");
    if (pid_ == 0) {
      ::close(fds[0]);
      int code = 0;
      try {
        body(ChildReport(fds[1]));
      } catch (...) {
        code = 1;
      }
      ::_exit(code);
    }
    ::close(fds[1]);
    report_ = fds[0];
  }
  ~ForkedChild() {
    if (!ended_) {
      Kill(SIGKILL);
      Wait();
    }
    if (report_ >= 0) ::close(report_);
  }
  ForkedChild(const ForkedChild&) = delete;
  ForkedChild& operator=(const ForkedChild&) = delete;

  pid_t Pid() const { return pid_; }
  void Kill(int signal = SIGKILL) const { ::kill(pid_, signal); }

  // The next bytes of the report, once there are `size` of them; fewer when
  // the child stops reporting (it ended) or the time is up.
  std::string Read(std::size_t size, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    std::string got;
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (got.size() < size && report_ >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{report_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char buffer[512];
      const ssize_t n = ::read(report_, buffer, std::min(sizeof buffer, size - got.size()));
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

  // Waits for the end: the rest of the report and how the child ended.
  ChildEnd Wait() {
    char buffer[512];
    for (ssize_t n; report_ >= 0 && (n = ::read(report_, buffer, sizeof buffer)) > 0;)
      end_.report.append(buffer, static_cast<std::size_t>(n));
    if (!ended_) {
      int status = 0;
      if (::waitpid(pid_, &status, 0) == pid_) {
        end_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        end_.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
      }
      ended_ = true;
    }
    return end_;
  }

 private:
  pid_t pid_ = -1;
  int report_ = -1;
  bool ended_ = false;
  ChildEnd end_;
};

// Runs body in a child to its end; what it returns is the report.
inline ChildEnd RunInChild(const std::function<std::string()>& body) {
  ForkedChild child([&](const ChildReport& report) { report.Say(body()); });
  return child.Wait();
}

}  // namespace t418::testing
