// Windows names COM ports by number only; the place of a USB adapter is not
// looked up here, so every port is named by itself.
#include "platform/port_location.h"

namespace t418::platform {

std::string StablePortPath(const std::string&, const std::string&) { return {}; }

}  // namespace t418::platform
