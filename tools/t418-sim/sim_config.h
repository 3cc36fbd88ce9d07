#pragma once
// The settings the simulated terminal keeps: the current values of its
// parameters, the user defaults (CFGTF saves them, RELD restores them) and the
// factory values (CLEAR). The current values can be kept in a state file of
// "NAME=value" lines between runs (README.md beside this file describes it).
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace t418::sim {

class SimConfig {
 public:
  // Factory values for everything; user defaults equal to them.
  SimConfig();

  // The current value of a parameter ("" for a word that is no parameter).
  const std::string& Value(std::string_view name) const;
  // Sets a parameter; the name must be a parameter word in upper case. A UART
  // value of four fields keeps the flow control that was set.
  void Set(std::string_view name, std::string value);

  void RestoreFactory();
  void SaveUserDefaults();
  void RestoreUserDefaults();

  // Reads "NAME=value" lines; blank lines and lines starting with "#" are
  // skipped. Unknown names and values that break the value syntax are skipped
  // with a line in warnings. A missing file is no error (false, no warning).
  bool LoadFile(const std::string& path, std::vector<std::string>& warnings);
  // Writes all parameters in command order, through a temporary file renamed
  // over path, so a reader never sees half a file; false when it cannot be written.
  bool SaveFile(const std::string& path) const;

 private:
  std::map<std::string, std::string, std::less<>> values_;
  std::map<std::string, std::string, std::less<>> userDefaults_;
};

// The settings a run starts with: configFile (when given; it must be
// readable and is never written), then stateFile on top when it exists. Then
// stateFile (when given) is written, so that it holds the whole settings from
// the start; a state file that had lines which were skipped is first kept as
// stateFile + ".bak". Lines for the user go to messages. False when the run
// cannot start: configFile cannot be read, or stateFile exists but cannot be
// read (writing over it would lose it).
bool StartSettings(SimConfig& config, const std::string& configFile, const std::string& stateFile,
                   std::vector<std::string>& messages);

}  // namespace t418::sim
