#pragma once
// SimProcess under Windows (Wine): the far-end launcher on the host system
// starts t418-sim and links a COM port to its pseudo-terminal; the simulator
// lives as long as this object's connection to the launcher. The port is
// announced in HKLM\HARDWARE\DEVICEMAP\SERIALCOMM while the simulator runs,
// as a port driver announces its port, so port lists show it.
#include "far_end_win32.h"  // before windows.h: Winsock 2, not 1

#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace t418::testing {

class SimProcess {
 public:
  // Starts the simulator with the options (Windows paths among them reach it
  // as the host's paths) and waits for its COM port.
  explicit SimProcess(const std::vector<std::string>& options) {
    std::string request;
    for (std::size_t i = 0; i < options.size(); ++i) {
      if (i > 0) request.push_back('\0');
      request += options[i];
    }
    launcher_.Send('S', request);
    port_ = launcher_.Answer();
    running_ = true;
    Announce(true);
  }
  ~SimProcess() {
    try {
      Stop();
    } catch (const std::exception&) {
    }
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // "COMn".
  const std::string& Port() const { return port_; }

  // USR1 (restart with the Reload key held), STOP or CONT; false when not sent.
  bool Signal(const std::string& name) {
    if (!running_) return false;
    launcher_.Send('G', name);
    try {
      launcher_.Answer();
      return true;
    } catch (const std::runtime_error&) {
      return false;
    }
  }

  // SIGKILL, as when the cable goes: no chance to tidy up.
  void Kill() { End('K'); }

  // SIGTERM and wait; the exit status, or -1.
  int Stop() { return End('T'); }

  // A unique file or link name for this test process.
  static std::string UniqueName(const std::string& stem) {
    return stem + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(counter_++);
  }

 private:
  // The port's value in the volatile SERIALCOMM key: set, or removed.
  void Announce(bool present) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, REG_OPTION_VOLATILE,
                          KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
      return;
    }
    const std::wstring port(port_.begin(), port_.end());
    const std::wstring value = L"\\Device\\T418Sim" + port;
    if (present) {
      ::RegSetValueExW(key, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                       static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)));
    } else {
      ::RegDeleteValueW(key, value.c_str());
    }
    ::RegCloseKey(key);
  }

  int End(char how) {
    if (!running_) return -1;
    running_ = false;
    Announce(false);
    launcher_.Send(how);
    const int code = std::stoi(launcher_.Answer());
    launcher_.Close();
    return code;
  }

  FarEndConnection launcher_;
  std::string port_;
  bool running_ = false;
  static inline int counter_ = 0;
};

}  // namespace t418::testing
