#pragma once
// Serial devices coming and going as udev tells them (the "tty" subsystem).
#include <string>
#include <vector>

#include "platform/port_events.h"

struct udev;
struct udev_monitor;

namespace t418::platform {

class UdevTtys {
 public:
  UdevTtys() = default;
  ~UdevTtys();
  UdevTtys(const UdevTtys&) = delete;
  UdevTtys& operator=(const UdevTtys&) = delete;

  // Listens to udev's reports of tty devices; false and why when udev does not
  // run (no systemRoot/run/udev/control: a container) or the monitor cannot be made.
  bool Open(const std::string& systemRoot, std::string& why);
  int Fd() const { return fd_; }
  // Reads the reports that wait (never blocks) and adds their events in order.
  void Read(std::vector<PortEvent>& events);

 private:
  struct udev* udev_ = nullptr;
  struct udev_monitor* monitor_ = nullptr;
  int fd_ = -1;
};

}  // namespace t418::platform
