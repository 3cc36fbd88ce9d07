#include "t418-sim/sim_config.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "t418-sim/value_syntax.h"

namespace t418::sim {
namespace {

std::map<std::string, std::string, std::less<>> FactoryValues() {
  std::map<std::string, std::string, std::less<>> values;
  for (const auto& command : CommandSpecs())
    if (command.form == CmdForm::Parameter && command.name != "SMSEND") values[command.name] = command.factory;
  return values;
}

}  // namespace

SimConfig::SimConfig() : values_(FactoryValues()), userDefaults_(values_) {}

const std::string& SimConfig::Value(std::string_view name) const {
  static const std::string kNone;
  const auto it = values_.find(name);
  return it == values_.end() ? kNone : it->second;
}

void SimConfig::Set(std::string_view name, std::string value) {
  const auto it = values_.find(name);
  if (it == values_.end()) return;
  if (name == "UART" && std::count(value.begin(), value.end(), ',') == 3) {
    // Written with four fields: the flow control stays as it was.
    const auto comma = it->second.rfind(',');
    value += comma == std::string::npos ? std::string(",NFC") : it->second.substr(comma);
  }
  it->second = std::move(value);
}

void SimConfig::RestoreFactory() { values_ = FactoryValues(); }
void SimConfig::SaveUserDefaults() { userDefaults_ = values_; }
void SimConfig::RestoreUserDefaults() { values_ = userDefaults_; }

bool SimConfig::LoadFile(const std::string& path, std::vector<std::string>& warnings) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    const auto eq = line.find('=');
    const std::string where = path + ":" + std::to_string(number) + ": ";
    if (eq == std::string::npos) {
      warnings.push_back(where + "no '=' in the line, skipped");
      continue;
    }
    const std::string name = line.substr(0, eq);
    std::string value = line.substr(eq + 1);
    const CommandSpec* command = FindSpec(name);
    if (command == nullptr || command->form != CmdForm::Parameter ||
        values_.find(command->name) == values_.end()) {
      warnings.push_back(where + "\"" + name + "\" is no parameter, skipped");
      continue;
    }
    if (!ValueMatches(command->rule, value)) {
      warnings.push_back(where + "value of " + command->name + " breaks its syntax, skipped");
      continue;
    }
    Set(command->name, std::move(value));
  }
  return true;
}

bool SimConfig::SaveFile(const std::string& path) const {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << "# t418-sim configuration: NAME=value, one parameter a line\n";
    for (const auto& command : CommandSpecs()) {
      const auto it = values_.find(command.name);
      if (command.form == CmdForm::Parameter && it != values_.end())
        out << command.name << '=' << it->second << '\n';
    }
    out.flush();
    if (!out) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool StartSettings(SimConfig& config, const std::string& configFile, const std::string& stateFile,
                   std::vector<std::string>& messages) {
  if (!configFile.empty() && !config.LoadFile(configFile, messages)) {
    messages.push_back("cannot read the settings file " + configFile);
    return false;
  }
  if (stateFile.empty()) return true;

  std::error_code ec;
  const bool exists = std::filesystem::exists(stateFile, ec);
  std::vector<std::string> skipped;
  if (exists && !config.LoadFile(stateFile, skipped)) {
    messages.push_back("cannot read the state file " + stateFile + "; it is left as it is");
    return false;
  }
  messages.insert(messages.end(), skipped.begin(), skipped.end());
  if (!skipped.empty()) {
    const std::string backup = stateFile + ".bak";
    std::filesystem::copy_file(stateFile, backup, std::filesystem::copy_options::overwrite_existing,
                               ec);
    if (ec) {
      messages.push_back("cannot keep a copy of " + stateFile + " as " + backup +
                         "; not started, so that the lines skipped are not lost");
      return false;
    }
    messages.push_back("the state file as it was is kept as " + backup);
  }
  if (!config.SaveFile(stateFile)) messages.push_back("cannot save the settings to " + stateFile);
  return true;
}

}  // namespace t418::sim
