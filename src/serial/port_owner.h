#pragma once
// Who else has a serial device open: the processes a refused opening can name,
// found in the system's process table (/proc).
#include <string>
#include <sys/types.h>
#include <vector>

namespace t418 {

struct PortHolder {
  pid_t pid = 0;
  std::string name;  // the program's name as the system keeps it (/proc/PID/comm)
};

// The other processes that hold the device behind fd. The holder of a lock on
// it comes first (from procRoot/locks); without one, every process with the
// same device open (procRoot/PID/fd). The calling process never counts, nor,
// for a pseudo-terminal, a process that holds its master side: that is the far
// end of the line (a simulator), not a second user of the port.
std::vector<PortHolder> FindPortHolders(int fd, const std::string& procRoot = "/proc");

// "held by 1234 (t418)", several joined with ", "; empty when nobody is known.
std::string DescribePortHolders(const std::vector<PortHolder>& holders);

}  // namespace t418
