#include "production/port_watcher.h"

#include <algorithm>

#include "platform/path_match.h"
#include "serial/port_list.h"

namespace t418 {

bool PortWatcher::Matches(const std::string& port) const {
  return match_.empty() || platform::PathMatches(match_, port);
}

PortWatcher::Changes PortWatcher::Look(const std::vector<std::string>& listed) {
  Changes changes;
  std::set<std::string> now;
  for (const auto& port : listed) {
    if (!Matches(port) || !now.insert(port).second) continue;
    if (!present_.count(port)) changes.appeared.push_back(port);
  }
  for (const auto& port : present_)
    if (!now.count(port)) changes.vanished.push_back(port);
  std::sort(changes.vanished.begin(), changes.vanished.end(), NaturalLess);
  present_ = std::move(now);
  return changes;
}

void PortWatcher::TakeAsPresent(const std::vector<std::string>& listed) {
  present_.clear();
  for (const auto& port : listed)
    if (Matches(port)) present_.insert(port);
}

bool PortWatcher::Appeared(const std::string& port) { return Matches(port) && present_.insert(port).second; }

bool PortWatcher::Vanished(const std::string& port) { return present_.erase(port) > 0; }

}  // namespace t418
