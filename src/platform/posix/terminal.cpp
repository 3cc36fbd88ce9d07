#include "platform/terminal.h"

#include <unistd.h>

#include <cstdio>

namespace t418::platform {

bool IsInteractiveTerminal(StandardStream stream) {
  switch (stream) {
    case StandardStream::Input: return ::isatty(STDIN_FILENO) != 0;
    case StandardStream::Output: return ::isatty(STDOUT_FILENO) != 0;
    case StandardStream::Error: return ::isatty(STDERR_FILENO) != 0;
  }
  return false;
}

// A terminal takes the bytes as they are: UTF-8 in a UTF-8 locale.
void WriteText(StandardStream stream, std::string_view utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), stream == StandardStream::Output ? stdout : stderr);
}

}  // namespace t418::platform
