#pragma once
// The name of this computer, as its system calls it.
#include <string>

namespace t418::platform {

// The computer's name (UTF-8); empty when the system does not tell.
std::string HostName();

}  // namespace t418::platform
