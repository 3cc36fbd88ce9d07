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

// A child's output as it is read; each system's ChildProcess reads its pipes
// (Pump) and reaps the child.
class CapturedOutput {
 public:
  // Reads what the child writes until `seen` appears on its standard output
  // or the time is up; true when it appeared.
  bool WaitForOutput(const std::string& seen, std::chrono::milliseconds limit) {
    return WaitForText(result_.out, seen, limit);
  }
  // The same for its standard error, where a program tells what it waits for.
  bool WaitForError(const std::string& seen, std::chrono::milliseconds limit) {
    return WaitForText(result_.err, seen, limit);
  }

 protected:
  ~CapturedOutput() = default;
  // Reads what is there, waiting up to `ms` for something; false once both
  // pipes are at their end.
  virtual bool Pump(int ms) = 0;
  // Reads both pipes to their end.
  void PumpToTheEnd() {
    while (Pump(100)) {
    }
  }

  ChildResult result_;

 private:
  bool WaitForText(const std::string& text, const std::string& seen, std::chrono::milliseconds limit) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (text.find(seen) == std::string::npos) {
      if (std::chrono::steady_clock::now() >= giveUp) return false;
      if (!Pump(50)) return text.find(seen) != std::string::npos;
    }
    return true;
  }
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
