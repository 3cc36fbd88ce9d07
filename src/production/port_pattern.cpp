#include "production/port_pattern.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "platform/path_match.h"
#include "serial/port_list.h"

namespace t418 {
namespace {

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
  for (const auto& port : ports) {
    std::string name = PortFileName(port);
    if (uses[name] > 1) {
      name = port;
      name.erase(0, name.find_first_not_of('/'));
      std::replace(name.begin(), name.end(), '/', '_');
      if (name.empty()) name = "port";
    }
    names.push_back(name);
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
