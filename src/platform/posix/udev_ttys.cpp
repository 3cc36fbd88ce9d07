#include "platform/posix/udev_ttys.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef T418_HAVE_LIBUDEV
#include <libudev.h>
#endif

namespace t418::platform {

#ifdef T418_HAVE_LIBUDEV

UdevTtys::~UdevTtys() {
  if (monitor_ != nullptr) udev_monitor_unref(monitor_);
  if (udev_ != nullptr) udev_unref(udev_);
}

bool UdevTtys::Open(const std::string& systemRoot, std::string& why) {
  // Without the daemon a monitor opens fine and never hears anything.
  const std::filesystem::path control =
      std::filesystem::path(systemRoot.empty() ? "/" : systemRoot) / "run/udev/control";
  std::error_code ec;
  if (!std::filesystem::exists(control, ec)) {
    why = "udev is not running (no /run/udev/control)";
    return false;
  }
  udev_ = udev_new();
  if (udev_ != nullptr) monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  if (monitor_ == nullptr || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_) < 0) {
    why = std::string("cannot listen to udev (") + std::strerror(errno) + ")";
    return false;
  }
  fd_ = udev_monitor_get_fd(monitor_);
  return fd_ >= 0;
}

void UdevTtys::Read(std::vector<PortEvent>& events) {
  if (monitor_ == nullptr) return;
  errno = 0;
  while (udev_device* device = udev_monitor_receive_device(monitor_)) {
    const char* action = udev_device_get_action(device);
    const char* node = udev_device_get_devnode(device);
    const bool hardware = udev_device_get_parent(device) != nullptr;
    if (auto event = TtyDeviceEvent(action ? action : "", node ? node : "", hardware)) events.push_back(*event);
    udev_device_unref(device);
    errno = 0;
  }
  // The socket's queue overflowed: reports were dropped.
  if (errno == ENOBUFS) events.push_back({PortEvent::Kind::LookAgain, {}});
}

#else

UdevTtys::~UdevTtys() = default;

bool UdevTtys::Open(const std::string&, std::string& why) {
  why = "built without libudev";
  return false;
}

void UdevTtys::Read(std::vector<PortEvent>&) {}

#endif

}  // namespace t418::platform
