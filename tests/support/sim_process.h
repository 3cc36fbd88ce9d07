#pragma once
// Starts t418-sim for end-to-end tests and stops it again: Port() names the
// line a program opens (a pseudo-terminal here, a COM port under Windows),
// Stop() ends it with SIGTERM and gives its exit status, Kill() pulls it
// without warning.
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include "sim_process_win32.h"
#else
#include "sim_process_posix.h"
#endif

namespace t418::testing {

// The lines of a text file (the simulator's --log), without their line ends.
inline std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace t418::testing
