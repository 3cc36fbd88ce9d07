// Serial ports from the registry key the serial drivers fill
// (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: one value per port, its data the COM
// name), and their friendly names from the Plug and Play devices of the Ports
// class.
#include "platform/port_enumeration.h"

#include <windows.h>
// After windows.h.
#include <devguid.h>
#include <setupapi.h>

namespace t418::platform {
namespace {

std::wstring Wide(const std::string& text) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string Utf8(const wchar_t* wide, std::size_t length) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

// The port names under the key: the system's own, or (systemRoot, for tests)
// a key of the same layout under HKEY_CURRENT_USER.
std::vector<std::string> PortsUnder(HKEY root, const std::wstring& path) {
  std::vector<std::string> ports;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return ports;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameLength = 256;
    wchar_t data[256];
    DWORD dataSize = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    const LONG rc = ::RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                    &dataSize);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
    std::size_t length = dataSize / sizeof(wchar_t);
    data[length] = L'\0';
    while (length > 0 && data[length - 1] == L'\0') --length;
    if (length > 0) ports.push_back(Utf8(data, length));
  }
  ::RegCloseKey(key);
  return ports;
}

// "\\.\COM12" and "COM12" name the same port.
std::string BareName(const std::string& port) {
  if (port.size() > 4 && (port[0] == '\\' || port[0] == '/') && (port[1] == '\\' || port[1] == '/') && port[2] == '.')
    return port.substr(4);
  return port;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace

std::vector<std::string> ListHardwarePorts(const std::string& systemRoot) {
  if (!systemRoot.empty()) return PortsUnder(HKEY_CURRENT_USER, Wide(systemRoot));
  return PortsUnder(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM");
}

std::string DescribeHardwarePort(const std::string& port, const std::string& systemRoot) {
  if (!systemRoot.empty()) return {};
  const std::wstring wanted = Wide(BareName(port));
  const HDEVINFO devices = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return {};
  std::string description;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; description.empty() && ::SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    const HKEY key = ::SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const bool named = ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
                           ERROR_SUCCESS &&
                       type == REG_SZ;
    ::RegCloseKey(key);
    if (!named || !SameName(name, wanted)) continue;
    wchar_t friendly[256] = {};
    if (::SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                            reinterpret_cast<BYTE*>(friendly), sizeof friendly - sizeof(wchar_t),
                                            nullptr))
      description = Utf8(friendly, wcslen(friendly));
  }
  ::SetupDiDestroyDeviceInfoList(devices);
  return description;
}

}  // namespace t418::platform
