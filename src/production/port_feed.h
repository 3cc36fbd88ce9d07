#pragma once
// How a station learns of ports coming and going. Where the system tells of
// them (platform/port_events.h) its events are brought onto the station's loop
// the moment they happen; where it does not, the port list is looked at every
// kPortLookMs and the differences are told as the same events. Either way the
// station gets one stream of events, in the order things happened.
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "loop/event_loop.h"
#include "platform/port_events.h"
#include "platform/wake_event.h"
#include "production/port_watcher.h"

namespace t418 {

using platform::PortEvent;

// How often the port list is looked at where the system gives no events.
inline constexpr int kPortLookMs = 500;

struct PortWatchChoice {
  std::unique_ptr<platform::PortEvents> events;  // nullptr: none
  // Whether the port list is looked at every kPortLookMs: no events, or none
  // for the system's ports (a container without udev). A look and events
  // together tell a change twice at most; the watcher takes it once.
  bool look = true;
  // For the user: how ports are watched, and why by looking.
  std::string said;
};

// A station's request: the system's ports and the folder of the simulator's links (made when missing).
platform::PortWatchRequest StationPortRequest(const std::string& simPortsFolder);

// The system's events for the request, else the look, saying which and why.
PortWatchChoice ChoosePortWatch(const platform::PortWatchRequest& request);

class PortFeed {
 public:
  using Handler = std::function<void(const std::vector<PortEvent>&)>;
  using Lister = std::function<std::vector<std::string>()>;

  // lister: the port list, for the look (choice.look) and never called
  // otherwise. onEvents: on the loop's thread, each batch in order.
  PortFeed(EventLoop& loop, PortWatchChoice choice, Lister lister, Handler onEvents);
  // On the loop's thread: no batch is handed on after it.
  ~PortFeed();
  PortFeed(const PortFeed&) = delete;
  PortFeed& operator=(const PortFeed&) = delete;

  // Starts telling what changes after the ports listed at start (the look
  // compares its first list with them).
  void Start(const std::vector<std::string>& listedAtStart);
  bool ByEvents() const { return events_ != nullptr; }
  bool Looks() const { return looks_; }

 private:
  void Look();

  EventLoop& loop_;
  std::unique_ptr<platform::PortEvents> events_;
  bool looks_;
  Lister lister_;
  Handler onEvents_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  platform::WakeEvent stop_;
  std::thread waiter_;
  LoopTimer look_;
  std::vector<std::string> lastListed_;
};

// What events change in a watcher, in their order: the ports that appeared
// (start a job) and vanished (end its job), as {appeared, port}. A LookAgain
// compares the whole list from lister with the watcher's view instead.
struct PortChange {
  bool appeared = false;
  std::string port;
  bool operator==(const PortChange&) const = default;
};
std::vector<PortChange> FollowPortEvents(PortWatcher& watcher, const std::vector<PortEvent>& events,
                                         const PortFeed::Lister& lister);

}  // namespace t418
