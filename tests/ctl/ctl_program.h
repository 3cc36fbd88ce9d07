#pragma once
// What the t418ctl tests share: running the program and splitting its output
// into lines (and the fixtures' simulator states, through config_fixtures.h).
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "config_fixtures.h"

namespace t418::testing {

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

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace t418::testing
