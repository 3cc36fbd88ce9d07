#include "platform/process.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace t418::platform {

long CurrentProcessId() { return static_cast<long>(::getpid()); }

std::filesystem::path ProgramFolder() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : self.parent_path();
}

bool ProcessGone(long pid) { return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

}  // namespace t418::platform
