// PORT arguments that name several ports: lists, globs against the port list
// and the file system, and the names of the per-port files.
#include <gtest/gtest.h>

#include <fstream>

#include "production/port_pattern.h"
#include "temp_folder.h"

namespace t418 {
namespace {

TEST(PortPattern, ListsAndGlobsAreRecognisedAndPlainPortsAreNot) {
  const struct {
    const char* argument;
    bool pattern;
  } cases[] = {
      {"/dev/ttyUSB0", false}, {"/dev/ttyUSB0,/dev/ttyUSB1", true}, {"/dev/ttyUSB*", true},
      {"/dev/ttyUSB?", true},  {"/dev/ttyUSB[01]", true},          {"COM1", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsPortPattern(c.argument), c.pattern) << c.argument;
}

TEST(PortPattern, ExpansionKeepsTheArgumentsOrderMatchesListedPortsAndFilesAndNamesEachPortOnce) {
  testing::TempFolder folder;
  const std::string dir = folder.path().string();
  for (const char* name : {"sim10", "sim2", "sim1", "other"}) std::ofstream(folder.path() / name) << "";
  const std::vector<std::string> listed = {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyUSB10"};

  const struct {
    std::string argument;
    std::vector<std::string> ports;
  } cases[] = {
      {"/dev/ttyUSB1,/dev/ttyUSB0", {"/dev/ttyUSB1", "/dev/ttyUSB0"}},
      // Listed ports match in natural order, whether or not they exist on this computer.
      {"/dev/ttyUSB*", {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB10"}},
      // Files that the list does not hold match through the file system.
      {dir + "/sim*", {dir + "/sim1", dir + "/sim2", dir + "/sim10"}},
      {dir + "/sim?", {dir + "/sim1", dir + "/sim2"}},
      // A port named twice runs once; blanks and empty items are skipped.
      {"/dev/ttyUSB0, /dev/ttyUSB*,,", {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB10"}},
      // A plain item stays even when it does not exist: its job says so.
      {"/dev/ttyNONE," + dir + "/nothing*", {"/dev/ttyNONE"}},
      {dir + "/nothing*", {}},
      // A bare name is the listed port of that name.
      {"ttyACM0,ttyUSB1", {"/dev/ttyACM0", "/dev/ttyUSB1"}},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandPorts(c.argument, listed), c.ports) << c.argument;
}

TEST(PortPattern, APortsFileNameIsItsLastPathPart) {
  EXPECT_EQ(PortFileName("/dev/ttyUSB0"), "ttyUSB0");
  EXPECT_EQ(PortFileName("/run/user/1000/t418-ports/line-3"), "line-3");
  EXPECT_EQ(PortFileName("COM1"), "COM1");
  EXPECT_EQ(PortFileName("/dev/"), "port");
}

TEST(PortPattern, PortsOfTheSameNameGetFileNamesFromTheirWholePaths) {
  EXPECT_EQ(UniquePortFileNames({"/dev/ttyUSB0", "/run/t418-ports/ttyUSB0", "/dev/ttyUSB1"}),
            (std::vector<std::string>{"dev_ttyUSB0", "run_t418-ports_ttyUSB0", "ttyUSB1"}));
  EXPECT_EQ(UniquePortFileNames({"/dev/ttyUSB0", "/dev/ttyACM0"}), (std::vector<std::string>{"ttyUSB0", "ttyACM0"}));
}

// The same names on Linux and on Windows, and each one a file on both: a
// device name keeps no backslash or colon, and "COM5.ini" would be the port.
TEST(PortPattern, PortFileNamesMakeFilesOnEverySystem) {
  const struct {
    std::vector<std::string> ports;
    std::vector<std::string> names;
  } cases[] = {
      {{"\\\\.\\COM12", "\\\\.\\COM13"}, {"COM12", "COM13"}},
      // Windows devices, with any extension, in either case.
      {{"COM5", "com6", "\\\\.\\COM7", "COM10"}, {"COM5_", "com6_", "COM7_", "COM10"}},
      {{"/tmp/con", "/tmp/Nul", "/tmp/LPT1", "/tmp/console"}, {"con_", "Nul_", "LPT1_", "console"}},
      // The same port by its name and its device name: two files all the same.
      {{"COM12", "\\\\.\\COM12"}, {"COM12", "COM12-2"}},
      {{"COM5", "\\\\.\\COM5"}, {"COM5_", "COM5_-2"}},
      // Colons and wildcards of a path, control bytes, trailing dots and blanks.
      {{"/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0"}, {"pci-0000_00_14.0-usb-0_1_1.0-port0"}},
      {{"/dev/a*b?c", "/dev/x\"<y>|z", "/dev/tty\x01x", "/dev/odd. ."}, {"a_b_c", "x__y__z", "tty_x", "odd"}},
      // A folder of the same name on both sides of a path.
      {{"C:\\ports\\one", "D:\\ports\\one"}, {"C__ports_one", "D__ports_one"}},
      // Names that differ only in letter case are one file on Windows.
      {{"/dev/ttyS0", "/dev/TTYS0"}, {"ttyS0", "TTYS0-2"}},
      // A name from a path that another port has as its own.
      {{"/dev/", "/dev/..", "/dev/y", "/z/y", "/a/dev_y"}, {"port", "port-2", "dev_y", "z_y", "dev_y-2"}},
  };
  for (const auto& c : cases) EXPECT_EQ(UniquePortFileNames(c.ports), c.names) << c.ports.front();
}

TEST(PortPattern, ABareNameIsLookedUpInThePortList) {
  testing::TempFolder folder;
  const std::vector<std::string> listed = {"/dev/ttyUSB0", "/run/t418-ports/ttySIM0", "/dev/ttyS0",
                                           "/run/t418-ports/ttyS0"};
  const struct {
    std::string name;
    std::string path;
    std::vector<std::string> candidates;
  } cases[] = {
      {"ttyUSB0", "/dev/ttyUSB0", {}},
      {"ttySIM0", "/run/t418-ports/ttySIM0", {}},
      // A path is taken as it is, listed or not.
      {"/dev/ttyUSB9", "/dev/ttyUSB9", {}},
      // Several ports of the name: none is picked, all are named.
      {"ttyS0", "", {"/dev/ttyS0", "/run/t418-ports/ttyS0"}},
      {"ttyUSB7", "", {}},
  };
  for (const auto& c : cases) {
    const PortLookup found = LookUpPort(c.name, listed);
    EXPECT_EQ(found.path, c.path) << c.name;
    EXPECT_EQ(found.candidates, c.candidates) << c.name;
  }
}

}  // namespace
}  // namespace t418
