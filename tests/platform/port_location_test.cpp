// Stable port paths read from a fake /dev/serial/by-path and /sys tree.
#include "platform/port_location.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "production/slot_map.h"
#include "temp_folder.h"

namespace t418 {
namespace {

namespace fs = std::filesystem;

const std::string kByPathA = "pci-0000:00:14.0-usb-0:1.2:1.0-port0";
const std::string kByPathC = "pci-0000:00:14.0-usb-0:1.4:1.0-port0";
const std::string kUsbB = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1.3/1-1.3:1.0";

// ttyUSB0 has a by-path link (relative, as udev makes it) and a sysfs device;
// ttyUSB1 only its sysfs device; ttyUSB2 an absolute by-path link; ttyS0 nothing;
// a link that leads nowhere lies beside them.
class FakeSystem {
 public:
  FakeSystem() {
    const fs::path root = folder_.path();
    fs::create_directories(root / "dev/serial/by-path");
    testing::WriteBytes(root / "dev/ttyUSB0", "");
    fs::create_symlink("../../ttyUSB0", root / "dev/serial/by-path" / kByPathA);
    fs::create_symlink("/dev/ttyUSB2", root / "dev/serial/by-path" / kByPathC);
    fs::create_symlink("../../ttyUSB9", root / "dev/serial/by-path/pci-0000:00:14.0-usb-0:9:1.0-port0");
    for (const auto& [name, device] : {std::pair<std::string, std::string>{"ttyUSB0", "/sys/devices/usb0/0-1:1.0"},
                                       {"ttyUSB1", kUsbB}}) {
      fs::create_directories(root / device.substr(1));
      fs::create_directories(root / "sys/class/tty" / name);
      fs::create_symlink(fs::path("../../..") / fs::path(device).lexically_relative("/sys"),
                         root / "sys/class/tty" / name / "device");
    }
    fs::create_directories(root / "sys/class/tty/ttyS0");
  }
  std::string Root() const { return folder_.path().string(); }

 private:
  testing::TempFolder folder_;
};

TEST(PortLocation, ByPathLinkFirstThenTheSysfsDeviceElseNone) {
  FakeSystem system;
  const struct {
    const char* port;
    std::string place;
  } cases[] = {
      {"/dev/ttyUSB0", "/dev/serial/by-path/" + kByPathA},
      {"/dev/ttyUSB1", kUsbB},
      {"/dev/ttyUSB2", "/dev/serial/by-path/" + kByPathC},
      {"/dev/ttyS0", ""},
      {"/dev/ttyUSB7", ""},
      // A simulator's link named like a device is no device.
      {"/run/user/1000/t418-ports/ttyUSB0", ""},
      {"/dev/pts/3", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::StablePortPath(c.port, system.Root()), c.place) << c.port;
  }
}

TEST(PortLocation, SlotsFollowThePlaceAndPortsWithoutOneKeepTheirPath) {
  FakeSystem system;
  std::string error;
  const auto map = SlotMap::Parse(kByPathA + " = A1\n" + kUsbB + " = B2\n/dev/ttyS0 = S0\n", "slots.ini", error);
  ASSERT_TRUE(map) << error;
  EXPECT_EQ(map->SlotOf("/dev/ttyUSB0", system.Root()), "A1");
  EXPECT_EQ(map->SlotOf("/dev/ttyUSB1", system.Root()), "B2");
  EXPECT_EQ(map->SlotOf("/dev/ttyS0", system.Root()), "S0");
  // In no file: its place, or its own path when it has none.
  EXPECT_EQ(map->SlotOf("/dev/ttyUSB2", system.Root()), "/dev/serial/by-path/" + kByPathC);
  EXPECT_EQ(map->SlotOf("/dev/pts/4", system.Root()), "/dev/pts/4");
  EXPECT_EQ(PortPlace("/dev/ttyUSB1", system.Root()), kUsbB);
  EXPECT_EQ(PortPlace("/tmp/t418-ports/line1", system.Root()), "/tmp/t418-ports/line1");
}

}  // namespace
}  // namespace t418
