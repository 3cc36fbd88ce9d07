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
// The folder of the data files that come with the program (the language file,
// the region catalogue): for a program installed as PREFIX/bin/NAME, the folder
// PREFIX/share/t418 when it exists; else the program's folder itself.
std::filesystem::path InstalledDataFolder(const std::filesystem::path& programFolder);

}  // namespace t418::platform
