// Ports are COM names, COM10 and above only reachable as device names
// (\\.\COM12). A port another program holds answers "access denied", and no
// documented call tells which program holds it: the advice names none.
#include "platform/port_naming.h"

namespace t418::platform {

PortNameExamples PortNames() { return {"\\\\.\\COM12", "COM3", "COM*", "a COM port such as COM3", nullptr}; }

const char* PermissionAdvice() { return "this user may not use the port: ask the computer's administrator"; }

const char* BusyAdvice() {
  return "close the other program that uses it (a terminal program, the T418 window, another t418ctl) and try again";
}

}  // namespace t418::platform
