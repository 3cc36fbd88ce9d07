#pragma once
// Reads the state files of t418-sim ("NAME=value" lines, "#" comment lines and
// blank lines skipped), so that a test can compare what two simulators hold
// without linking the simulator. Values are GBK bytes, as in the file.
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace t418::sim::testing {

using SimState = std::map<std::string, std::string>;

// The settings in the file; a missing file gives none.
inline SimState ReadSimState(const std::string& path) {
  SimState state;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    const auto eq = line.find('=');
    if (eq != std::string::npos) state[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return state;
}

// Each name whose value differs between the two states (or is missing from
// one), as "NAME: a | b" with "<none>" for a missing value.
inline std::vector<std::string> StateDifferences(const SimState& a, const SimState& b,
                                                 const std::vector<std::string>& names) {
  auto value = [](const SimState& state, const std::string& name) {
    const auto it = state.find(name);
    return it == state.end() ? std::string("<none>") : it->second;
  };
  std::vector<std::string> differences;
  for (const auto& name : names) {
    const std::string left = value(a, name);
    const std::string right = value(b, name);
    if (left != right) differences.push_back(name + ": " + left + " | " + right);
  }
  return differences;
}

}  // namespace t418::sim::testing
