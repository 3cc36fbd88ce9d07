#pragma once
// Facts of the host that decide whether a serial port can be used well: the
// device node and who may open it, users and groups, the USB adapter behind a
// port, what udev recorded of it, the processes that run and the ones that
// hold a port. Every fact is read under a root folder ("/" for this host's
// own), so a tree laid out elsewhere stands in for the host alike. Paths given
// and returned are the host's ("/dev/ttyUSB0"), whatever the root.
#include <optional>
#include <string>
#include <vector>

namespace t418::platform {

// Whether this system keeps these facts where the readers look (Linux). Where
// it does not, every reader returns nothing.
bool HostFactsAvailable();

// This process as the system checks its file access: its user, every group
// the process has now (not the ones a new login would get), its number.
struct OwnIdentity {
  unsigned long uid = 0;
  std::vector<unsigned long> groups;
  long pid = 0;
};
OwnIdentity CurrentIdentity();

struct DeviceNode {
  bool exists = false;
  std::string path;     // the node the port's name leads to, links followed
  unsigned mode = 0;    // its permission bits (0777)
  unsigned long owner = 0;
  unsigned long group = 0;
};
// The node of a port ("/dev/ttyUSB0", or a link to one such as /dev/serial/by-id/...).
DeviceNode ReadDeviceNode(const std::string& root, const std::string& port);

struct UserEntry {
  std::string name;
  unsigned long uid = 0;
  unsigned long group = 0;  // the primary group
};
// The user of that number in the user table (/etc/passwd).
std::optional<UserEntry> FindUser(const std::string& root, unsigned long uid);

struct GroupEntry {
  std::string name;
  unsigned long gid = 0;
  std::vector<std::string> members;  // the users the table adds to it
};
// The group table (/etc/group); lines it cannot read are left out.
std::vector<GroupEntry> ReadGroups(const std::string& root);

struct UsbAdapter {
  std::string vendor;   // four lower-case hexadecimal digits, e.g. "1a86"
  std::string product;  // e.g. "7523"
};
// The USB device behind a tty (by its name, "ttyUSB0"); nullopt when none is.
std::optional<UsbAdapter> FindUsbAdapter(const std::string& root, const std::string& tty);

// The KEY=VALUE properties udev recorded for a tty; empty when it recorded none.
std::vector<std::string> UdevProperties(const std::string& root, const std::string& tty);

// The latency timer of a tty's USB serial driver, in ms; nullopt when the
// driver has none (only FTDI's has).
std::optional<int> LatencyTimer(const std::string& root, const std::string& tty);
// The file that holds it, as the host names it.
std::string LatencyTimerFile(const std::string& tty);

struct RunningProcess {
  long pid = 0;
  std::string name;  // the program's name as the system keeps it
};
// The processes whose program is named so.
std::vector<RunningProcess> ProcessesNamed(const std::string& root, const std::string& name);
// The processes other than exceptPid with a file descriptor open on one of the paths.
std::vector<RunningProcess> ProcessesHolding(const std::string& root, const std::vector<std::string>& paths,
                                             long exceptPid);

// Whether a file (or a link, even one that leads nowhere) is at the path.
bool PathPresent(const std::string& root, const std::string& path);
// The names of the entries of a folder; empty when it cannot be read.
std::vector<std::string> FolderEntries(const std::string& root, const std::string& folder);

// The serial ports with hardware behind them, as "/dev/" names.
std::vector<std::string> HostSerialPorts(const std::string& root);

}  // namespace t418::platform
