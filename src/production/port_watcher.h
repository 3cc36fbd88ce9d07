#pragma once
// Which ports came and went between two looks at the port list: a provisioning
// station starts a job for each port that appears, once, and forgets the port
// when it vanishes, so that it counts as new when it comes back. The changes
// come from whole looks at the list or one by one from the system's port
// events; both keep the same view.
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

  // Takes the ports listed now as present without telling them as new: a
  // station started with terminals already plugged in leaves them alone and
  // starts jobs only for later arrivals (and for these ports once they come back).
  void TakeAsPresent(const std::vector<std::string>& listed);

  // One port that an event told of. True when it changes the view: a matching
  // port not present before appeared, a present port vanished. A vanish
  // followed by an appear of the same port makes it new again however close
  // together they came.
  bool Appeared(const std::string& port);
  bool Vanished(const std::string& port);

  bool Matches(const std::string& port) const;
  const std::set<std::string>& Present() const { return present_; }

 private:
  std::string match_;
  std::set<std::string> present_;
};

}  // namespace t418
