#include "session/setting_compare.h"

#include <algorithm>

#include "session/session.h"

namespace t418 {
namespace {

// The value of a setting line, without its line end.
std::string ValueOfSetting(const std::string& line) {
  const auto eq = line.find('=');
  if (eq == std::string::npos) return {};
  std::string value = line.substr(eq + 1);
  while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.pop_back();
  return value;
}

bool Holds(const std::string& name, const std::string& written, const std::string& reported) {
  if (reported == written) return true;
  // The serial line is written without its flow control, which the terminal reports as a fifth field.
  return name == "UART" && reported.rfind(written + ",", 0) == 0 &&
         reported.find(',', written.size() + 1) == std::string::npos;
}

}  // namespace

SettingComparison CompareSettings(const std::vector<std::string>& settingLines,
                                  const std::vector<std::string>& queryLines, const ValueList& values) {
  std::vector<std::string> asked;
  for (const auto& query : queryLines) asked.push_back(CommandNameOfLine(query));
  SettingComparison result;
  for (const auto& line : settingLines) {
    const std::string name = CommandNameOfLine(line);
    if (std::find(asked.begin(), asked.end(), name) == asked.end()) {
      result.notRead.push_back(name);
      continue;
    }
    if (!Holds(name, ValueOfSetting(line), values.Value(name))) result.changed.push_back(line);
  }
  return result;
}

}  // namespace t418
