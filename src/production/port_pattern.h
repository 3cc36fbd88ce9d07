#pragma once
// A PORT argument that names several ports: a comma-separated list whose items
// may be globs ("/dev/ttyUSB*", quoted so that the tool, not the shell,
// expands them against the port list and the file system).
#include <string>
#include <vector>

namespace t418 {

// Whether the argument is a list or holds a glob (*, ? or [).
bool IsPortPattern(const std::string& argument);

// The ports the argument names, in its order: a plain item as given, a glob
// item as the listed ports and the file system's paths it matches (natural
// order). Each port once; empty items are skipped.
std::vector<std::string> ExpandPorts(const std::string& argument, const std::vector<std::string>& listed);

// The name of a port for its files: "/dev/ttyUSB0" gives "ttyUSB0".
std::string PortFileName(const std::string& port);

}  // namespace t418
