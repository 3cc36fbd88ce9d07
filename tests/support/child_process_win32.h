#pragma once
// ChildProcess under Windows: CreateProcess with the standard output and
// error on pipes and no standard input. A Windows program writes CR LF line
// ends into a pipe; the captured text has them as "\n", as a program reading
// it in text mode does.
#include <winsock2.h>  // before windows.h, as the far end's connection needs
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace t418::testing {

// The command line whose parsing (CommandLineToArgvW's rules) gives back the arguments.
inline std::wstring CommandLineOf(const std::vector<std::string>& argv) {
  std::wstring line;
  for (const auto& arg : argv) {
    if (!line.empty()) line += L' ';
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, arg.data(), static_cast<int>(arg.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, arg.data(), static_cast<int>(arg.size()), wide.data(), size);
    if (!wide.empty() && wide.find_first_of(L" \t\"") == std::wstring::npos) {
      line += wide;
      continue;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : wide) {
      if (c == L'\\') {
        ++backslashes;
        continue;
      }
      // Backslashes before a quote are doubled, and the quote escaped.
      line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
      backslashes = 0;
      line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
  }
  return line;
}

class ChildProcess final : public CapturedOutput {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outWrite = nullptr;
    HANDLE errWrite = nullptr;
    if (!::CreatePipe(&out_, &outWrite, &inherit, 0) || !::CreatePipe(&err_, &errWrite, &inherit, 0)) return;
    ::SetHandleInformation(out_, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(err_, HANDLE_FLAG_INHERIT, 0);
    HANDLE nothing = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                   0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::wstring line = CommandLineOf(argv);
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                         &info)) {
      process_ = info.hProcess;
      pid_ = info.dwProcessId;
      ::CloseHandle(info.hThread);
    }
    // Only the child holds the writing ends now: their end is the child's.
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    if (nothing != INVALID_HANDLE_VALUE) ::CloseHandle(nothing);
    if (process_ == nullptr) {
      Close(out_);
      Close(err_);
    }
  }
  ~ChildProcess() {
    if (process_ != nullptr && !reaped_) {
      Kill();
      Wait();
    }
    Close(out_);
    Close(err_);
    if (process_ != nullptr) ::CloseHandle(process_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  DWORD Pid() const { return pid_; }
  void Kill() {
    if (process_ != nullptr) ::TerminateProcess(process_, kKilled);
  }

  // Waits for the end; the output read to the end.
  ChildResult Wait() {
    PumpToTheEnd();
    if (!reaped_ && process_ != nullptr) {
      ::WaitForSingleObject(process_, INFINITE);
      DWORD code = kKilled;
      ::GetExitCodeProcess(process_, &code);
      result_.exitCode = code == kKilled ? -1 : static_cast<int>(code);
    }
    reaped_ = true;
    return result_;
  }

 private:
  static constexpr DWORD kKilled = 0xFFFFFFFF;

  static void Close(HANDLE& handle) {
    if (handle != nullptr) ::CloseHandle(handle);
    handle = nullptr;
  }

  bool Pump(int ms) override {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (out_ != nullptr || err_ != nullptr) {
      bool got = false;
      for (auto [pipe, text] : {std::pair{&out_, &result_.out}, std::pair{&err_, &result_.err}}) {
        if (*pipe == nullptr) continue;
        DWORD waiting = 0;
        if (!::PeekNamedPipe(*pipe, nullptr, 0, nullptr, &waiting, nullptr)) {
          Close(*pipe);  // broken: the child's end is closed
          continue;
        }
        if (waiting == 0) continue;
        char buffer[4096];
        DWORD n = 0;
        if (::ReadFile(*pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) {
          text->append(buffer, n);
          Unix(*text);
          got = true;
        }
      }
      if (got) return true;
      if (std::chrono::steady_clock::now() >= giveUp) return out_ != nullptr || err_ != nullptr;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  static void Unix(std::string& text) {
    for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
  }

  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  HANDLE out_ = nullptr;
  HANDLE err_ = nullptr;
  bool reaped_ = false;
};

}  // namespace t418::testing
