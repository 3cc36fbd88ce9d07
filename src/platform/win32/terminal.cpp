// A standard stream is interactive when it is a console.
#include "platform/terminal.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace t418::platform {

bool IsInteractiveTerminal(StandardStream stream) {
  DWORD which = STD_ERROR_HANDLE;
  if (stream == StandardStream::Input) which = STD_INPUT_HANDLE;
  if (stream == StandardStream::Output) which = STD_OUTPUT_HANDLE;
  const HANDLE handle = ::GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  DWORD mode = 0;
  return ::GetFileType(handle) == FILE_TYPE_CHAR && ::GetConsoleMode(handle, &mode) != 0;
}

// A console shows the bytes written to it in its output code page (the
// system's OEM one, 437 or 936), and the C library may turn them into
// characters by its own locale first: either garbles UTF-8. Characters
// written as such show whatever the code page is.
void WriteText(StandardStream stream, std::string_view utf8) {
  FILE* file = stream == StandardStream::Output ? stdout : stderr;
  if (!IsInteractiveTerminal(stream) || utf8.empty()) {
    std::fwrite(utf8.data(), 1, utf8.size(), file);
    return;
  }
  // What the C library holds goes first, so the order stays.
  std::fflush(file);
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), length);
  const HANDLE console = ::GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD written = 0;
  ::WriteConsoleW(console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace t418::platform
