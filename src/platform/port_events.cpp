#include "platform/port_events.h"

namespace t418::platform {

std::optional<PortEvent> TtyDeviceEvent(std::string_view action, std::string_view devnode, bool hasHardware) {
  if (devnode.empty()) return std::nullopt;
  if (action == "add" && hasHardware) return PortEvent{PortEvent::Kind::Appeared, std::string(devnode)};
  // A removed device has lost its parent already: every removed node is told,
  // and a node that was never a port is no port the station knows.
  if (action == "remove") return PortEvent{PortEvent::Kind::Vanished, std::string(devnode)};
  return std::nullopt;
}

}  // namespace t418::platform
