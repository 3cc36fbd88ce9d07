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
  platform::PortWatchRequest request = StationPortRequest((root.path() / "t418-ports").string());
  request.systemRoot = root.path().string();
  const PortWatchChoice choice = ChoosePortWatch(request);
  EXPECT_EQ(choice.events, nullptr);
  EXPECT_EQ(choice.said,
            "looking at the port list every 0.5 s: udev is not running (no /run/udev/control) and there is no "
            "/dev/serial/by-path");
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
