#pragma once
// Runs the t418-sim program for a test: its own runtime folder (so the link in
// t418-ports cannot meet another test's), its first output line, signals and
// its exit; and opens its port the way a serial program does.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "wait_until.h"

namespace t418::sim::testing {

inline long long MonotonicMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The full path of a program found on PATH, or "".
inline std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    const auto colon = dirs.find(':', start);
    const std::string dir =
        dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return {};
}

// Starts argv[0] with the rest, stdin and stdout on fd when fd >= 0; returns the pid.
inline pid_t Spawn(const std::vector<std::string>& argv, int stdinFd, int stdoutFd,
                   const std::vector<std::string>& env, int stderrFd = -1) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (stdinFd >= 0) ::dup2(stdinFd, 0);
    if (stdoutFd >= 0) ::dup2(stdoutFd, 1);
    if (stderrFd >= 0) ::dup2(stderrFd, 2);
    ::execve(args[0], args.data(), envp.data());
    ::_exit(127);
  }
  return pid;
}

// The exit status of a child, waiting at most timeoutMs; nullopt while it runs.
inline std::optional<int> WaitExit(pid_t pid, int timeoutMs) {
  std::optional<int> exit;
  bool gone = false;  // not a child (any more)
  t418::testing::WaitUntil(
      [&] {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        gone = done < 0;
        return exit.has_value() || gone;
      },
      std::chrono::milliseconds(timeoutMs));
  return exit;
}

// Whether a signal sent to the process waits for it still: a program that
// takes its signals through a descriptor has them pending until it reads them.
inline bool SignalPending(pid_t pid, int signal) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  const unsigned long long bit = 1ULL << (signal - 1);
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("SigPnd:", 0) != 0 && line.rfind("ShdPnd:", 0) != 0) continue;
    if (std::stoull(line.substr(line.find(':') + 1), nullptr, 16) & bit) return true;
  }
  return false;
}

class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> options, std::string name = "ttySIM0")
      : name_(std::move(name)) {
    std::string folder = (std::filesystem::temp_directory_path() / "t418-sim-test-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) return;
    runtime_ = folder;

    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
      if (std::strncmp(*e, "XDG_RUNTIME_DIR=", 16) != 0) env.emplace_back(*e);
    env.push_back("XDG_RUNTIME_DIR=" + runtime_);

    int out[2];
    if (::pipe(out) != 0) return;
    std::vector<std::string> argv = {T418_SIM_PATH, "--name", name_};
    for (auto& o : options) argv.push_back(std::move(o));
    pid_ = Spawn(argv, -1, out[1], env);
    ::close(out[1]);
    stdout_ = out[0];
    slavePath_ = ReadFirstLine(10000);
  }

  ~SimProcess() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      WaitExit(pid_, 5000);
    }
    if (stdout_ >= 0) ::close(stdout_);
    if (!runtime_.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(runtime_, ignored);
    }
  }

  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  const std::string& SlavePath() const { return slavePath_; }
  const std::string& RuntimeFolder() const { return runtime_; }
  std::string LinkPath() const { return runtime_ + "/t418-ports/" + name_; }
  pid_t Pid() const { return pid_; }
  void Signal(int sig) { ::kill(pid_, sig); }
  std::optional<int> Exit(int timeoutMs) {
    const auto status = WaitExit(pid_, timeoutMs);
    if (status) exited_ = true;
    return status;
  }

 private:
  std::string ReadFirstLine(int timeoutMs) {
    std::string line;
    const long long end = MonotonicMs() + timeoutMs;
    while (MonotonicMs() < end) {
      pollfd p{stdout_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      char c = 0;
      if (::read(stdout_, &c, 1) != 1) break;
      if (c == '\n') return line;
      line += c;
    }
    return {};
  }

  std::string name_;
  std::string runtime_;
  pid_t pid_ = -1;
  int stdout_ = -1;
  bool exited_ = false;
  std::string slavePath_;
};

// Opens a port as a serial program does: raw, settings applied at once.
inline int OpenPort(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  termios tio{};
  ::tcgetattr(fd, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(fd, TCSANOW, &tio);
  return fd;
}

inline void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

// Everything read until the text holds end or the time is up.
inline std::string ReadUntil(int fd, const std::string& end, int timeoutMs) {
  std::string text;
  const long long stop = MonotonicMs() + timeoutMs;
  while (MonotonicMs() < stop) {
    const auto at = text.find(end);
    if (at != std::string::npos) return text;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    char buffer[512];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return text;
}

}  // namespace t418::sim::testing
