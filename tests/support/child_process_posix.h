#pragma once
// ChildProcess on this system: fork and exec, its output on pipes.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace t418::testing {

class ChildProcess final : public CapturedOutput {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      dup2(err[1], 2);
      std::vector<char*> args;
      for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      execv(args[0], args.data());
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~ChildProcess() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      Wait();
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  void Signal(int number) { kill(pid_, number); }
  // Ended at once, as by the task manager.
  void Kill() { kill(pid_, SIGKILL); }

  // Waits for the end; the output read to the end.
  ChildResult Wait() {
    PumpToTheEnd();
    if (!reaped_) {
      int status = 0;
      waitpid(pid_, &status, 0);
      reaped_ = true;
      result_.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return result_;
  }

 private:
  bool Pump(int ms) override {
    if (out_ < 0 && err_ < 0) return false;
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    poll(fds, 2, ms);
    bool open = false;
    int index = 0;
    for (auto [fd, text] : {std::pair{&out_, &result_.out}, std::pair{&err_, &result_.err}}) {
      const short ready = fds[index++].revents;
      if (*fd < 0) continue;
      if (ready == 0) {
        open = true;  // nothing yet
        continue;
      }
      char buffer[4096];
      const ssize_t n = read(*fd, buffer, sizeof buffer);
      if (n > 0) {
        text->append(buffer, static_cast<std::size_t>(n));
        open = true;
      } else if (n == 0) {
        close(*fd);
        *fd = -1;
      }
    }
    return open || out_ >= 0 || err_ >= 0;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  bool reaped_ = false;
};

}  // namespace t418::testing
