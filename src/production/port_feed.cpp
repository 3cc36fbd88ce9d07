#include "production/port_feed.h"

#include <algorithm>
#include <set>

#include "serial/port_list.h"

namespace t418 {

platform::PortWatchRequest StationPortRequest(const std::string& simPortsFolder) {
  platform::PortWatchRequest request;
  request.systemPorts = true;
  request.folders.push_back({simPortsFolder, false, true});
  return request;
}

PortWatchChoice ChoosePortWatch(const platform::PortWatchRequest& request) {
  PortWatchChoice choice;
  std::string why;
  choice.events = platform::OpenPortEvents(request, why);
  const std::string looking = "looking at the port list every " + std::to_string(kPortLookMs / 1000) + "." +
                              std::to_string(kPortLookMs % 1000 / 100) + " s";
  if (!choice.events) {
    choice.said = looking + ": " + why;
    return choice;
  }
  choice.said = "watching ports by " + choice.events->How();
  choice.look = request.systemPorts && !choice.events->WatchesSystemPorts();
  if (choice.look) choice.said += "; " + looking + " for the system's ports: " + choice.events->SystemPortsWhyNot();
  return choice;
}

PortFeed::PortFeed(EventLoop& loop, PortWatchChoice choice, Lister lister, Handler onEvents)
    : loop_(loop),
      events_(std::move(choice.events)),
      looks_(choice.look || !events_),
      lister_(std::move(lister)),
      onEvents_(std::move(onEvents)),
      look_(loop, kPortLookMs) {
  look_.SetOnFire([this] {
    Look();
    look_.Start();
  });
}

PortFeed::~PortFeed() {
  *alive_ = false;
  look_.Stop();
  stop_.Raise();
  if (waiter_.joinable()) waiter_.join();
}

void PortFeed::Start(const std::vector<std::string>& listedAtStart) {
  lastListed_ = listedAtStart;
  if (looks_) look_.Start();
  if (!events_) return;
  waiter_ = std::thread([this, alive = alive_] {
    while (!stop_.Raised()) {
      if (!events_->Wait(stop_, -1)) continue;
      std::vector<PortEvent> batch = events_->Take();
      if (batch.empty()) {
        // Readable with nothing to take: do not spin on it.
        if (stop_.WaitAndClear(20)) break;
        continue;
      }
      loop_.Post([this, alive, batch = std::move(batch)] {
        if (*alive) onEvents_(batch);
      });
    }
  });
}

void PortFeed::Look() {
  std::vector<std::string> listed = lister_();
  const std::set<std::string> before(lastListed_.begin(), lastListed_.end());
  const std::set<std::string> now(listed.begin(), listed.end());
  std::vector<std::string> vanished;
  for (const auto& port : before)
    if (!now.count(port)) vanished.push_back(port);
  std::sort(vanished.begin(), vanished.end(), NaturalLess);
  std::vector<PortEvent> batch;
  for (auto& port : vanished) batch.push_back({PortEvent::Kind::Vanished, std::move(port)});
  std::set<std::string> told;
  for (const auto& port : listed)
    if (!before.count(port) && told.insert(port).second) batch.push_back({PortEvent::Kind::Appeared, port});
  lastListed_ = std::move(listed);
  if (!batch.empty()) onEvents_(batch);
}

std::vector<PortChange> FollowPortEvents(PortWatcher& watcher, const std::vector<PortEvent>& events,
                                         const PortFeed::Lister& lister) {
  std::vector<PortChange> changes;
  for (const auto& event : events) {
    switch (event.kind) {
      case PortEvent::Kind::Appeared:
        if (watcher.Appeared(event.port)) changes.push_back({true, event.port});
        break;
      case PortEvent::Kind::Vanished:
        if (watcher.Vanished(event.port)) changes.push_back({false, event.port});
        break;
      case PortEvent::Kind::LookAgain: {
        const auto looked = watcher.Look(lister());
        for (const auto& port : looked.vanished) changes.push_back({false, port});
        for (const auto& port : looked.appeared) changes.push_back({true, port});
        break;
      }
    }
  }
  return changes;
}

}  // namespace t418
