#pragma once
// A PORT argument that names several ports: a comma-separated list whose items
// may be globs ("/dev/ttyUSB*", quoted so that the tool, not the shell,
// expands them against the port list and the file system).
#include <string>
#include <vector>

namespace t418 {

// Whether the argument is a list or holds a glob (*, ? or [).
bool IsPortPattern(const std::string& argument);

// The ports the argument names, in its order: a plain item as given (a bare
// name that one listed port has: that port, see LookUpPort), a glob
// item as the listed ports and the file system's paths it matches (natural
// order). Each port once; empty items are skipped.
std::vector<std::string> ExpandPorts(const std::string& argument, const std::vector<std::string>& listed);

// The name of a port for its files: "/dev/ttyUSB0" gives "ttyUSB0".
std::string PortFileName(const std::string& port);

// The names of the ports' files, one per port in the same order: the port's
// own name (PortFileName) when no other port of the list has it, else the
// whole path ("/dev/pts/3" gives "dev_pts_3"). Each name makes a file on
// Linux and on Windows alike: separators, ':', wildcards and control bytes
// become '_', a folder part in front goes ("\\.\COM12" gives "COM12"), a
// Windows device name gets a '_' ("COM3_", as "COM3.log" would be the port),
// and a name that two ports still share (letter case aside) gets "-2", "-3"...
std::vector<std::string> UniquePortFileNames(const std::vector<std::string>& ports);

// A port named without a folder ("ttyUSB0") looked up in the port list.
struct PortLookup {
  std::string path;                     // the port to open; empty when none or several match
  std::vector<std::string> candidates;  // several listed ports of that name: all of them
};

// A name with a slash is a path and stays as it is; a bare name is the listed
// port of that name (its last path part), or, when none is listed, the name as
// given if such a file exists (a path relative to the working folder).
PortLookup LookUpPort(const std::string& name, const std::vector<std::string>& listed);

}  // namespace t418
