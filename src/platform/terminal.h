#pragma once
// Whether a standard stream of the process is an interactive terminal (so that
// progress or notes meant for a person may go there), and writing text there.
#include <string_view>

namespace t418::platform {

enum class StandardStream { Input, Output, Error };

bool IsInteractiveTerminal(StandardStream stream);

// Writes UTF-8 text to standard output or error. A file or a pipe gets the
// bytes as they are (through the C library's stream, so its buffering holds);
// a Windows console gets the characters, whatever code page it reads bytes in,
// so Chinese text shows as such there too.
void WriteText(StandardStream stream, std::string_view utf8);

}  // namespace t418::platform
