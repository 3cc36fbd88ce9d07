// The station's stream of port events from the system: at once, and the
// choice between events and the look said with its reason.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "loop/poll_loop.h"
#include "port_event_print.h"
#include "production/port_feed.h"
#include "temp_folder.h"

namespace t418 {
namespace {

namespace fs = std::filesystem;
using Kind = PortEvent::Kind;
using Events = std::vector<PortEvent>;

TEST(PortFeedEvents, WithoutUdevTheLookIsChosenAndSaidWhy) {
  testing::TempFolder root;
  const std::string ports = (root.path() / "t418-ports").string();
  platform::PortWatchRequest request = StationPortRequest(ports);
  request.systemRoot = root.path().string();
  // The simulator's folder by events, the system's ports by looking.
  const PortWatchChoice station = ChoosePortWatch(request);
  EXPECT_NE(station.events, nullptr);
  EXPECT_TRUE(station.look);
  EXPECT_EQ(station.said, "watching ports by inotify on " + ports +
                              "; looking at the port list every 0.5 s for the system's ports: udev is not running "
                              "(no /run/udev/control) and there is no /dev/serial/by-path");

  // Nothing to watch at all: only the look.
  request.folders.clear();
  const PortWatchChoice bare = ChoosePortWatch(request);
  EXPECT_EQ(bare.events, nullptr);
  EXPECT_TRUE(bare.look);
  EXPECT_EQ(bare.said,
            "looking at the port list every 0.5 s: udev is not running (no /run/udev/control) and there is no "
            "/dev/serial/by-path");

  // The folder cannot be watched either: the look, and why.
  testing::WriteBytes(root.path() / "plain", "");
  request.folders.push_back({(root.path() / "plain").string(), false, false});
  EXPECT_EQ(ChoosePortWatch(request).said, "looking at the port list every 0.5 s: cannot watch " +
                                               (root.path() / "plain").string() + " (Not a directory)");
}

TEST(PortFeedEvents, EventsAndTheLookTogetherStartOneJobPerArrival) {
  testing::TempFolder root;
  const fs::path ports = root.path() / "t418-ports";
  platform::PortWatchRequest request = StationPortRequest(ports.string());
  request.systemRoot = root.path().string();
  PortWatchChoice choice = ChoosePortWatch(request);
  ASSERT_TRUE(choice.events && choice.look) << choice.said;

  PollLoop loop;
  std::vector<std::string> listed;
  PortWatcher watcher;
  std::vector<PortChange> changes;
  int batches = 0;
  const auto lister = [&] { return listed; };
  PortFeed feed(loop, std::move(choice), lister, [&](const Events& batch) {
    ++batches;
    for (auto& change : FollowPortEvents(watcher, batch, lister)) changes.push_back(change);
  });
  feed.Start({});
  const std::string port = (ports / "line1").string();
  fs::create_symlink("/dev/null", port);
  listed = {port};
  // Told by the event and by the look: new once.
  ASSERT_TRUE(loop.RunUntil([&] { return batches >= 2; }, std::chrono::seconds(3)));
  loop.RunUntil([] { return false; }, std::chrono::milliseconds(600));
  EXPECT_EQ(changes, (std::vector<PortChange>{{true, port}}));
}

TEST(PortFeedEvents, ALinkPlacedInTheSimulatorsFolderReachesTheLoopAtOnceAndAReplugInOrder) {
  testing::TempFolder root;
  const fs::path ports = root.path() / "t418-ports";
  platform::PortWatchRequest request = StationPortRequest(ports.string());
  request.systemPorts = false;
  PortWatchChoice choice = ChoosePortWatch(request);
  ASSERT_NE(choice.events, nullptr) << choice.said;
  EXPECT_EQ(choice.said, "watching ports by inotify on " + ports.string());

  PollLoop loop;
  Events seen;
  int lists = 0;
  {
    PortFeed feed(loop, std::move(choice), [&] { ++lists; return std::vector<std::string>{}; },
                  [&](const Events& batch) { seen.insert(seen.end(), batch.begin(), batch.end()); });
    EXPECT_TRUE(feed.ByEvents());
    feed.Start({});
    const std::string port = (ports / "line1").string();
    fs::create_symlink("/dev/null", port);
    // Far sooner than a look would come.
    ASSERT_TRUE(loop.RunUntil([&] { return !seen.empty(); }, std::chrono::milliseconds(400)));
    EXPECT_EQ(seen, (Events{{Kind::Appeared, port}}));

    // The loop is busy while the port is pulled and plugged back.
    fs::remove(port);
    fs::create_symlink("/dev/zero", port);
    ASSERT_TRUE(loop.RunUntil([&] { return seen.size() >= 3; }, std::chrono::seconds(2)));
    EXPECT_EQ(seen, (Events{{Kind::Appeared, port}, {Kind::Vanished, port}, {Kind::Appeared, port}}));
  }
  EXPECT_EQ(lists, 0) << "the port list was looked at although events came";
  // Gone: what it had not handed on is dropped, not run later.
  fs::remove(ports / "line1");
  loop.RunUntil([] { return false; }, std::chrono::milliseconds(100));
  EXPECT_EQ(seen.size(), 3u);
}

}  // namespace
}  // namespace t418
