// Windows: no port events here (the ports are found by looking at the list).
#include "platform/port_events.h"

namespace t418::platform {

std::unique_ptr<PortEvents> OpenPortEvents(const PortWatchRequest&, std::string& why) {
  why = "port events are not available on Windows";
  return nullptr;
}

}  // namespace t418::platform
