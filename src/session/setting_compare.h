#pragma once
// Compares the setting lines of a configuration with what a full read of the
// terminal reported: which lines a write would change, and which it could not
// tell (commands the read does not ask for).
#include <string>
#include <vector>

#include "session/value_list.h"

namespace t418 {

struct SettingComparison {
  // Setting lines ("AT+NAME=VALUE" CR LF) whose value the terminal does not hold.
  std::vector<std::string> changed;
  // Names of the settings the read did not ask for.
  std::vector<std::string> notRead;
};

// queryLines: the lines of the read ("AT+NAME?" CR LF); values: what it reported.
SettingComparison CompareSettings(const std::vector<std::string>& settingLines,
                                  const std::vector<std::string>& queryLines, const ValueList& values);

}  // namespace t418
