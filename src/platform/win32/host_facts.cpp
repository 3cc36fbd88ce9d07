// Windows keeps none of the facts the host check reads (users' groups of a
// device node, udev, a process table of open descriptors): every reader
// returns nothing, and the check says so.
#include "platform/host_facts.h"

#include "platform/port_enumeration.h"
#include "platform/process.h"

namespace t418::platform {

bool HostFactsAvailable() { return false; }

OwnIdentity CurrentIdentity() {
  OwnIdentity self;
  self.pid = CurrentProcessId();
  return self;
}

DeviceNode ReadDeviceNode(const std::string&, const std::string& port) {
  DeviceNode node;
  node.path = port;
  return node;
}

std::optional<UserEntry> FindUser(const std::string&, unsigned long) { return std::nullopt; }
std::vector<GroupEntry> ReadGroups(const std::string&) { return {}; }
std::optional<UsbAdapter> FindUsbAdapter(const std::string&, const std::string&) { return std::nullopt; }
std::vector<std::string> UdevProperties(const std::string&, const std::string&) { return {}; }
std::optional<int> LatencyTimer(const std::string&, const std::string&) { return std::nullopt; }
std::string LatencyTimerFile(const std::string&) { return {}; }
std::vector<RunningProcess> ProcessesNamed(const std::string&, const std::string&) { return {}; }
std::vector<RunningProcess> ProcessesHolding(const std::string&, const std::vector<std::string>&, long) { return {}; }
bool PathPresent(const std::string&, const std::string&) { return false; }
std::vector<std::string> FolderEntries(const std::string&, const std::string&) { return {}; }

// The ports the registry lists: the one fact the check can give here.
std::vector<std::string> HostSerialPorts(const std::string&) { return ListHardwarePorts(); }

}  // namespace t418::platform
