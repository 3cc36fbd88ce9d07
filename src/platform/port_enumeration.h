#pragma once
// The serial ports that the system knows with hardware behind them.
#include <string>
#include <vector>

namespace t418::platform {

// The ports, as names the serial line opens (platform/serial_line.h), in the
// system's order. systemRoot: where the system's device facts are read (for
// tests); empty for the system's own.
std::vector<std::string> ListHardwarePorts(const std::string& systemRoot = {});

// What the system says of the device behind a port (its maker and product for
// a USB adapter); "" when it says nothing.
std::string DescribeHardwarePort(const std::string& port, const std::string& systemRoot = {});

}  // namespace t418::platform
