#pragma once
// What t418ctl says of itself: its version (the one the window's title shows)
// and the header of its traffic logs (program, version, command line, port, time).
#include <string>

#include "session/headless_session.h"

namespace t418::ctl {

// "1.0.4": the version the window's title shows after its "V".
std::string ProgramVersion();

// Keeps the command line for the logs' headers; main calls it first.
void RememberCommandLine(int argc, char** argv);

// The line options with the header of a log of the port (when a log is asked for).
LineOptions WithLogHeader(LineOptions options, const std::string& port);

}  // namespace t418::ctl
