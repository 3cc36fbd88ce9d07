#include "platform/calendar_time.h"

namespace t418::platform {

bool LocalTime(std::time_t when, std::tm& local) { return localtime_s(&local, &when) == 0; }

bool UniversalTime(std::time_t when, std::tm& utc) { return gmtime_s(&utc, &when) == 0; }

}  // namespace t418::platform
