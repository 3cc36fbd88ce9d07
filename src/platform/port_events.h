#pragma once
// Ports appearing and vanishing as the system tells it, the moment it happens:
// a station reacts at once instead of finding the change at its next look at
// the port list, and a port pulled and plugged back between two looks is seen
// as gone and new again.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wake_event.h"

namespace t418::platform {

struct PortEvent {
  enum class Kind {
    Appeared,
    Vanished,
    // Events were lost (the system's queue overflowed): look at the whole port list again.
    LookAgain,
  };
  Kind kind = Kind::Appeared;
  std::string port;  // as the port list names it; "" for LookAgain

  bool operator==(const PortEvent&) const = default;
};

// A folder whose entries are ports. Entries whose name starts with "." are not.
struct WatchedFolder {
  std::string path;
  // False: an entry's own path is the port (the simulator's links). True: an
  // entry is a link that names the port it leads to (/dev/serial/by-path).
  bool portIsLinkTarget = false;
  // A folder that is not there yet is made (the simulator's folder appears with
  // the first simulator otherwise).
  bool makeIfMissing = false;
};

struct PortWatchRequest {
  // The system's serial devices (Linux: udev's tty devices; without udev the
  // links of /dev/serial/by-path).
  bool systemPorts = true;
  std::vector<WatchedFolder> folders;
  // The folder that stands for "/" when looking for udev and /dev/serial (tests); empty for "/".
  std::string systemRoot;
};

// The events of the ports a request asked for.
class PortEvents {
 public:
  virtual ~PortEvents() = default;
  // The system's object that is readable while events wait (for a front end's
  // notifier); -1 when there is none.
  virtual std::intptr_t Native() const = 0;
  // Waits until events may wait, stop is raised or timeoutMs have passed
  // (-1: no limit). True when events may wait. Stop stays raised.
  virtual bool Wait(const WakeEvent& stop, int timeoutMs) = 0;
  // The events that arrived, in the order they happened; never waits.
  virtual std::vector<PortEvent> Take() = 0;
  // How the ports are watched, for the user ("udev (tty devices); inotify on FOLDER").
  virtual std::string How() const = 0;
  // Whether the system's own ports are among them; when they were asked for
  // and are not, SystemPortsWhyNot says why.
  virtual bool WatchesSystemPorts() const = 0;
  virtual std::string SystemPortsWhyNot() const = 0;
};

// The system's watches for what the request asks for, or nullptr and in why
// the reason none can be had (the caller then looks at the port list from time
// to time). The system's ports may be missing from watches of folders that
// could be had (WatchesSystemPorts). Windows: never (nullptr, "not available
// on Windows").
std::unique_ptr<PortEvents> OpenPortEvents(const PortWatchRequest& request, std::string& why);

// The event a udev report of the tty subsystem means: "add" of a device node
// with hardware behind it appears, "remove" of a node vanishes; anything else
// (virtual terminals, "change", "bind", no node) means nothing.
std::optional<PortEvent> TtyDeviceEvent(std::string_view action, std::string_view devnode, bool hasHardware);

}  // namespace t418::platform
