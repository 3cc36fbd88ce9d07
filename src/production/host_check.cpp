#include "production/host_check.h"

#include <algorithm>
#include <optional>

#include "serial/port_list.h"
#include "text/ascii_case.h"

namespace t418 {
namespace {

using platform::DeviceNode;
using platform::GroupEntry;
using platform::RunningProcess;
using platform::UsbAdapter;
using platform::UserEntry;

// A rules file of the user's own: one named as the package's would hide it.
constexpr const char* kLocalRulesFile = "/etc/udev/rules.d/71-t418-local.rules";
constexpr const char* kRemoveBrltty = "sudo apt-get remove brltty";

// What holds for every port of the host.
struct HostState {
  std::vector<RunningProcess> modemManager;
  bool brltty = false;
  std::optional<UserEntry> user;
  std::vector<GroupEntry> groups;
};

bool BrlttyInstalled(const std::string& root) {
  for (const char* program : {"/usr/bin/brltty", "/bin/brltty", "/usr/sbin/brltty", "/sbin/brltty"})
    if (platform::PathPresent(root, program)) return true;
  for (const char* folder : {"/usr/lib/udev/rules.d", "/lib/udev/rules.d", "/etc/udev/rules.d"})
    for (const auto& name : platform::FolderEntries(root, folder))
      if (name.find("brltty") != std::string::npos && name.size() > 6 &&
          name.compare(name.size() - 6, 6, ".rules") == 0)
        return true;
  return false;
}

// A port named without its folder is one of /dev.
std::string HostPath(const std::string& port) { return port.find('/') == std::string::npos ? "/dev/" + port : port; }

std::string LastPart(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Octal(unsigned mode) {
  std::string text;
  for (int shift = 9; shift >= 0; shift -= 3) text += static_cast<char>('0' + ((mode >> shift) & 7));
  return text;
}

bool Holds(const std::vector<unsigned long>& groups, unsigned long gid) {
  return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

// Whether the user may both read and write the node, as the system decides it.
bool MayReadWrite(const DeviceNode& node, const platform::OwnIdentity& self) {
  if (self.uid == 0) return true;
  unsigned bits = node.mode & 7;
  if (node.owner == self.uid)
    bits = (node.mode >> 6) & 7;
  else if (Holds(self.groups, node.group))
    bits = (node.mode >> 3) & 7;
  return (bits & 6) == 6;
}

struct PortChecker {
  const HostCheckInput& input;
  const HostState& host;
  std::vector<HostFinding>& out;
  bool claimedAdapterSeen = false;
  bool usbAdapterSeen = false;

  void Add(HostSeverity severity, const std::string& port, const char* check, std::string text, std::string fix = {}) {
    out.push_back({severity, port, check, std::move(text), std::move(fix)});
  }

  std::string UserName() const { return host.user ? host.user->name : "uid " + std::to_string(input.self.uid); }
  std::string UserForCommand() const { return host.user ? host.user->name : "$USER"; }
  std::string GroupName(unsigned long gid) const {
    for (const auto& group : host.groups)
      if (group.gid == gid) return group.name;
    return std::to_string(gid);
  }
  // Whether the tables give the user this group (primary or added), whatever this process has.
  bool TablesGive(unsigned long gid) const {
    if (!host.user) return false;
    if (host.user->group == gid) return true;
    for (const auto& group : host.groups)
      if (group.gid == gid && std::find(group.members.begin(), group.members.end(), host.user->name) != group.members.end())
        return true;
    return false;
  }

  void Check(const std::string& port) {
    const DeviceNode node = platform::ReadDeviceNode(input.root, HostPath(port));
    if (!node.exists) {
      std::string fix = "plug the adapter in and check its cable; 't418ctl ports' lists the ports found";
      if (host.brltty)
        fix += std::string("\nbrltty is installed and takes CH340 and CP210x adapters away as they are plugged in: ") +
               kRemoveBrltty;
      Add(HostSeverity::Stops, port, "port", "no such port", fix);
      return;
    }
    CheckAccess(port, node);
    CheckHolders(port, node);
    const std::string tty = LastPart(node.path);
    if (const auto adapter = platform::FindUsbAdapter(input.root, tty)) {
      usbAdapterSeen = true;
      CheckModemManager(port, tty, *adapter);
      CheckBrltty(port, *adapter);
    }
    CheckLatency(port, tty);
  }

  void CheckAccess(const std::string& port, const DeviceNode& node) {
    if (MayReadWrite(node, input.self)) {
      Add(HostSeverity::Fine, port, "access", "exists and user " + UserName() + " may open it read-write");
      return;
    }
    const std::string group = GroupName(node.group);
    const bool groupGrants = ((node.mode >> 3) & 6) == 6 && node.owner != input.self.uid;
    if (groupGrants && TablesGive(node.group)) {
      Add(HostSeverity::Stops, port, "access",
          "user " + UserName() + " was added to group " + group +
              ", which may open the port, but this login does not have the group yet",
          "log out and log in again (or, for this shell only: newgrp " + group + ")");
      return;
    }
    const std::string join = "sudo usermod -aG " + group + " " + UserForCommand() + "\nthen log out and log in again";
    if (groupGrants) {
      Add(HostSeverity::Stops, port, "access",
          "only group " + group + " may open the port, and user " + UserName() + " is not in it", join);
      return;
    }
    std::string fix = "sudo chmod 0660 " + node.path;
    if (!TablesGive(node.group) && !Holds(input.self.groups, node.group)) fix += "\n" + join;
    Add(HostSeverity::Stops, port, "access",
        "its mode " + Octal(node.mode) + " (group " + group + ") lets user " + UserName() +
            " not open it read-write",
        fix);
  }

  void CheckHolders(const std::string& port, const DeviceNode& node) {
    std::vector<std::string> paths{HostPath(port)};
    if (node.path != paths.front()) paths.push_back(node.path);
    for (const auto& holder : platform::ProcessesHolding(input.root, paths, input.self.pid)) {
      const std::string pid = std::to_string(holder.pid);
      const std::string name = holder.name.empty() ? "a program" : holder.name;
      Add(HostSeverity::Stops, port, "holder", "held open by pid " + pid + " (" + name + ")",
          "close " + name + " (or end it: kill " + pid + ")");
    }
  }

  void CheckModemManager(const std::string& port, const std::string& tty, const UsbAdapter& adapter) {
    if (host.modemManager.empty()) return;
    const auto properties = platform::UdevProperties(input.root, tty);
    if (std::find(properties.begin(), properties.end(), "ID_MM_DEVICE_IGNORE=1") != properties.end()) {
      Add(HostSeverity::Fine, port, "modemmanager", "ModemManager leaves it alone (udev marked it ID_MM_DEVICE_IGNORE)");
      return;
    }
    Add(HostSeverity::Slows, port, "modemmanager",
        "ModemManager (pid " + std::to_string(host.modemManager.front().pid) + ") probes this " + adapter.vendor + ":" +
            adapter.product +
            " adapter's port for about 10 s each time it is plugged in: it sends its own commands to the terminal "
            "and holds the port meanwhile",
        "echo '" + ModemManagerIgnoreRule(adapter.vendor, adapter.product) + "' | sudo tee -a " + kLocalRulesFile +
            "\nsudo udevadm control --reload && sudo udevadm trigger");
  }

  void CheckBrltty(const std::string& port, const UsbAdapter& adapter) {
    if (!host.brltty) return;
    const std::string ids = adapter.vendor + ":" + adapter.product;
    for (const auto& claimed : BrlttyClaimedAdapters()) {
      if (ids != claimed.ids) continue;
      claimedAdapterSeen = true;
      Add(HostSeverity::Slows, port, "brltty",
          std::string("brltty is installed and claims this adapter (") + claimed.chip + ", " + ids +
              ") for braille displays: the port vanishes when it takes the adapter",
          kRemoveBrltty);
    }
  }

  void CheckLatency(const std::string& port, const std::string& tty) {
    const auto latency = platform::LatencyTimer(input.root, tty);
    if (!latency) return;
    if (*latency <= 1) {
      Add(HostSeverity::Fine, port, "latency", "the FTDI adapter's latency timer is " + std::to_string(*latency) + " ms");
      return;
    }
    Add(HostSeverity::Slows, port, "latency",
        "the FTDI adapter's latency timer is " + std::to_string(*latency) +
            " ms: each reply waits that long in the adapter (1 ms is best)",
        "echo 1 | sudo tee " + platform::LatencyTimerFile(tty) +
            "\nto keep it: echo 'ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"ftdi_sio\", "
            "ATTR{latency_timer}=\"1\"' | sudo tee -a " +
            kLocalRulesFile);
  }
};

// Where the facts are not kept: whether each port is listed, no more.
std::vector<HostFinding> CheckListedOnly(const HostCheckInput& input) {
  std::vector<HostFinding> out;
  out.push_back({HostSeverity::Fine, "", "platform",
                 "the checks of groups, ModemManager, brltty, latency timers and port holders are Linux's; here only "
                 "whether each port is listed",
                 ""});
  const auto listed = platform::HostSerialPorts(input.root);
  // "\\.\COM3" and "com3" name the port the system lists as "COM3".
  const auto bare = [](const std::string& name) {
    return name.rfind("\\\\.\\", 0) == 0 ? name.substr(4) : name;
  };
  for (const auto& port : input.ports.empty() ? listed : input.ports) {
    const bool found = std::any_of(listed.begin(), listed.end(), [&](const std::string& p) {
      return EqualsIgnoringAsciiCase(bare(p), bare(port));
    });
    if (found)
      out.push_back({HostSeverity::Fine, port, "port", "listed by the system", ""});
    else
      out.push_back({HostSeverity::Stops, port, "port", "no such port (the system does not list it)",
                     "plug the adapter in and check its cable; 't418ctl ports' lists the ports found"});
  }
  return out;
}

}  // namespace

const char* HostSeverityName(HostSeverity severity) {
  switch (severity) {
    case HostSeverity::Stops: return "stop";
    case HostSeverity::Slows: return "warn";
    case HostSeverity::Fine: return "fine";
  }
  return "fine";
}

std::string ModemManagerIgnoreRule(const std::string& vendor, const std::string& product) {
  return "ATTRS{idVendor}==\"" + vendor + "\", ATTRS{idProduct}==\"" + product + "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"";
}

const std::vector<ClaimedAdapter>& BrlttyClaimedAdapters() {
  static const std::vector<ClaimedAdapter> adapters{{"1a86:7523", "CH340"}, {"10c4:ea60", "CP210x"}};
  return adapters;
}

bool AnyStops(const std::vector<HostFinding>& findings) {
  return std::any_of(findings.begin(), findings.end(),
                     [](const HostFinding& finding) { return finding.severity == HostSeverity::Stops; });
}

std::vector<HostFinding> CheckHost(const HostCheckInput& input) {
  if (!platform::HostFactsAvailable()) return CheckListedOnly(input);
  HostState host;
  host.modemManager = platform::ProcessesNamed(input.root, "ModemManager");
  host.brltty = BrlttyInstalled(input.root);
  host.user = platform::FindUser(input.root, input.self.uid);
  host.groups = platform::ReadGroups(input.root);

  std::vector<std::string> ports = input.ports;
  if (ports.empty()) {
    ports = platform::HostSerialPorts(input.root);
    std::sort(ports.begin(), ports.end(), NaturalLess);
  }
  std::vector<HostFinding> portFindings;
  PortChecker checker{input, host, portFindings};
  for (const auto& port : ports) checker.Check(port);

  std::vector<HostFinding> out;
  if (ports.empty())
    out.push_back({HostSeverity::Slows, "", "port", "no serial port found",
                   "plug the terminal's adapter in and run the check again"});
  if (host.modemManager.empty()) {
    out.push_back({HostSeverity::Fine, "", "modemmanager", "ModemManager is not running", ""});
  } else {
    const std::string running = "ModemManager is running (pid " + std::to_string(host.modemManager.front().pid) + ")";
    if (checker.usbAdapterSeen)
      out.push_back({HostSeverity::Fine, "", "modemmanager", running, ""});
    else
      out.push_back({HostSeverity::Slows, "", "modemmanager",
                     running + ": it probes each USB adapter plugged in for about 10 s unless udev marks it "
                               "ID_MM_DEVICE_IGNORE",
                     "plug the adapter in and run the check again for the udev rule of its kind; or, where no modem "
                     "is used: sudo systemctl disable --now ModemManager"});
  }
  if (!host.brltty)
    out.push_back({HostSeverity::Fine, "", "brltty", "brltty is not installed", ""});
  else if (!checker.claimedAdapterSeen)
    out.push_back({HostSeverity::Slows, "", "brltty",
                   "brltty is installed: it takes CH340 and CP210x adapters away as they are plugged in",
                   kRemoveBrltty});
  out.insert(out.end(), portFindings.begin(), portFindings.end());
  return out;
}

}  // namespace t418
