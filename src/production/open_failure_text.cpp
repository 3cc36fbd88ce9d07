#include "production/open_failure_text.h"

#include "platform/port_naming.h"

namespace t418 {

std::string OpenFailureText(const OpenFailure& failure, const std::string& port) {
  const bool named = !port.empty();
  switch (failure.kind) {
    case OpenFailureKind::None: return {};
    case OpenFailureKind::NoSuchPort: return named ? "no such port: " + port : "no such port";
    case OpenFailureKind::Permission:
      return (named ? "permission denied: " + port : std::string("permission denied")) + " (" +
             platform::PermissionAdvice() + ")";
    case OpenFailureKind::Busy: {
      std::string text = named ? "port busy: " + port + " is in use by another program"
                               : std::string("port busy: in use by another program");
      if (!failure.holder.empty()) text += ", " + failure.holder;
      const std::string advice = platform::BusyAdvice();
      if (!advice.empty()) text += "; " + advice;
      return text;
    }
    case OpenFailureKind::Other: break;
  }
  return (named ? "cannot open " + port : std::string("cannot open the port")) + ": " +
         (failure.reason.empty() ? std::string("not a serial port or wrong line settings") : failure.reason);
}

}  // namespace t418
