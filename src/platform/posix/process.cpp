#include "platform/process.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace t418::platform {

long CurrentProcessId() { return static_cast<long>(::getpid()); }

bool ProcessGone(long pid) { return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

}  // namespace t418::platform
