// Stable port paths from udev's /dev/serial/by-path links, else from sysfs.
#include "platform/port_location.h"

#include <filesystem>

namespace t418::platform {
namespace fs = std::filesystem;
namespace {

fs::path Root(const std::string& systemRoot) { return systemRoot.empty() ? fs::path("/") : fs::path(systemRoot); }

// The path inside the root for a system path ("/dev/ttyUSB0" -> ROOT/dev/ttyUSB0).
fs::path Inside(const fs::path& root, const fs::path& systemPath) {
  return (root / systemPath.relative_path()).lexically_normal();
}

// The system path for a path inside the root; "" when it lies outside.
std::string Outside(const fs::path& root, const fs::path& inside) {
  const fs::path relative = inside.lexically_normal().lexically_relative(root.lexically_normal());
  if (relative.empty() || *relative.begin() == "..") return {};
  return (fs::path("/") / relative).string();
}

// The by-path link that leads to the port. Links are read, not followed to the
// end, so a fake tree needs no device files.
std::string ByPathLink(const fs::path& root, const fs::path& port) {
  const fs::path folder = Inside(root, "/dev/serial/by-path");
  const fs::path wanted = Inside(root, port);
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code linkError;
    fs::path target = fs::read_symlink(it->path(), linkError);
    if (linkError) continue;
    target = target.is_absolute() ? Inside(root, target) : (folder / target).lexically_normal();
    if (target == wanted) return "/dev/serial/by-path/" + it->path().filename().string();
  }
  return {};
}

std::string SysfsDevice(const fs::path& root, const fs::path& port) {
  std::error_code ec;
  const fs::path device = fs::canonical(Inside(root, "/sys/class/tty") / port.filename() / "device", ec);
  if (ec) return {};
  return Outside(fs::canonical(root, ec), device);
}

}  // namespace

std::string StablePortPath(const std::string& port, const std::string& systemRoot) {
  const fs::path path(port);
  // Only the system's own device names stand for a device: a simulator's link
  // named like one ("ttyUSB0" in its own folder) is no hardware.
  if (path.parent_path() != "/dev") return {};
  const fs::path root = Root(systemRoot);
  if (std::string link = ByPathLink(root, path); !link.empty()) return link;
  return SysfsDevice(root, path);
}

}  // namespace t418::platform
