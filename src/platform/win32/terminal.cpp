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
