#pragma once
// Port events in test failures as words, not bytes.
#include <ostream>

#include "platform/port_events.h"

namespace t418::platform {

inline void PrintTo(const PortEvent& event, std::ostream* out) {
  static const char* const kinds[] = {"appeared", "vanished", "look again"};
  *out << kinds[static_cast<int>(event.kind)] << " " << event.port;
}

}  // namespace t418::platform
