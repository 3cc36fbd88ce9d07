#pragma once
// How this system names serial ports, and what a user does about a port that
// will not open: the examples of help texts and the advice of messages.
namespace t418::platform {

struct PortNameExamples {
  const char* path;      // a port as the system names it: "/dev/ttyUSB0", "\\.\COM12"
  const char* name;      // a port by its name in the port list: "ttyUSB0", "COM3"
  const char* glob;      // every USB adapter's port: "/dev/ttyUSB*", "COM*"
  const char* adapters;  // where a USB adapter shows up, for a sentence
  const char* namesake;  // another port of path's name ("/run/t418-ports/ttyUSB0"); null where names are unique
};

PortNameExamples PortNames();

// What to do when this user may not open a port.
const char* PermissionAdvice();
// What to do when another program holds a port; empty when naming the holder says it all.
const char* BusyAdvice();

}  // namespace t418::platform
