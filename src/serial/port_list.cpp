#include "serial/port_list.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "platform/port_enumeration.h"
#include "platform/process.h"
#include "serial/ports_folder.h"

namespace t418 {

namespace fs = std::filesystem;

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Whether the simulator that made a link in the ports folder has ended: its
// lock file beside the link (".NAME.lock") names a process that no longer
// runs. A link without a lock file is taken as it is.
bool SimulatorGone(const fs::path& link) {
  std::ifstream lock(link.parent_path() / ("." + link.filename().string() + ".lock"));
  long pid = 0;
  if (!(lock >> pid) || pid <= 0) return false;
  return platform::ProcessGone(pid);
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

  ports = platform::ListHardwarePorts(sysfsRoot);
  std::sort(ports.begin(), ports.end(), NaturalLess);

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

std::vector<std::string> ListSerialPorts() { return ListSerialPorts({}, SimPortsFolder()); }

std::string PortDescription(const std::string& sysfsRoot, const std::string& port) {
  return platform::DescribeHardwarePort(port, sysfsRoot);
}

std::string PortDescription(const std::string& port) { return platform::DescribeHardwarePort(port); }

}  // namespace t418
