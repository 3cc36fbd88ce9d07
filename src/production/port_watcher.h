#pragma once
// Which ports came and went between two looks at the port list: a provisioning
// station starts a job for each port that appears, once, and forgets the port
// when it vanishes, so that it counts as new when it comes back.
#include <set>
#include <string>
#include <vector>

namespace t418 {

class PortWatcher {
 public:
  // match: a glob the ports must match (platform/path_match.h: "/" matched
  // only by "/");
  // empty: every listed port.
  explicit PortWatcher(std::string match = {}) : match_(std::move(match)) {}

  struct Changes {
    std::vector<std::string> appeared;  // in the list's order
    std::vector<std::string> vanished;  // in natural order
  };

  // The ports listed now against those of the last look (none before the first).
  Changes Look(const std::vector<std::string>& listed);

  bool Matches(const std::string& port) const;
  const std::set<std::string>& Present() const { return present_; }

 private:
  std::string match_;
  std::set<std::string> present_;
};

}  // namespace t418
