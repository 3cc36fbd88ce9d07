#include "platform/host_name.h"

#include <unistd.h>

namespace t418::platform {

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace t418::platform
