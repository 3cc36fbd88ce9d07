// Serial ports from sysfs: /sys/class/tty, with the device's driver and UART type.
#include "platform/port_enumeration.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace t418::platform {
namespace fs = std::filesystem;
namespace {

fs::path SysfsRoot(const std::string& systemRoot) { return systemRoot.empty() ? fs::path("/sys") : fs::path(systemRoot); }

// A sysfs tty entry that stands for a serial port with hardware behind it.
bool IsRealSerialPort(const fs::path& entry) {
  std::error_code ec;
  // Virtual consoles, pseudo-terminals and the like have no device with a driver.
  if (!fs::exists(entry / "device" / "driver", ec)) return false;
  // Ports of the serial core tell their UART type; 0 (unknown) is one of the
  // legacy ttyS ports that the 8250 driver sets up whether a UART is there or not.
  const fs::path typeFile = entry / "type";
  if (fs::exists(typeFile, ec)) {
    std::ifstream in(typeFile);
    long type = 0;
    if (!(in >> type) || type == 0) return false;
  }
  return true;
}

std::string FirstLineOf(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

}  // namespace

std::vector<std::string> ListHardwarePorts(const std::string& systemRoot) {
  std::vector<std::string> ports;
  std::error_code ec;
  for (fs::directory_iterator it(SysfsRoot(systemRoot) / "class" / "tty", ec), end; !ec && it != end;
       it.increment(ec)) {
    if (IsRealSerialPort(it->path())) ports.push_back("/dev/" + it->path().filename().string());
  }
  return ports;
}

std::string DescribeHardwarePort(const std::string& port, const std::string& systemRoot) {
  std::error_code ec;
  const std::string name = fs::path(port).filename().string();
  fs::path device = fs::canonical(SysfsRoot(systemRoot) / "class" / "tty" / name / "device", ec);
  if (ec) return {};
  // The USB device holding the interface is a few levels up; it names its maker and product.
  for (int level = 0; level < 4 && !device.empty(); ++level, device = device.parent_path()) {
    const std::string product = FirstLineOf(device / "product");
    if (product.empty()) continue;
    const std::string maker = FirstLineOf(device / "manufacturer");
    return maker.empty() ? product : maker + " " + product;
  }
  return {};
}

}  // namespace t418::platform
