#pragma once
// Whether a Windows test program runs under Wine, whose serial emulation
// differs from Windows in known ways; a test that meets such a limit skips
// under Wine only and says which limit it is.
#ifdef _WIN32
#include <winsock2.h>  // before windows.h, as the far end's connection needs
#include <windows.h>
#endif

namespace t418::testing {

inline bool UnderWine() {
#ifdef _WIN32
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

}  // namespace t418::testing
