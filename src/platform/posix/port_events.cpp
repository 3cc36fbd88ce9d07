// Port events on Linux: udev for the system's tty devices (or inotify on
// /dev/serial/by-path where udev made those links but cannot be listened to),
// inotify for folders of ports; both behind one epoll descriptor. Without
// either for the system's ports the folders are still watched.
#include "platform/port_events.h"

#include <poll.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/posix/inotify_folders.h"
#include "platform/posix/udev_ttys.h"

namespace t418::platform {
namespace {

class LinuxPortEvents : public PortEvents {
 public:
  ~LinuxPortEvents() override {
    if (epoll_ >= 0) ::close(epoll_);
  }

  bool Open(const PortWatchRequest& request, std::string& why) {
    std::vector<WatchedFolder> folders = request.folders;
    if (request.systemPorts) {
      std::string udevWhy;
      if (udev_.Open(request.systemRoot, udevWhy)) {
        how_ = "udev (tty devices)";
      } else {
        const std::filesystem::path byPath =
            std::filesystem::path(request.systemRoot.empty() ? "/" : request.systemRoot) / "dev/serial/by-path";
        std::error_code ec;
        if (std::filesystem::is_directory(byPath, ec)) {
          folders.insert(folders.begin(), WatchedFolder{byPath.string(), true, false});
        } else {
          systemWhyNot_ = udevWhy + " and there is no /dev/serial/by-path";
          if (folders.empty()) {
            why = systemWhyNot_;
            return false;
          }
        }
      }
    }
    if (!folders.empty()) {
      if (!folders_.Open(folders, why)) return false;
      for (const auto& folder : folders) how_ += (how_.empty() ? "inotify on " : "; inotify on ") + folder.path;
    }
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    if (epoll_ < 0) {
      why = std::string("no epoll (") + std::strerror(errno) + ")";
      return false;
    }
    for (const int fd : {udev_.Fd(), folders_.Fd()}) {
      if (fd < 0) continue;
      epoll_event event{};
      event.events = EPOLLIN;
      event.data.fd = fd;
      if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0) {
        why = std::string("no epoll (") + std::strerror(errno) + ")";
        return false;
      }
    }
    return true;
  }

  std::intptr_t Native() const override { return epoll_; }

  bool Wait(const WakeEvent& stop, int timeoutMs) override {
    pollfd fds[2] = {{epoll_, POLLIN, 0}, {static_cast<int>(stop.Native()), POLLIN, 0}};
    const int ready = ::poll(fds, stop.Valid() ? 2 : 1, timeoutMs);
    return ready > 0 && (fds[0].revents & POLLIN) != 0;
  }

  std::vector<PortEvent> Take() override {
    std::vector<PortEvent> events;
    folders_.Read(events);
    udev_.Read(events);
    return events;
  }

  std::string How() const override { return how_; }
  bool WatchesSystemPorts() const override { return systemWhyNot_.empty(); }
  std::string SystemPortsWhyNot() const override { return systemWhyNot_; }

 private:
  UdevTtys udev_;
  InotifyFolders folders_;
  int epoll_ = -1;
  std::string how_;
  std::string systemWhyNot_;
};

}  // namespace

std::unique_ptr<PortEvents> OpenPortEvents(const PortWatchRequest& request, std::string& why) {
  auto events = std::make_unique<LinuxPortEvents>();
  if (!events->Open(request, why)) return nullptr;
  return events;
}

}  // namespace t418::platform
