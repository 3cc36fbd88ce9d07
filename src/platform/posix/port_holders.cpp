// Who holds a serial device, from the process table under /proc: the lock
// table first, then every process's open descriptors.
#include "platform/serial_line.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

namespace t418::platform {
namespace {

std::vector<pid_t> ProcessIds(const std::string& procRoot) {
  std::vector<pid_t> pids;
  DIR* dir = ::opendir(procRoot.c_str());
  if (dir == nullptr) return pids;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    if (name.size() > 9) continue;
    pids.push_back(static_cast<pid_t>(std::stol(name)));
  }
  ::closedir(dir);
  std::sort(pids.begin(), pids.end());
  return pids;
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

std::string ProcessName(const std::string& procRoot, pid_t pid) {
  std::ifstream in(procRoot + "/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

// The processes holding a lock on the file (device number and inode), in the
// order the system lists them. Waiters ("->") hold nothing yet.
std::vector<pid_t> LockHolders(const std::string& procRoot, dev_t dev, ino_t ino) {
  std::vector<pid_t> pids;
  std::ifstream in(procRoot + "/locks");
  char wanted[64];
  std::snprintf(wanted, sizeof wanted, "%02x:%02x:%lu", ::major(dev), ::minor(dev),
                static_cast<unsigned long>(ino));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string number, kind, mode, access, pid, file;
    if (!(words >> number >> kind)) continue;
    if (kind == "->") continue;
    if (!(words >> mode >> access >> pid >> file)) continue;
    if (file != wanted) continue;
    try {
      const pid_t holder = static_cast<pid_t>(std::stol(pid));
      if (holder > 0 && std::find(pids.begin(), pids.end(), holder) == pids.end())
        pids.push_back(holder);
    } catch (const std::exception&) {
    }
  }
  return pids;
}

// The index of a pseudo-terminal slave (the N of /dev/pts/N), if rdev is one.
std::optional<unsigned> PtyIndex(dev_t rdev) {
  const unsigned major = ::major(rdev);
  if (major < 136 || major > 143) return std::nullopt;
  return (major - 136) * 256 + ::minor(rdev);
}

// Whether the file descriptor fdName of the process is the master of pty index.
bool IsMasterOf(const std::string& processFolder, const std::string& fdName, unsigned index) {
  char target[256] = {};
  const ssize_t n = ::readlink((processFolder + "/fd/" + fdName).c_str(), target, sizeof target - 1);
  if (n <= 0) return false;
  const std::string link(target, static_cast<std::size_t>(n));
  if (link.size() < 4 || link.compare(link.size() - 4, 4, "ptmx") != 0) return false;
  std::ifstream info(processFolder + "/fdinfo/" + fdName);
  std::string key;
  while (info >> key) {
    if (key == "tty-index:") {
      unsigned value = 0;
      return static_cast<bool>(info >> value) && value == index;
    }
  }
  return false;
}

}  // namespace

std::vector<PortHolder> FindPortHolders(LineHandle line, const std::string& processRoot) {
  const std::string procRoot = processRoot.empty() ? std::string("/proc") : processRoot;
  const int fd = static_cast<int>(line);
  std::vector<PortHolder> holders;
  struct stat own {};
  if (::fstat(fd, &own) != 0) return holders;

  for (pid_t pid : LockHolders(procRoot, own.st_dev, own.st_ino))
    holders.push_back({pid, ProcessName(procRoot, pid)});
  if (!holders.empty() || !S_ISCHR(own.st_mode)) return holders;

  const pid_t self = ::getpid();
  const auto ptyIndex = PtyIndex(own.st_rdev);
  for (pid_t pid : ProcessIds(procRoot)) {
    if (pid == self) continue;
    const std::string folder = procRoot + "/" + std::to_string(pid);
    bool holds = false;
    bool farEnd = false;
    for (const auto& fdName : Entries(folder + "/fd")) {
      struct stat st {};
      if (::stat((folder + "/fd/" + fdName).c_str(), &st) != 0) continue;
      if (!S_ISCHR(st.st_mode)) continue;
      if (st.st_rdev == own.st_rdev) holds = true;
      if (ptyIndex && IsMasterOf(folder, fdName, *ptyIndex)) farEnd = true;
    }
    if (holds && !farEnd) holders.push_back({pid, ProcessName(procRoot, pid)});
  }
  return holders;
}

}  // namespace t418::platform
