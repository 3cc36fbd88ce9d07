// The station's view of the port list: each port new once, again only after it vanished.
#include <gtest/gtest.h>

#include "production/port_watcher.h"

namespace t418 {
namespace {

using Ports = std::vector<std::string>;

TEST(PortWatcher, APortIsNewOnceAndAgainOnlyAfterItVanished) {
  PortWatcher watcher;
  const struct {
    Ports listed;
    Ports appeared;
    Ports vanished;
  } looks[] = {
      {{}, {}, {}},
      {{"/dev/ttyUSB0"}, {"/dev/ttyUSB0"}, {}},
      // Still plugged in: nothing new.
      {{"/dev/ttyUSB0"}, {}, {}},
      {{"/dev/ttyUSB0", "/dev/ttyUSB1"}, {"/dev/ttyUSB1"}, {}},
      {{"/dev/ttyUSB1"}, {}, {"/dev/ttyUSB0"}},
      // Back again: new again.
      {{"/dev/ttyUSB1", "/dev/ttyUSB0"}, {"/dev/ttyUSB0"}, {}},
      {{}, {}, {"/dev/ttyUSB0", "/dev/ttyUSB1"}},
  };
  int turn = 0;
  for (const auto& look : looks) {
    const auto changes = watcher.Look(look.listed);
    EXPECT_EQ(changes.appeared, look.appeared) << "look " << turn;
    EXPECT_EQ(changes.vanished, look.vanished) << "look " << turn;
    ++turn;
  }
}

TEST(PortWatcher, OnlyPortsMatchingTheGlobAreWatched) {
  PortWatcher watcher("/dev/ttyUSB*");
  const auto changes = watcher.Look({"/dev/ttyS0", "/dev/ttyUSB3", "/dev/ttyACM0", "/dev/ttyUSB3"});
  EXPECT_EQ(changes.appeared, Ports{"/dev/ttyUSB3"});
  EXPECT_EQ(watcher.Present().size(), 1u);
  EXPECT_TRUE(watcher.Look({"/dev/ttyS0"}).appeared.empty());
  EXPECT_FALSE(watcher.Matches("/dev/sub/ttyUSB0")) << "a glob's * does not cross a /";
}

}  // namespace
}  // namespace t418
