#include "serial/port_list.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "serial/ports_folder.h"

namespace t418 {

namespace fs = std::filesystem;

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

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

// Whether the simulator that made a link in the ports folder has ended: its
// lock file beside the link (".NAME.lock") names a process that no longer
// runs. A link without a lock file is taken as it is.
bool SimulatorGone(const fs::path& link) {
  std::ifstream lock(link.parent_path() / ("." + link.filename().string() + ".lock"));
  long pid = 0;
  if (!(lock >> pid) || pid <= 0) return false;
  std::error_code ec;
  return !fs::exists(fs::path("/proc") / std::to_string(pid), ec) && !ec;
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::size_t ie = i;
      std::size_t je = j;
      while (ie < a.size() && IsDigit(a[ie])) ++ie;
      while (je < b.size() && IsDigit(b[je])) ++je;
      // Compare the numbers without converting them: skip leading zeros, then
      // the longer run is larger, then the digits decide.
      std::size_t is = i;
      std::size_t js = j;
      while (is + 1 < ie && a[is] == '0') ++is;
      while (js + 1 < je && b[js] == '0') ++js;
      if (ie - is != je - js) return ie - is < je - js;
      const int cmp = a.compare(is, ie - is, b, js, je - js);
      if (cmp != 0) return cmp < 0;
      // Equal values: fewer leading zeros first, so the order stays strict.
      if (ie - i != je - j) return ie - i < je - j;
      i = ie;
      j = je;
      continue;
    }
    if (a[i] != b[j]) {
      return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
    }
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

std::vector<std::string> ListSerialPorts(const std::string& sysfsRoot,
                                         const std::string& portsFolder) {
  std::vector<std::string> ports;
  std::error_code ec;

  std::vector<std::string> names;
  for (fs::directory_iterator it(fs::path(sysfsRoot) / "class" / "tty", ec), end;
       !ec && it != end; it.increment(ec)) {
    if (IsRealSerialPort(it->path())) names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(), NaturalLess);
  for (const auto& name : names) ports.push_back("/dev/" + name);

  ec.clear();
  std::vector<std::string> links;
  for (fs::directory_iterator it(portsFolder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kindError;
    // Follows the link: a simulator that has gone leaves a link to nothing,
    // or, killed, to a pseudo-terminal number that another program may have now.
    if (fs::is_character_file(it->path(), kindError) && !SimulatorGone(it->path()))
      links.push_back(it->path().string());
  }
  std::sort(links.begin(), links.end(), NaturalLess);
  ports.insert(ports.end(), links.begin(), links.end());
  return ports;
}

std::vector<std::string> ListSerialPorts() { return ListSerialPorts("/sys", SimPortsFolder()); }

namespace {

std::string FirstLineOf(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

}  // namespace

std::string PortDescription(const std::string& sysfsRoot, const std::string& port) {
  std::error_code ec;
  const std::string name = fs::path(port).filename().string();
  fs::path device = fs::canonical(fs::path(sysfsRoot) / "class" / "tty" / name / "device", ec);
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

std::string PortDescription(const std::string& port) { return PortDescription("/sys", port); }

}  // namespace t418
