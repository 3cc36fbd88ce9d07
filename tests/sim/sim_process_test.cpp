// The t418-sim program end to end, on its pseudo-terminal.
#include "sim_process.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "t418-sim/boot_loader.h"
#include "temp_folder.h"
#include "wait_until.h"

namespace t418::sim {
namespace {

using testing::OpenPort;
using t418::testing::ReadBytes;
using testing::ReadUntil;
using testing::SimProcess;
using testing::WriteAll;

const std::string kVersionReply = "AT+VER?\r\n\r\n+VER:V1.0.5\r\n\r\nOK\r\n\r\n";

bool IsLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(SimProcessTest, ServesItsPortUntilASignalAndRemovesTheLink) {
  for (const int sig : {SIGTERM, SIGINT}) {
    SimProcess sim({});
    const std::string path = sim.SlavePath();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << "first line: \"" << path << "\"";
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    ASSERT_TRUE(IsLink(sim.LinkPath()));
    EXPECT_EQ(std::filesystem::read_symlink(sim.LinkPath()).string(), path);

    const int fd = OpenPort(sim.LinkPath());
    ASSERT_GE(fd, 0);
    WriteAll(fd, "AT+VER?\r\n");
    EXPECT_EQ(ReadUntil(fd, "OK\r\n\r\n", 5000), kVersionReply);
    ::close(fd);

    // A program closing the port does not end the line: the next one is served.
    const int again = OpenPort(path);
    ASSERT_GE(again, 0);
    WriteAll(again, "AT+WKMOD?\r\n");
    EXPECT_EQ(ReadUntil(again, "OK\r\n\r\n", 5000),
              "AT+WKMOD?\r\n\r\n+WKMOD:NET\r\n\r\nOK\r\n\r\n");

    sim.Signal(sig);
    EXPECT_EQ(sim.Exit(5000), 0) << "signal " << sig;
    EXPECT_FALSE(IsLink(sim.LinkPath())) << "the link outlived the simulator";
    ::close(again);
  }
}

TEST(SimProcessTest, LogsCommandLinesAndKeepsSettingsInItsStateFile) {
  const std::string folder = ::testing::TempDir();
  const std::string log = folder + "/t418-sim-log-" + std::to_string(::getpid()) + ".txt";
  const std::string state = folder + "/t418-sim-state-" + std::to_string(::getpid()) + ".txt";
  std::remove(log.c_str());
  std::remove(state.c_str());
  {
    SimProcess sim({"--log", log, "--state", state}, "ttyLOG");
    const int fd = OpenPort(sim.LinkPath());
    ASSERT_GE(fd, 0);
    WriteAll(fd, "AT+E=OFF\r\n");
    EXPECT_EQ(ReadUntil(fd, "OK\r\n\r\n", 5000), "AT+E=OFF\r\n\r\nOK\r\n\r\n");
    WriteAll(fd, "AT+WKMOD=HTTPD\r\n");
    EXPECT_EQ(ReadUntil(fd, "OK\r\n\r\n", 5000), "\r\nOK\r\n\r\n");
    WriteAll(fd, "+++");
    EXPECT_EQ(ReadUntil(fd, "a", 5000), "a");
    WriteAll(fd, "a");
    EXPECT_EQ(ReadUntil(fd, "\r\n", 5000), "+ok\r\n");
    WriteAll(fd, "AT+NOPE?\r\n");
    EXPECT_EQ(ReadUntil(fd, "\r\n\r\n", 5000), "\r\n+ERR:2\r\n\r\n");
    ::close(fd);
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Exit(5000), 0);
  }
  EXPECT_EQ(ReadBytes(log), "AT+E=OFF\nAT+WKMOD=HTTPD\n+++\na\nAT+NOPE?\n");

  SimProcess again({"--state", state}, "ttyLOG");
  const int fd = OpenPort(again.LinkPath());
  ASSERT_GE(fd, 0);
  WriteAll(fd, "AT+WKMOD?\r\n");
  EXPECT_EQ(ReadUntil(fd, "OK\r\n\r\n", 5000), "\r\n+WKMOD:HTTPD\r\n\r\nOK\r\n\r\n");
  ::close(fd);
  std::remove(log.c_str());
  std::remove(state.c_str());
}

TEST(SimProcessTest, BootLoaderPrintsItsMenuEachTimeThePortIsOpened) {
  SimProcess sim({"--bootloader"});
  for (int round = 0; round < 2; ++round) {
    const int fd = OpenPort(sim.LinkPath());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReadUntil(fd, ">", 5000), kBootMenu) << "round " << round;
    ::close(fd);
  }
  // A program that purges the line right after opening it still gets the menu.
  const int fd = OpenPort(sim.LinkPath());
  ASSERT_GE(fd, 0);
  ::tcflush(fd, TCIOFLUSH);
  EXPECT_EQ(ReadUntil(fd, ">", 5000), kBootMenu);
  WriteAll(fd, "F");
  EXPECT_EQ(ReadUntil(fd, ">", 5000), kUpdatePrompt);
  ::close(fd);
}

TEST(SimProcessTest, UserSignalRestartsIntoTheBootLoaderAndTheMenuWaitsForTheReader) {
  SimProcess sim({});
  sim.Signal(SIGUSR1);
  // The simulator restarts as it takes the signal, which then is no longer pending.
  ASSERT_TRUE(t418::testing::WaitUntil([&] { return !testing::SignalPending(sim.Pid(), SIGUSR1); },
                                       std::chrono::seconds(5)))
      << "the simulator never took the signal";
  // Nobody had the port open: the menu waits in the line for the first reader.
  const int fd = OpenPort(sim.LinkPath());
  ASSERT_GE(fd, 0);
  EXPECT_EQ(ReadUntil(fd, ">", 5000), kBootMenu);
  // The opening brings the menu once more; "R" goes after it.
  EXPECT_EQ(ReadUntil(fd, ">", 5000), kBootMenu);
  WriteAll(fd, "R");
  EXPECT_NE(ReadUntil(fd, "[ZAV-T418]\r\n", 5000).find("R\r\n"), std::string::npos);
  WriteAll(fd, "AT+VER?\r\n");
  EXPECT_EQ(ReadUntil(fd, "OK\r\n\r\n", 5000), kVersionReply);
  ::close(fd);
}

// The receiver against a sender written elsewhere: lrzsz's sx.
TEST(SimProcessTest, StoresTheImageThatSxSends) {
  const std::string sx = testing::FindProgram("sx");
  if (sx.empty())
    GTEST_SKIP() << "sx (Debian package lrzsz) is not installed, so there is no XModem sender";

  const std::string folder = ::testing::TempDir();
  const std::string source = folder + "/t418-sim-fw-" + std::to_string(::getpid()) + ".bin";
  const std::string stored = source + ".received";
  std::remove(stored.c_str());
  std::string firmware(40'000 + 77,
                       '\0');  // 314 packets: the block number wraps, the last is padded
  std::mt19937 random(418);
  for (char& c : firmware) c = static_cast<char>(random() & 0xFF);
  {
    std::ofstream out(source, std::ios::binary);
    out << firmware;
  }

  SimProcess sim({"--bootloader", "--firmware-out", stored, "--nak-every", "50"});
  const int fd = OpenPort(sim.LinkPath());
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ReadUntil(fd, ">", 5000), kBootMenu);
  WriteAll(fd, "F");
  ASSERT_EQ(ReadUntil(fd, ">", 5000), kUpdatePrompt);
  WriteAll(fd, "Y");
  ASSERT_EQ(ReadUntil(fd, "\r\n", 5000), kUpdateConfirmation);

  const int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  const pid_t sender = testing::Spawn({sx, "-X", source}, fd, fd, env, devnull);
  ::close(devnull);
  const auto status = testing::WaitExit(sender, 60'000);
  if (!status) ::kill(sender, SIGKILL);
  ASSERT_EQ(status, 0) << "sx did not finish the transfer";

  std::string expected = firmware;
  expected.append((128 - firmware.size() % 128) % 128, '\x1A');
  std::string image;
  t418::testing::WaitUntil([&] { return (image = ReadBytes(stored)).size() >= expected.size(); },
                           std::chrono::seconds(2));
  EXPECT_EQ(image.size(), expected.size());
  EXPECT_TRUE(image == expected) << "the stored image differs from the file padded with 0x1A";

  // Back at the menu: "R" starts the terminal.
  WriteAll(fd, "R");
  EXPECT_NE(ReadUntil(fd, "[ZAV-T418]\r\n", 5000).find("R\r\n"), std::string::npos);
  ::close(fd);
  sim.Signal(SIGTERM);
  EXPECT_EQ(sim.Exit(5000), 0);
  std::remove(source.c_str());
  std::remove(stored.c_str());
}

}  // namespace
}  // namespace t418::sim
