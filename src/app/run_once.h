#pragma once
// The program's running marker (platform/running_marker.h) under the name
// other processes look for: a named shared-memory object of 4 bytes that holds
// 0 while the program runs.
#include <string>

#include "platform/running_marker.h"

namespace t418 {

inline constexpr char kRunOnceName[] = "/{E8EFD6DE-BC7A-4FE1-90CC-EB9EB52A7A11}";

class RunOnceMarker : public platform::RunningMarker {
 public:
  explicit RunOnceMarker(std::string name = kRunOnceName) : RunningMarker(std::move(name)) {}
};

}  // namespace t418
