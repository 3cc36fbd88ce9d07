#pragma once
// Facts about processes, by their number.
#include <filesystem>

namespace t418::platform {

long CurrentProcessId();
// True only when the system says no process has that number (a process it
// will not let this one look at still counts as running).
bool ProcessGone(long pid);
// The folder of this process's program file; empty when the system does not tell.
std::filesystem::path ProgramFolder();

}  // namespace t418::platform
