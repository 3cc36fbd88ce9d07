#pragma once
// Where a user's programs keep their settings when they cannot keep them
// beside the program: each program in a folder of its own under the user's
// settings folder.
#include <string>

namespace t418::platform {

struct SettingsHomes {
  // The user's settings folder (UTF-8): XDG_CONFIG_HOME on Linux, the roaming
  // application data folder (%APPDATA%) on Windows; "" when unset.
  std::string settingsHome;
  // The user's home (UTF-8), whose ".config" stands in when settingsHome is
  // unset: HOME on Linux; "" on Windows, which keeps no settings there.
  std::string home;
};

// The folders of the user this process runs as.
SettingsHomes SettingsHomesOfUser();

}  // namespace t418::platform
