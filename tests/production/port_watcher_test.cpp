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

TEST(PortWatcher, PortsPresentAtStartCanBeTakenAsKnown) {
  PortWatcher watcher("/dev/ttyUSB*");
  watcher.TakeAsPresent({"/dev/ttyUSB0", "/dev/ttyS0"});
  // Already there: not new, neither to a look nor to an event.
  EXPECT_TRUE(watcher.Look({"/dev/ttyUSB0", "/dev/ttyS0"}).appeared.empty());
  EXPECT_FALSE(watcher.Appeared("/dev/ttyUSB0"));
  // A later arrival is new; the known one is new once it came back.
  EXPECT_EQ(watcher.Look({"/dev/ttyUSB0", "/dev/ttyUSB1"}).appeared, Ports{"/dev/ttyUSB1"});
  EXPECT_EQ(watcher.Look({"/dev/ttyUSB1"}).vanished, Ports{"/dev/ttyUSB0"});
  EXPECT_EQ(watcher.Look({"/dev/ttyUSB1", "/dev/ttyUSB0"}).appeared, Ports{"/dev/ttyUSB0"});
  // A port outside the glob is not taken.
  EXPECT_FALSE(watcher.Present().count("/dev/ttyS0"));
}

TEST(PortWatcher, EventsOneByOneKeepTheSameViewAndAReplugIsNewAgain) {
  PortWatcher watcher("/dev/ttyUSB*");
  const struct {
    bool appear;
    const char* port;
    bool changes;
  } events[] = {
      {true, "/dev/ttyUSB0", true},
      {true, "/dev/ttyUSB0", false},   // told twice (an event and a look): new once
      {true, "/dev/ttyS0", false},     // outside the glob
      {false, "/dev/ttyS0", false},
      {false, "/dev/ttyUSB1", false},  // never present
      // Pulled and plugged back between two turns of the loop: gone, then new.
      {false, "/dev/ttyUSB0", true},
      {true, "/dev/ttyUSB0", true},
  };
  int turn = 0;
  for (const auto& event : events) {
    EXPECT_EQ(event.appear ? watcher.Appeared(event.port) : watcher.Vanished(event.port), event.changes)
        << "event " << turn;
    ++turn;
  }
  // A look after the events agrees with them: nothing new, nothing gone.
  const auto changes = watcher.Look({"/dev/ttyUSB0"});
  EXPECT_TRUE(changes.appeared.empty());
  EXPECT_TRUE(changes.vanished.empty());
}

}  // namespace
}  // namespace t418
