// t418ctl upgrade against the simulator's boot loader: the image it stores,
// the version after the restart, and the exits for a missing file, for a
// terminal that never shows its boot menu and for one that keeps restarting
// the transfer.
#include <gtest/gtest.h>
#include <chrono>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

#include "child_process.h"
#include "ctl/ctl_program.h"
#include "sim_process.h"
#include "wait_until.h"

namespace t418 {
namespace {

using testing::ChildProcess;
using testing::ChildResult;
using testing::RunProgram;
using testing::SimProcess;

std::vector<std::string> CtlArgs(std::vector<std::string> args) {
  args.insert(args.begin(), T418_CTL_PATH);
  return args;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A firmware image of size bytes with every byte value, written to a temporary file.
std::string MakeImage(const std::string& path, std::size_t size) {
  std::mt19937 random(static_cast<unsigned>(size));
  std::string bytes(size, '\0');
  for (auto& byte : bytes) byte = static_cast<char>(random() & 0xFF);
  std::ofstream(path, std::ios::binary) << bytes;
  return bytes;
}

std::string PaddedTo128(std::string bytes) {
  bytes.append((128 - bytes.size() % 128) % 128, '\x1A');
  return bytes;
}

struct Files {
  std::string image = ::testing::TempDir() + SimProcess::UniqueName("ctl_fw_in_") + ".bin";
  std::string received = ::testing::TempDir() + SimProcess::UniqueName("ctl_fw_out_") + ".bin";
  ~Files() {
    std::remove(image.c_str());
    std::remove(received.c_str());
  }
};

TEST(T418ctlUpgrade, ReloadRestartSendsTheImageThenPrintsTheVersionOfTheRestartedTerminal) {
  Files files;
  const std::string image = MakeImage(files.image, 3000);  // 24 packets, the last one filled
  SimProcess sim({"--name", SimProcess::UniqueName("ctlfw"), "--firmware-out", files.received});
  ChildProcess ctl(CtlArgs({"upgrade", sim.Port(), files.image, "--wait", "20"}));
  // The user restarts the terminal with Reload held once the tool says it waits
  // (its port is open then, so the boot menu reaches it).
  ASSERT_TRUE(ctl.WaitForError("waiting up to 20 s for its boot loader", std::chrono::seconds(20)))
      << "t418ctl never said it waits for the boot loader";
  ASSERT_TRUE(sim.Signal("USR1"));
  const ChildResult result = ctl.Wait();
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("Reload"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("the terminal started: [ZAV-T418]"), std::string::npos) << result.err;
  // Only the version, as AT+VER? reports it, on standard output.
  ASSERT_FALSE(result.out.empty());
  EXPECT_EQ(result.out.find('+'), std::string::npos) << result.out;
  EXPECT_EQ(result.out.back(), '\n');
  EXPECT_EQ(ReadFile(files.received), PaddedTo128(image));
}

TEST(T418ctlUpgrade, NoRestartLeavesTheTerminalInItsBootLoaderWithTheWholeImage) {
  Files files;
  const std::string image = MakeImage(files.image, 128 * 5);  // exactly five packets, nothing filled
  SimProcess sim({"--name", SimProcess::UniqueName("ctlfwnr"), "--bootloader", "--firmware-out", files.received});
  const ChildResult result = RunProgram(CtlArgs({"upgrade", sim.Port(), files.image, "--no-restart", "--wait", "10"}));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.find("the terminal started"), std::string::npos) << result.err;
  EXPECT_EQ(ReadFile(files.received), image);
}

TEST(T418ctlUpgrade, AFileThatCannotBeReadExitsNineBeforeThePortIsTouched) {
#ifdef _WIN32  // a word beginning with '/' is an option under Windows
  const std::string missingFile = "Z:\\nonexistent\\t418.bin";
#else
  const std::string missingFile = "/nonexistent/t418.bin";
#endif
  for (const std::string& file : {missingFile, ::testing::TempDir()}) {
    // The port does not exist either: the file is checked first.
    const ChildResult result = RunProgram(CtlArgs({"upgrade", testing::NoSuchPort("/dev/nonexistent-port"), file}));
    EXPECT_EQ(result.exitCode, 9) << file;
    EXPECT_NE(result.err.find("cannot read the firmware file"), std::string::npos) << result.err;
  }
}

// A file that cannot be a firmware image never reaches a waiting boot loader.
TEST(T418ctlUpgrade, AFileOfNoImageSizeExitsNineAndTheBootLoaderGetsNothing) {
  const struct {
    const char* what;
    std::size_t size;
  } cases[] = {{"empty", 0}, {"shorter than a packet", 127}, {"larger than the flash", (4u << 20) + 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Files files;
    MakeImage(files.image, c.size);
    SimProcess sim({"--name", SimProcess::UniqueName("ctlfwsz"), "--bootloader", "--firmware-out", files.received});
    const ChildResult result = RunProgram(CtlArgs({"upgrade", sim.Port(), files.image, "--wait", "5"}));
    EXPECT_EQ(result.exitCode, 9) << result.err;
    EXPECT_NE(result.err.find("refused"), std::string::npos) << result.err;
    EXPECT_TRUE(ReadFile(files.received).empty());
  }
}

TEST(T418ctlUpgrade, ATerminalThatNeverShowsItsBootMenuExitsTenAfterTheWait) {
  Files files;
  MakeImage(files.image, 500);
  SimProcess sim({"--name", SimProcess::UniqueName("ctlfwnb"), "--firmware-out", files.received});
  const ChildResult result = RunProgram(CtlArgs({"upgrade", sim.Port(), files.image, "--wait", "2"}));
  EXPECT_EQ(result.exitCode, 10) << result.err;
  EXPECT_NE(result.err.find("no boot loader within 2 s"), std::string::npos) << result.err;
  EXPECT_TRUE(ReadFile(files.received).empty());
}

TEST(T418ctlUpgrade, ABootLoaderThatFallsSilentMidTransferExitsEleven) {
  Files files;
  MakeImage(files.image, 1 << 20);  // long enough to be stopped in the middle
  SimProcess sim({"--name", SimProcess::UniqueName("ctlfwst"), "--bootloader", "--firmware-out", files.received});
  const std::string log = files.received + ".log";
  testing::ChildProcess upgrade(
      CtlArgs({"upgrade", sim.Port(), files.image, "--no-restart", "--wait", "10", "--log", log}));
  // The transfer runs once the log says the packets go out.
  ASSERT_TRUE(testing::WaitUntil([&] { return ReadFile(log).find("Sending...") != std::string::npos; },
                                 std::chrono::seconds(10)));
  ASSERT_TRUE(sim.Signal("STOP"));  // frozen: no reply to the packet in flight
  const ChildResult result = upgrade.Wait();
  ASSERT_TRUE(sim.Signal("CONT"));
  EXPECT_EQ(result.exitCode, 11) << result.err;
  EXPECT_NE(result.err.find("the transfer stopped"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("no reply for 10 s"), std::string::npos) << result.err;
  std::remove(log.c_str());
}

// A boot loader that answers every packet with "C" restarts the transfer each
// time: the upgrade gives up after its restarts instead of sending forever.
TEST(T418ctlUpgrade, ABootLoaderThatKeepsRestartingTheTransferExitsEleven) {
  Files files;
  MakeImage(files.image, 128 * 40);
  SimProcess sim({"--name", SimProcess::UniqueName("ctlfwc"), "--bootloader", "--boot-answer-c", "--firmware-out",
                  files.received});
  ChildProcess upgrade(CtlArgs({"upgrade", sim.Port(), files.image, "--no-restart", "--wait", "10"}));
  // Each restart is one packet and one "C": the end comes within seconds, the
  // limit here only keeps a looping upgrade from holding the test.
  const bool gaveUp = upgrade.WaitForError("the transfer stopped", std::chrono::seconds(60));
  if (!gaveUp) upgrade.Kill();
  const ChildResult result = upgrade.Wait();
  ASSERT_TRUE(gaveUp) << "the upgrade never stopped: " << result.err;
  EXPECT_EQ(result.exitCode, 11) << result.err;
  EXPECT_NE(result.err.find("the transfer stopped"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("restarted the transfer 10 times"), std::string::npos) << result.err;
  EXPECT_TRUE(ReadFile(files.received).empty());
}

}  // namespace
}  // namespace t418
