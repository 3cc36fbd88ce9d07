#pragma once
// Facts about processes, by their number.
namespace t418::platform {

long CurrentProcessId();
// True only when the system says no process has that number (a process it
// will not let this one look at still counts as running).
bool ProcessGone(long pid);

}  // namespace t418::platform
