// Port events from folders (inotify) and the meaning of udev's tty reports.
#include "platform/port_events.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "port_event_print.h"
#include "temp_folder.h"

namespace t418::platform {
namespace {

namespace fs = std::filesystem;
using Kind = PortEvent::Kind;
using Events = std::vector<PortEvent>;


// Everything that arrives until `count` events are there or two seconds have passed.
Events Gather(PortEvents& events, std::size_t count) {
  WakeEvent stop;
  Events all;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (all.size() < count && std::chrono::steady_clock::now() < giveUp) {
    if (!events.Wait(stop, 100)) continue;
    for (auto& event : events.Take()) all.push_back(std::move(event));
  }
  return all;
}

std::unique_ptr<PortEvents> WatchFolder(const WatchedFolder& folder, std::string& why) {
  PortWatchRequest request;
  request.systemPorts = false;
  request.folders.push_back(folder);
  return OpenPortEvents(request, why);
}

TEST(PortEvents, ALinkReplugedWithinFiftyMillisecondsIsGoneAndNewAgainInOrder) {
  testing::TempFolder folder;
  const std::string ports = (folder.path() / "t418-ports").string();
  std::string why;
  auto events = WatchFolder({ports, false, true}, why);
  ASSERT_TRUE(events) << why;
  ASSERT_TRUE(fs::is_directory(ports)) << "the missing folder was not made";
  const fs::path link = fs::path(ports) / "line1";
  const std::string port = link.string();

  fs::create_symlink("/dev/null", link);
  // The simulator's lock file beside the link is no port.
  testing::WriteBytes(fs::path(ports) / ".line1.lock", "123\n");
  EXPECT_EQ(Gather(*events, 1), (Events{{Kind::Appeared, port}}));

  // Pulled and plugged back faster than any look at the list: nobody takes
  // the events until both happened.
  const auto started = std::chrono::steady_clock::now();
  fs::remove(link);
  fs::create_symlink("/dev/zero", link);
  ASSERT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(50));
  EXPECT_EQ(Gather(*events, 2), (Events{{Kind::Vanished, port}, {Kind::Appeared, port}}));

  // A rename into the folder appears, out of it vanishes.
  fs::rename(link, folder.path() / "elsewhere");
  fs::rename(folder.path() / "elsewhere", fs::path(ports) / "line2");
  EXPECT_EQ(Gather(*events, 2),
            (Events{{Kind::Vanished, port}, {Kind::Appeared, (fs::path(ports) / "line2").string()}}));

  // The folder itself going takes its ports with it: look at the list again.
  fs::remove_all(ports);
  EXPECT_EQ(Gather(*events, 2),
            (Events{{Kind::Vanished, (fs::path(ports) / "line2").string()}, {Kind::LookAgain, ""}}));
  // It is made again and watched again: the next simulator is seen.
  ASSERT_TRUE(fs::is_directory(ports));
  fs::create_symlink("/dev/null", link);
  EXPECT_EQ(Gather(*events, 1), (Events{{Kind::Appeared, port}}));
}

TEST(PortEvents, ByPathLinksTellThePortTheyLeadToAlsoWhenTheyVanish) {
  testing::TempFolder folder;
  const fs::path byPath = folder.path() / "dev/serial/by-path";
  fs::create_directories(byPath);
  // There before the watch began: its port is still known when it vanishes.
  fs::create_symlink("../../ttyUSB0", byPath / "pci-0000:00:14.0-usb-0:1.2:1.0-port0");
  std::string why;
  auto events = WatchFolder({byPath.string(), true, false}, why);
  ASSERT_TRUE(events) << why;
  const std::string usb0 = (folder.path() / "dev/ttyUSB0").string();
  const std::string usb1 = (folder.path() / "dev/ttyUSB1").string();
  const std::string usb2 = (folder.path() / "dev/ttyUSB2").string();

  fs::remove(byPath / "pci-0000:00:14.0-usb-0:1.2:1.0-port0");
  fs::create_symlink("../../ttyUSB1", byPath / "pci-0000:00:14.0-usb-0:1.3:1.0-port0");
  fs::create_symlink("/dev/ttyACM0", byPath / "pci-0000:00:14.0-usb-0:1.4:1.0");
  EXPECT_EQ(Gather(*events, 3),
            (Events{{Kind::Vanished, usb0}, {Kind::Appeared, usb1}, {Kind::Appeared, "/dev/ttyACM0"}}));
  // Pulled and plugged back into the same socket at once: the link is there
  // again when the events are read, the vanish names the port it led to.
  fs::remove(byPath / "pci-0000:00:14.0-usb-0:1.3:1.0-port0");
  fs::create_symlink("../../ttyUSB2", byPath / "pci-0000:00:14.0-usb-0:1.3:1.0-port0");
  EXPECT_EQ(Gather(*events, 2), (Events{{Kind::Vanished, usb1}, {Kind::Appeared, usb2}}));
}

TEST(PortEvents, WithoutUdevOrByPathLinksThereAreNoEventsAndTheReasonIsSaid) {
  testing::TempFolder root;
  PortWatchRequest request;
  request.systemRoot = root.path().string();
  std::string why;
  EXPECT_EQ(OpenPortEvents(request, why), nullptr);
  EXPECT_EQ(why, "udev is not running (no /run/udev/control) and there is no /dev/serial/by-path");

  // Folders asked for are watched still; the system's ports are not, and why.
  const std::string ports = (root.path() / "t418-ports").string();
  request.folders.push_back({ports, false, true});
  auto folderOnly = OpenPortEvents(request, why);
  ASSERT_TRUE(folderOnly) << why;
  EXPECT_FALSE(folderOnly->WatchesSystemPorts());
  EXPECT_EQ(folderOnly->SystemPortsWhyNot(),
            "udev is not running (no /run/udev/control) and there is no /dev/serial/by-path");
  EXPECT_EQ(folderOnly->How(), "inotify on " + ports);
  folderOnly.reset();
  request.folders.clear();

  // Links that udev made once: watched by inotify instead.
  fs::create_directories(root.path() / "dev/serial/by-path");
  auto events = OpenPortEvents(request, why);
  ASSERT_TRUE(events) << why;
  EXPECT_TRUE(events->WatchesSystemPorts());
  EXPECT_EQ(events->How(), "inotify on " + (root.path() / "dev/serial/by-path").string());
  fs::create_symlink("../../ttyUSB3", root.path() / "dev/serial/by-path/usb-port3");
  EXPECT_EQ(Gather(*events, 1), (Events{{Kind::Appeared, (root.path() / "dev/ttyUSB3").string()}}));

  // A folder that cannot be watched: no events, and which folder and why.
  testing::WriteBytes(root.path() / "plain", "");
  request.folders.push_back({(root.path() / "plain").string(), false, false});
  EXPECT_EQ(OpenPortEvents(request, why), nullptr);
  EXPECT_EQ(why, "cannot watch " + (root.path() / "plain").string() + " (Not a directory)");
}

TEST(PortEvents, UdevTtyReportsMeanPortEventsOnlyForHardwareNodes) {
  const struct {
    const char* action;
    const char* devnode;
    bool hardware;
    std::optional<PortEvent> event;
  } reports[] = {
      {"add", "/dev/ttyUSB0", true, PortEvent{Kind::Appeared, "/dev/ttyUSB0"}},
      {"add", "/dev/ttyACM1", true, PortEvent{Kind::Appeared, "/dev/ttyACM1"}},
      {"remove", "/dev/ttyUSB0", false, PortEvent{Kind::Vanished, "/dev/ttyUSB0"}},
      {"remove", "/dev/ttyUSB0", true, PortEvent{Kind::Vanished, "/dev/ttyUSB0"}},
      // A virtual terminal: no device behind it.
      {"add", "/dev/tty5", false, std::nullopt},
      {"change", "/dev/ttyUSB0", true, std::nullopt},
      {"bind", "/dev/ttyUSB0", true, std::nullopt},
      {"add", "", true, std::nullopt},
      {"", "/dev/ttyUSB0", true, std::nullopt},
  };
  for (const auto& report : reports) {
    EXPECT_EQ(TtyDeviceEvent(report.action, report.devnode, report.hardware), report.event)
        << report.action << " " << report.devnode;
  }
}

}  // namespace
}  // namespace t418::platform
