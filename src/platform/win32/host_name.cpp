#include "platform/host_name.h"

#include <windows.h>

namespace t418::platform {

std::string HostName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!::GetComputerNameW(name, &length) || length == 0) return {};
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(length), utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

}  // namespace t418::platform
