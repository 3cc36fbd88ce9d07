#include "platform/settings_homes.h"

#include <cstdlib>

namespace t418::platform {

SettingsHomes SettingsHomesOfUser() {
  SettingsHomes homes;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) homes.settingsHome = xdg;
  if (const char* home = std::getenv("HOME")) homes.home = home;
  return homes;
}

}  // namespace t418::platform
