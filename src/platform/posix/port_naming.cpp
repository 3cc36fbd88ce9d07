// Ports are device files; access to them is given by the dialout group, and
// the holder of a busy port is named by its lock.
#include "platform/port_naming.h"

namespace t418::platform {

PortNameExamples PortNames() {
  return {"/dev/ttyUSB0", "ttyUSB0", "/dev/ttyUSB*", "/dev/ttyUSB0 or /dev/ttyACM0", "/run/t418-ports/ttyUSB0"};
}

const char* PermissionAdvice() {
  return "add your user to the dialout group: sudo usermod -aG dialout $USER, then log in again";
}

const char* BusyAdvice() { return ""; }

}  // namespace t418::platform
