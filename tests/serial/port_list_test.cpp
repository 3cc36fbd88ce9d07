// The port list on a made-up sysfs tree and simulator ports folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "serial/port_list.h"
#include "serial/ports_folder.h"

namespace t418 {
namespace {

namespace fs = std::filesystem;

class PortListTest : public ::testing::Test {
 protected:
  PortListTest()
      : root(fs::temp_directory_path() / ("t418-ports-test-" + std::to_string(::getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    fs::remove_all(root);
    fs::create_directories(Tty());
    fs::create_directories(Sim());
  }
  ~PortListTest() override { fs::remove_all(root); }

  fs::path Sys() const { return root / "sys"; }
  fs::path Tty() const { return root / "sys" / "class" / "tty"; }
  fs::path Sim() const { return root / "run" / "t418-ports"; }

  // A tty entry; withDriver gives its device a bound driver; type < 0 writes no type file.
  void Entry(const std::string& name, bool withDevice, bool withDriver, int type = -1) {
    const fs::path dir = Tty() / name;
    fs::create_directories(dir);
    if (withDevice) fs::create_directories(dir / "device");
    if (withDriver) fs::create_directories(dir / "device" / "driver");
    if (type >= 0) std::ofstream(dir / "type") << type << "\n";
  }

  fs::path root;
};

TEST_F(PortListTest, RealPortsInNaturalOrderWithoutPhantomsThenSimulatorLinks) {
  Entry("ttyS0", true, true, 4);    // a 16550A that is there
  Entry("ttyS1", true, true, 0);    // legacy port without a UART
  Entry("ttyS31", true, true, 0);
  Entry("ttyS10", true, true, 4);
  Entry("ttyS2", true, true, 4);
  Entry("ttyS3", true, false, 4);   // no driver bound
  Entry("ttyUSB10", true, true);
  Entry("ttyUSB2", true, true);
  Entry("ttyACM0", true, true);
  Entry("ttyAMA0", true, true, 3);  // a platform UART of another driver
  Entry("tty1", false, false);      // virtual console
  Entry("ptmx", false, false);
  Entry("console", false, false);

  fs::create_symlink("/dev/null", Sim() / "sim10");
  fs::create_symlink("/dev/null", Sim() / "sim2");
  fs::create_symlink(root / "gone", Sim() / "dead");  // its simulator has ended
  // Killed: the link still leads to a device, but its lock names a process gone.
  fs::create_symlink("/dev/null", Sim() / "killed");
  std::ofstream(Sim() / ".killed.lock") << "2147483646\n";
  // Running: its lock names a live process (this one).
  std::ofstream(Sim() / ".sim2.lock") << getpid() << "\n";
  std::ofstream(Sim() / "notes.txt") << "not a port";

  const std::vector<std::string> expected = {
      "/dev/ttyACM0", "/dev/ttyAMA0",  "/dev/ttyS0",    "/dev/ttyS2",
      "/dev/ttyS10",  "/dev/ttyUSB2", "/dev/ttyUSB10", (Sim() / "sim2").string(),
      (Sim() / "sim10").string(),
  };
  EXPECT_EQ(ListSerialPorts(Sys().string(), Sim().string()), expected);
}

TEST_F(PortListTest, MissingFoldersGiveAnEmptyList) {
  EXPECT_TRUE(ListSerialPorts((root / "nothing").string(), (root / "none").string()).empty());
  EXPECT_TRUE(ListSerialPorts(Sys().string(), Sim().string()).empty());
}

TEST(NaturalLess, NumbersCompareByValue) {
  std::vector<std::string> names = {"ttyS10", "ttyS2", "ttyS1", "ttyACM0", "ttyS02",
                                    "ttyUSB0", "ttyS", "a10b2", "a10b10", "a9b99"};
  std::sort(names.begin(), names.end(), NaturalLess);
  const std::vector<std::string> expected = {"a9b99", "a10b2", "a10b10", "ttyACM0", "ttyS",
                                             "ttyS1", "ttyS2", "ttyS02", "ttyS10", "ttyUSB0"};
  EXPECT_EQ(names, expected);
  EXPECT_FALSE(NaturalLess("ttyS2", "ttyS2"));
}

TEST(SimPortsFolder, UnderTheRuntimeFolderElseTmp) {
  EXPECT_EQ(SimPortsFolderIn("/run/user/1000"), "/run/user/1000/t418-ports");
  EXPECT_EQ(SimPortsFolderIn(""), "/tmp/t418-ports");
  EXPECT_EQ(SimPortsFolderIn(nullptr), "/tmp/t418-ports");
}

}  // namespace
}  // namespace t418
