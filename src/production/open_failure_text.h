#pragma once
// A port that would not open, in words for the user: what happened and what
// to do about it on this system.
#include <string>

#include "serial/serial_port.h"

namespace t418 {

// "port busy: in use by another program, held by 1234 (t418)"; with the
// port's name, the text names it ("port busy: /dev/ttyUSB0 is in use ...").
// Empty when the port opened.
std::string OpenFailureText(const OpenFailure& failure, const std::string& port = {});

}  // namespace t418
