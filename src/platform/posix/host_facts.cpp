// The host's facts as Linux keeps them: /dev, /etc/passwd and /etc/group,
// /sys (class/tty and the USB devices, bus/usb-serial), /run/udev/data and
// /proc, all under a root folder.
#include "platform/host_facts.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/port_enumeration.h"

namespace t418::platform {
namespace fs = std::filesystem;
namespace {

// The host's path inside the tree at root.
fs::path InTree(const std::string& root, const fs::path& hostPath) {
  return fs::path(root.empty() ? std::string("/") : root) / hostPath.relative_path();
}

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\n')) line.pop_back();
  return line;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, ':')) fields.push_back(field);
  if (!line.empty() && line.back() == ':') fields.emplace_back();
  return fields;
}

std::optional<unsigned long> Number(const std::string& text) {
  if (text.empty() || text.size() > 10 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  return std::stoul(text);
}

std::vector<long> ProcessIds(const std::string& root) {
  std::vector<long> pids;
  std::error_code ec;
  for (fs::directory_iterator it(InTree(root, "/proc"), ec), end; !ec && it != end; it.increment(ec)) {
    if (const auto pid = Number(it->path().filename().string())) pids.push_back(static_cast<long>(*pid));
  }
  std::sort(pids.begin(), pids.end());
  return pids;
}

std::string ProcessName(const std::string& root, long pid) {
  return FirstLine(InTree(root, "/proc/" + std::to_string(pid) + "/comm"));
}

}  // namespace

bool HostFactsAvailable() { return true; }

OwnIdentity CurrentIdentity() {
  OwnIdentity self;
  self.uid = ::geteuid();
  self.pid = ::getpid();
  self.groups.push_back(::getegid());
  const int count = ::getgroups(0, nullptr);
  if (count > 0) {
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) self.groups.push_back(groups[static_cast<std::size_t>(i)]);
  }
  return self;
}

DeviceNode ReadDeviceNode(const std::string& root, const std::string& port) {
  DeviceNode node;
  fs::path hostPath = port;
  std::error_code ec;
  // Links are followed inside the tree: an absolute target is the host's path.
  for (int hop = 0; hop < 16 && fs::is_symlink(InTree(root, hostPath), ec); ++hop) {
    const fs::path target = fs::read_symlink(InTree(root, hostPath), ec);
    if (ec) break;
    hostPath = (target.is_absolute() ? target : hostPath.parent_path() / target).lexically_normal();
  }
  node.path = hostPath.string();
  struct stat st {};
  if (::stat(InTree(root, hostPath).c_str(), &st) != 0) return node;
  node.exists = true;
  node.mode = st.st_mode & 0777;
  node.owner = st.st_uid;
  node.group = st.st_gid;
  return node;
}

std::optional<UserEntry> FindUser(const std::string& root, unsigned long uid) {
  std::ifstream in(InTree(root, "/etc/passwd"));
  for (std::string line; std::getline(in, line);) {
    const auto fields = Fields(line);
    if (fields.size() < 4) continue;
    const auto number = Number(fields[2]);
    const auto group = Number(fields[3]);
    if (number && group && *number == uid) return UserEntry{fields[0], *number, *group};
  }
  return std::nullopt;
}

std::vector<GroupEntry> ReadGroups(const std::string& root) {
  std::vector<GroupEntry> groups;
  std::ifstream in(InTree(root, "/etc/group"));
  for (std::string line; std::getline(in, line);) {
    const auto fields = Fields(line);
    if (fields.size() < 3 || fields[0].empty()) continue;
    const auto gid = Number(fields[2]);
    if (!gid) continue;
    GroupEntry group{fields[0], *gid, {}};
    if (fields.size() > 3) {
      std::istringstream members(fields[3]);
      for (std::string member; std::getline(members, member, ',');)
        if (!member.empty()) group.members.push_back(member);
    }
    groups.push_back(std::move(group));
  }
  return groups;
}

std::optional<UsbAdapter> FindUsbAdapter(const std::string& root, const std::string& tty) {
  std::error_code ec;
  const fs::path sys = fs::weakly_canonical(InTree(root, "/sys"), ec);
  fs::path device = fs::canonical(InTree(root, "/sys/class/tty/" + tty + "/device"), ec);
  if (ec) return std::nullopt;
  // The USB device that holds the port's interface is a few levels up.
  for (int level = 0; level < 6 && device != sys && device.has_parent_path(); ++level, device = device.parent_path()) {
    const std::string vendor = FirstLine(device / "idVendor");
    const std::string product = FirstLine(device / "idProduct");
    if (vendor.empty() || product.empty()) continue;
    UsbAdapter adapter{vendor, product};
    for (auto* text : {&adapter.vendor, &adapter.product})
      std::transform(text->begin(), text->end(), text->begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return adapter;
  }
  return std::nullopt;
}

std::vector<std::string> UdevProperties(const std::string& root, const std::string& tty) {
  std::vector<std::string> properties;
  // udev keeps a character device's record under its numbers, "c188:0".
  const std::string numbers = FirstLine(InTree(root, "/sys/class/tty/" + tty + "/dev"));
  if (numbers.empty() || numbers.find('/') != std::string::npos) return properties;
  std::ifstream in(InTree(root, "/run/udev/data/c" + numbers));
  for (std::string line; std::getline(in, line);)
    if (line.rfind("E:", 0) == 0) properties.push_back(line.substr(2));
  return properties;
}

std::string LatencyTimerFile(const std::string& tty) { return "/sys/bus/usb-serial/devices/" + tty + "/latency_timer"; }

std::optional<int> LatencyTimer(const std::string& root, const std::string& tty) {
  const auto value = Number(FirstLine(InTree(root, LatencyTimerFile(tty))));
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

std::vector<RunningProcess> ProcessesNamed(const std::string& root, const std::string& name) {
  std::vector<RunningProcess> found;
  for (long pid : ProcessIds(root))
    if (ProcessName(root, pid) == name) found.push_back({pid, name});
  return found;
}

std::vector<RunningProcess> ProcessesHolding(const std::string& root, const std::vector<std::string>& paths,
                                             long exceptPid) {
  std::vector<RunningProcess> found;
  for (long pid : ProcessIds(root)) {
    if (pid == exceptPid) continue;
    std::error_code ec;
    for (fs::directory_iterator it(InTree(root, "/proc/" + std::to_string(pid) + "/fd"), ec), end; !ec && it != end;
         it.increment(ec)) {
      std::error_code linkError;
      const std::string target = fs::read_symlink(it->path(), linkError).string();
      if (linkError || std::find(paths.begin(), paths.end(), target) == paths.end()) continue;
      found.push_back({pid, ProcessName(root, pid)});
      break;
    }
  }
  return found;
}

bool PathPresent(const std::string& root, const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(InTree(root, path), ec));
}

std::vector<std::string> FolderEntries(const std::string& root, const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(InTree(root, folder), ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> HostSerialPorts(const std::string& root) {
  return ListHardwarePorts(InTree(root, "/sys").string());
}

}  // namespace t418::platform
