#pragma once
// Who else has a serial device open: the processes a refused opening can name
// (found by the serial-line backend, platform/serial_line.h).
#include <string>
#include <vector>

#include "platform/serial_line.h"

namespace t418 {

using platform::FindPortHolders;
using platform::PortHolder;

// "held by 1234 (t418)", several joined with ", "; empty when nobody is known.
std::string DescribePortHolders(const std::vector<PortHolder>& holders);

}  // namespace t418
