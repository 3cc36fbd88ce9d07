#include "platform/posix/inotify_folders.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace t418::platform {
namespace fs = std::filesystem;
namespace {

constexpr std::uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

// The port a link leads to, as a path without "." and ".." parts; "" when it is no link.
std::string LinkTarget(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  const fs::path target = fs::read_symlink(folder / name, ec);
  if (ec) return {};
  return (target.is_absolute() ? target : folder / target).lexically_normal().string();
}

}  // namespace

InotifyFolders::~InotifyFolders() {
  if (fd_ >= 0) ::close(fd_);
}

bool InotifyFolders::Open(const std::vector<WatchedFolder>& folders, std::string& why) {
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) {
    why = std::string("inotify is not available (") + std::strerror(errno) + ")";
    return false;
  }
  for (const auto& watched : folders) {
    if (!Watch(watched)) {
      why = "cannot watch " + watched.path + " (" + std::strerror(errno) + ")";
      return false;
    }
  }
  return true;
}

bool InotifyFolders::Watch(const WatchedFolder& watched) {
  std::error_code ec;
  if (watched.makeIfMissing && !fs::exists(watched.path, ec)) fs::create_directories(watched.path, ec);
  const int wd = ::inotify_add_watch(fd_, watched.path.c_str(), kMask | IN_ONLYDIR);
  if (wd < 0) return false;
  Folder& folder = folders_[wd];
  folder.watched = watched;
  folder.targets.clear();
  // Links there before the watch: their ports are known when they vanish.
  if (watched.portIsLinkTarget) {
    for (fs::directory_iterator it(watched.path, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (std::string target = LinkTarget(watched.path, name); !target.empty()) folder.targets[name] = target;
    }
  }
  return true;
}

std::string InotifyFolders::PortOf(Folder& folder, const std::string& name, bool appeared) {
  if (!folder.watched.portIsLinkTarget) return (fs::path(folder.watched.path) / name).string();
  if (appeared) {
    std::string target = LinkTarget(folder.watched.path, name);
    if (!target.empty()) folder.targets[name] = target;
    return target;
  }
  const auto it = folder.targets.find(name);
  if (it == folder.targets.end()) return {};
  std::string target = it->second;
  folder.targets.erase(it);
  return target;
}

void InotifyFolders::Read(std::vector<PortEvent>& events) {
  if (fd_ < 0) return;
  alignas(inotify_event) char buffer[16 * 1024];
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & IN_Q_OVERFLOW) {
        events.push_back({PortEvent::Kind::LookAgain, {}});
        continue;
      }
      const auto folder = folders_.find(event->wd);
      if (folder == folders_.end()) continue;
      if (event->mask & IN_IGNORED) {
        // The watch ended with its folder. One that is made when missing is
        // made and watched again; what came meanwhile is found by the look
        // that the folder's going asked for.
        const WatchedFolder watched = folder->second.watched;
        folders_.erase(folder);
        if (watched.makeIfMissing) Watch(watched);
        continue;
      }
      if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
        // The folder itself went: what it held went with it.
        events.push_back({PortEvent::Kind::LookAgain, {}});
        continue;
      }
      if (event->len == 0) continue;
      const std::string name = event->name;
      if (name.empty() || name[0] == '.') continue;
      const bool appeared = (event->mask & (IN_CREATE | IN_MOVED_TO)) != 0;
      const bool vanished = (event->mask & (IN_DELETE | IN_MOVED_FROM)) != 0;
      if (!appeared && !vanished) continue;
      std::string port = PortOf(folder->second, name, appeared);
      if (port.empty()) continue;
      events.push_back({appeared ? PortEvent::Kind::Appeared : PortEvent::Kind::Vanished, std::move(port)});
    }
  }
}

}  // namespace t418::platform
