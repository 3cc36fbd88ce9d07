#pragma once
// The computer's serial ports, as paths that TComm opens.
#include <string>
#include <vector>

namespace t418 {

// Orders texts with their digit runs compared as numbers: "ttyS2" before "ttyS10".
bool NaturalLess(const std::string& a, const std::string& b);

// The real serial ports known under sysfsRoot/class/tty, as "/dev/" + name:
// USB and ACM adapters and every UART that a driver has found. The legacy
// ttyS ports that the 8250 driver sets up without a UART behind them (port type
// 0) are left out. Then the links in portsFolder (the simulator's), as they are;
// links that lead nowhere are left out. Each group in natural order. A folder
// that cannot be read adds nothing.
std::vector<std::string> ListSerialPorts(const std::string& sysfsRoot,
                                         const std::string& portsFolder);

// The same for this computer: /sys and SimPortsFolder().
std::vector<std::string> ListSerialPorts();

// What sysfs says of the device behind a port ("FTDI FT232R USB UART" for a
// USB adapter: its maker and product); "" when it says nothing.
std::string PortDescription(const std::string& sysfsRoot, const std::string& port);
std::string PortDescription(const std::string& port);

}  // namespace t418
