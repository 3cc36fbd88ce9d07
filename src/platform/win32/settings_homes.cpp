// The roaming application data folder, as the environment of every Windows
// process names it. HOME is not read: a program started from a POSIX shell
// (or under Wine) may carry one that is no Windows path.
#include "platform/settings_homes.h"

#include <windows.h>

#include <string>

namespace t418::platform {

SettingsHomes SettingsHomesOfUser() {
  SettingsHomes homes;
  const DWORD units = ::GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
  if (units == 0) return homes;
  std::wstring wide(units, L'\0');
  const DWORD got = ::GetEnvironmentVariableW(L"APPDATA", wide.data(), units);
  if (got == 0 || got >= units) return homes;
  wide.resize(got);
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return homes;
  homes.settingsHome.resize(static_cast<std::size_t>(n));
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), homes.settingsHome.data(), n, nullptr,
                        nullptr);
  return homes;
}

}  // namespace t418::platform
