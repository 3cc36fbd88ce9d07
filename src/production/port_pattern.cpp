#include "production/port_pattern.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "platform/path_match.h"
#include "serial/port_list.h"
#include "text/ascii_case.h"

namespace t418 {
namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), AsciiUpper);
  return text;
}

// Windows takes these names, with any extension, for its devices: a file
// "COM3.ini" would be the port itself.
bool IsDeviceName(const std::string& name) {
  static const std::set<std::string> kDevices = {"CON", "PRN", "AUX", "NUL"};
  const std::string upper = Upper(name);
  if (kDevices.count(upper) != 0) return true;
  return upper.size() == 4 && (upper.rfind("COM", 0) == 0 || upper.rfind("LPT", 0) == 0) && upper[3] >= '1' &&
         upper[3] <= '9';
}

// A name that makes a file on either system: every separator, drive colon,
// wildcard or control byte becomes '_', leading '_' and '.' (what was a
// folder part such as "/" or "\\.\") and trailing dots and blanks go, and a
// device name gets a '_' after it.
std::string SoundFileName(const std::string& text) {
  std::string name;
  for (const char c : text)
    name += static_cast<unsigned char>(c) < 0x20 || std::strchr("/\\:*?\"<>|", c) != nullptr ? '_' : c;
  name.erase(0, name.find_first_not_of("_."));
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  if (name.empty()) return "port";
  return IsDeviceName(name) ? name + "_" : name;
}

bool IsGlob(const std::string& item) { return item.find_first_of("*?[") != std::string::npos; }

std::vector<std::string> Items(const std::string& argument) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= argument.size()) {
    const auto comma = std::min(argument.find(',', start), argument.size());
    std::string item = argument.substr(start, comma - start);
    item.erase(0, item.find_first_not_of(" \t"));
    item.erase(item.find_last_not_of(" \t") + 1);
    if (!item.empty()) items.push_back(item);
    start = comma + 1;
  }
  return items;
}

std::vector<std::string> Matches(const std::string& pattern, const std::vector<std::string>& listed) {
  std::set<std::string> found;
  for (const auto& port : listed)
    if (platform::PathMatches(pattern, port)) found.insert(port);
  for (auto& path : platform::ExpandPathPattern(pattern)) found.insert(std::move(path));
  std::vector<std::string> ordered(found.begin(), found.end());
  std::sort(ordered.begin(), ordered.end(), NaturalLess);
  return ordered;
}

}  // namespace

bool IsPortPattern(const std::string& argument) {
  return argument.find(',') != std::string::npos || IsGlob(argument);
}

std::vector<std::string> ExpandPorts(const std::string& argument, const std::vector<std::string>& listed) {
  std::vector<std::string> ports;
  auto add = [&ports](const std::string& port) {
    if (std::find(ports.begin(), ports.end(), port) == ports.end()) ports.push_back(port);
  };
  for (const auto& item : Items(argument)) {
    if (!IsGlob(item)) {
      const PortLookup found = LookUpPort(item, listed);
      add(found.path.empty() ? item : found.path);
      continue;
    }
    for (const auto& port : Matches(item, listed)) add(port);
  }
  return ports;
}

std::string PortFileName(const std::string& port) {
  std::string name = platform::LastPathPart(port);
  return name.empty() ? std::string("port") : name;
}

std::vector<std::string> UniquePortFileNames(const std::vector<std::string>& ports) {
  std::map<std::string, int> uses;
  for (const auto& port : ports) ++uses[PortFileName(port)];
  std::vector<std::string> names;
  std::set<std::string> taken;  // in upper case: a Windows folder does not tell case apart
  for (const auto& port : ports) {
    const std::string own = PortFileName(port);
    const std::string name = SoundFileName(uses[own] > 1 ? port : own);
    std::string unique = name;
    for (int n = 2; !taken.insert(Upper(unique)).second; ++n) unique = name + "-" + std::to_string(n);
    names.push_back(unique);
  }
  return names;
}

PortLookup LookUpPort(const std::string& name, const std::vector<std::string>& listed) {
  PortLookup lookup;
  if (platform::HasFolderPart(name)) {
    lookup.path = name;
    return lookup;
  }
  for (const auto& port : listed)
    if (PortFileName(port) == name && std::find(lookup.candidates.begin(), lookup.candidates.end(), port) ==
                                          lookup.candidates.end())
      lookup.candidates.push_back(port);
  if (lookup.candidates.size() == 1) {
    lookup.path = lookup.candidates.front();
    lookup.candidates.clear();
    return lookup;
  }
  std::error_code ec;
  if (lookup.candidates.empty() && std::filesystem::exists(name, ec)) lookup.path = name;
  return lookup;
}

}  // namespace t418
