#pragma once
// Where a port is plugged in: a name of the port that stays the same for the
// same socket of the same hub from one plug-in to the next, whatever number the
// system gives the port this time. A station names its slots by it.
#include <string>

namespace t418::platform {

// The stable path of a port, or "" when the system knows none (a port that is
// no device of the system: a pseudo-terminal, a simulator's link).
// Linux: the link in /dev/serial/by-path that leads to the port
// ("/dev/serial/by-path/pci-0000:00:14.0-usb-0:1.2:1.0-port0"), else the
// device behind /sys/class/tty/NAME/device ("/sys/devices/.../1-1.2:1.0").
// Windows: none.
// systemRoot: the folder that stands for "/" (tests point it at a fake tree);
// empty for the system's own. The paths returned are the system's, without it.
std::string StablePortPath(const std::string& port, const std::string& systemRoot = {});

}  // namespace t418::platform
