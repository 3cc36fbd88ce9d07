#pragma once
// Calendar time of a moment, safe to ask from any thread.
#include <ctime>

namespace t418::platform {

// In the local time zone; false when the system cannot tell.
bool LocalTime(std::time_t when, std::tm& local);
// In UTC; false when the system cannot tell.
bool UniversalTime(std::time_t when, std::tm& utc);

}  // namespace t418::platform
