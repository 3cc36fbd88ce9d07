// A standard stream is interactive when it is a console.
#include "platform/terminal.h"

#include <windows.h>

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

}  // namespace t418::platform

namespace t418::platform {

// A console shows bytes in its output code page; with 65001 the program's
// UTF-8 (each write of the C runtime holds whole characters) comes out as
// written. The code page belongs to the console, which outlives the program,
// so the user's own one comes back.
Utf8ConsoleOutput::Utf8ConsoleOutput() {
  if (!IsInteractiveTerminal(StandardStream::Output) && !IsInteractiveTerminal(StandardStream::Error)) return;
  const UINT current = ::GetConsoleOutputCP();
  if (current == 0 || current == CP_UTF8) return;
  if (::SetConsoleOutputCP(CP_UTF8)) previous_ = current;
}

Utf8ConsoleOutput::~Utf8ConsoleOutput() {
  if (previous_ != 0) ::SetConsoleOutputCP(previous_);
}

}  // namespace t418::platform
