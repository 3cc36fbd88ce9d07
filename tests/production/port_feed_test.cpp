// The station's stream of port events when it has to look at the port list,
// and what the events change in its view of the ports.
#include "production/port_feed.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "loop/poll_loop.h"
#include "port_event_print.h"

namespace t418 {
namespace {

using Kind = PortEvent::Kind;
using Events = std::vector<PortEvent>;
using Ports = std::vector<std::string>;
using Changes = std::vector<PortChange>;

TEST(PortFeed, TheLookTellsWhatCameAndWentSinceTheLastListVanishedFirst) {
  PollLoop loop;
  Ports listed = {"/dev/ttyUSB0", "/dev/ttyUSB1"};
  int lists = 0;
  std::vector<Events> batches;
  PortWatchChoice choice;
  choice.said = "looking";
  PortFeed feed(loop, std::move(choice), [&] { ++lists; return listed; },
                [&](const Events& batch) { batches.push_back(batch); });
  EXPECT_FALSE(feed.ByEvents());
  feed.Start(listed);

  // Unchanged: nothing told, but the list is looked at again and again.
  ASSERT_TRUE(loop.RunUntil([&] { return lists >= 2; }, std::chrono::seconds(5)));
  EXPECT_TRUE(batches.empty());

  listed = {"/dev/ttyUSB2", "/dev/ttyUSB1", "/dev/ttyACM0"};
  ASSERT_TRUE(loop.RunUntil([&] { return !batches.empty(); }, std::chrono::seconds(5)));
  EXPECT_EQ(batches[0], (Events{{Kind::Vanished, "/dev/ttyUSB0"},
                                {Kind::Appeared, "/dev/ttyUSB2"},
                                {Kind::Appeared, "/dev/ttyACM0"}}));

  listed.clear();
  ASSERT_TRUE(loop.RunUntil([&] { return batches.size() >= 2; }, std::chrono::seconds(5)));
  // Vanished ports in natural order.
  EXPECT_EQ(batches[1], (Events{{Kind::Vanished, "/dev/ttyACM0"},
                                {Kind::Vanished, "/dev/ttyUSB1"},
                                {Kind::Vanished, "/dev/ttyUSB2"}}));
}

TEST(PortFeed, EventsChangeTheWatcherInOrderAndLookAgainComparesTheWholeList) {
  PortWatcher watcher("/dev/ttyUSB*");
  watcher.TakeAsPresent({"/dev/ttyUSB0"});
  Ports listed;
  const Changes changes = FollowPortEvents(
      watcher,
      {{Kind::Appeared, "/dev/ttyUSB0"},  // present at start: not new
       {Kind::Appeared, "/dev/ttyUSB1"},
       {Kind::Appeared, "/dev/ttyS0"},  // outside the glob
       // Pulled and plugged back: its job ends and a new one starts.
       {Kind::Vanished, "/dev/ttyUSB1"},
       {Kind::Appeared, "/dev/ttyUSB1"},
       {Kind::Vanished, "/dev/ttyUSB7"}},
      [&] { return listed; });
  EXPECT_EQ(changes, (Changes{{true, "/dev/ttyUSB1"}, {false, "/dev/ttyUSB1"}, {true, "/dev/ttyUSB1"}}));

  // Events were lost: the list says ttyUSB0 went and ttyUSB4 came.
  listed = {"/dev/ttyUSB1", "/dev/ttyUSB4"};
  EXPECT_EQ(FollowPortEvents(watcher, {{Kind::LookAgain, ""}}, [&] { return listed; }),
            (Changes{{false, "/dev/ttyUSB0"}, {true, "/dev/ttyUSB4"}}));
}

}  // namespace
}  // namespace t418
