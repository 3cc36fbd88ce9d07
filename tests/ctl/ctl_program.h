#pragma once
// What the t418ctl tests share: running the program and splitting its output
// into lines (and the fixtures' simulator states, through config_fixtures.h).
#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "config_fixtures.h"

namespace t418::testing {

// A port that does not exist, named as a user of this system would type it
// (under Windows a word beginning with '/' is an option, so a device path).
inline std::string NoSuchPort(const std::string& posixPath) {
#ifdef _WIN32
  (void)posixPath;
  return "\\\\.\\T418NoSuchPort";
#else
  return posixPath;
#endif
}

// t418ctl with the arguments, to its end.
inline ChildResult Ctl(std::vector<std::string> args) {
  args.insert(args.begin(), T418_CTL_PATH);
  return RunProgram(args);
}

// t418ctl with no pause before each command line, for commands that talk to a terminal.
inline ChildResult CtlNoPause(std::vector<std::string> args) {
  args.insert(args.end(), {"--delay", "0"});
  return Ctl(std::move(args));
}

#ifndef _WIN32  // a time limit by the child's state, a terminal for its errors: this system only
// Whether the child has ended (left to be reaped).
inline bool Ended(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// t418ctl with the arguments, killed when it has not ended within the limit
// (exit code -1 then): for runs that would hang on a fault.
inline ChildResult CtlWithin(std::vector<std::string> args, std::chrono::milliseconds limit) {
  args.insert(args.begin(), T418_CTL_PATH);
  ChildProcess child(args);
  // Output that never comes: true only if the child ended before the limit.
  child.WaitForOutput(std::string("\x01never\x01"), limit);
  if (!Ended(child.Pid())) child.Signal(SIGKILL);
  return child.Wait();
}

// t418ctl with its standard error on a pseudo-terminal (as when a user runs it
// in a terminal window) and its standard output on a pipe; err holds what the
// terminal showed.
inline ChildResult CtlOnTerminal(std::vector<std::string> args) {
  args.insert(args.begin(), T418_CTL_PATH);
  ChildResult result;
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return result;
  const std::string slavePath = ptsname(master);
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return result;
  const pid_t pid = fork();
  if (pid == 0) {
    const int slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY);
    dup2(slave, 2);
    dup2(out[1], 1);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  bool outOpen = true;
  bool errOpen = true;
  while (outOpen || errOpen) {
    pollfd fds[2] = {{out[0], static_cast<short>(outOpen ? POLLIN : 0), 0},
                     {master, static_cast<short>(errOpen ? POLLIN : 0), 0}};
    if (poll(fds, 2, 200) == 0) {
      // The terminal side stays open after the child's end: stop once it is gone.
      if (!outOpen && Ended(pid)) break;
      continue;
    }
    char buffer[4096];
    if (outOpen && fds[0].revents) {
      const ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n > 0) result.out.append(buffer, static_cast<std::size_t>(n));
      else outOpen = false;
    }
    if (errOpen && fds[1].revents) {
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n > 0) result.err.append(buffer, static_cast<std::size_t>(n));
      else errOpen = false;  // EIO once the child has closed its end
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  close(out[0]);
  close(master);
  return result;
}

#endif

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace t418::testing
