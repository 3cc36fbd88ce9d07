#pragma once
// SimProcess on this system: t418-sim as a child process (fork and exec), its
// pseudo-terminal read from the first line it prints.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace t418::testing {

class SimProcess {
 public:
  // Starts the simulator with the options and waits for the path of its port.
  explicit SimProcess(std::vector<std::string> options) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("no pipe");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("no fork");
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv;
      std::string path = T418_SIM_PATH;
      argv.push_back(path.data());
      for (auto& option : options) argv.push_back(option.data());
      argv.push_back(nullptr);
      execv(path.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    stdout_ = out[0];
    port_ = ReadLine(std::chrono::seconds(10));
    if (port_.empty()) throw std::runtime_error("the simulator printed no port");
  }
  ~SimProcess() { Stop(); }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  const std::string& Port() const { return port_; }
  pid_t Pid() const { return pid_; }

  // SIGKILL, as when the cable goes: no chance to tidy up.
  void Kill() {
    if (pid_ > 0) kill(pid_, SIGKILL);
    Stop();
  }

  // A signal by its name without "SIG" (USR1: restart with the Reload key
  // held; STOP, CONT); false when it could not be sent.
  bool Signal(const std::string& name) {
    const int number = name == "USR1" ? SIGUSR1 : name == "STOP" ? SIGSTOP : name == "CONT" ? SIGCONT : 0;
    return pid_ > 0 && number != 0 && kill(pid_, number) == 0;
  }

  // SIGTERM and wait; the exit status, or -1.
  int Stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    if (stdout_ >= 0) close(stdout_);
    stdout_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // A unique file or link name for this test process.
  static std::string UniqueName(const std::string& stem) {
    return stem + std::to_string(getpid()) + "_" + std::to_string(counter_++);
  }

 private:
  std::string ReadLine(std::chrono::milliseconds limit) {
    std::string line;
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < giveUp) {
      pollfd p{stdout_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char c;
      if (read(stdout_, &c, 1) != 1) break;
      if (c == '\n') return line;
      line.push_back(c);
    }
    return {};
  }

  pid_t pid_ = -1;
  int stdout_ = -1;
  std::string port_;
  static inline int counter_ = 0;
};

}  // namespace t418::testing
