#include "platform/calendar_time.h"

namespace t418::platform {

bool LocalTime(std::time_t when, std::tm& local) { return localtime_r(&when, &local) != nullptr; }

bool UniversalTime(std::time_t when, std::tm& utc) { return gmtime_r(&when, &utc) != nullptr; }

}  // namespace t418::platform
