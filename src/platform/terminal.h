#pragma once
// Whether a standard stream of the process is an interactive terminal (so that
// progress or notes meant for a person may go there).
namespace t418::platform {

enum class StandardStream { Input, Output, Error };

bool IsInteractiveTerminal(StandardStream stream);

}  // namespace t418::platform
