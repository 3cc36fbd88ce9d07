#pragma once
// Runs a program as a child with its standard output and error captured, for
// tests of command-line programs: ChildProcess(argv) starts it, WaitForOutput
// and WaitForError read until a text appears, Wait() to its end, Kill() ends
// it at once (Signal(number) and Pid() on this system too).
#include <chrono>
#include <string>
#include <vector>

namespace t418::testing {

struct ChildResult {
  int exitCode = -1;  // -1 when it did not exit by itself (a signal, or killed)
  std::string out;
  std::string err;
};

}  // namespace t418::testing

#ifdef _WIN32
#include "child_process_win32.h"
#else
#include "child_process_posix.h"
#endif

namespace t418::testing {

inline ChildResult RunProgram(const std::vector<std::string>& argv) {
  ChildProcess child(argv);
  return child.Wait();
}

}  // namespace t418::testing
