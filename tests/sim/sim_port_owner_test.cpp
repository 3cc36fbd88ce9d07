// The simulator and the programs that open its port: one simulator per name,
// an exclusive mode left behind by a killed program, replies in pieces and
// long values.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "forked_child.h"
#include "sim/sim_process.h"
#include "temp_folder.h"

namespace t418::sim {
namespace {

using testing::MonotonicMs;
using testing::OpenPort;
using testing::ReadUntil;
using testing::SimProcess;
using testing::WriteAll;

std::string ReadAll(int fd, int timeoutMs) {
  std::string text;
  const long long stop = MonotonicMs() + timeoutMs;
  while (MonotonicMs() < stop) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    char buffer[256];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return text;
}

TEST(SimPortOwnerTest, ASecondSimulatorOfTheSameNameLeavesTheFirstOnesLinkAlone) {
  SimProcess first({}, "ttyTWIN");
  ASSERT_FALSE(first.SlavePath().empty());
  const std::string link = first.LinkPath();

  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e)
    if (std::strncmp(*e, "XDG_RUNTIME_DIR=", 16) != 0) env.emplace_back(*e);
  env.push_back("XDG_RUNTIME_DIR=" + first.RuntimeFolder());
  int err[2];
  ASSERT_EQ(::pipe(err), 0);
  const pid_t second = testing::Spawn({T418_SIM_PATH, "--name", "ttyTWIN"}, -1, -1, env, err[1]);
  ::close(err[1]);
  EXPECT_EQ(testing::WaitExit(second, 5000), std::optional<int>(1));
  const std::string said = ReadAll(err[0], 200);
  ::close(err[0]);
  EXPECT_NE(said.find("already serves"), std::string::npos) << said;
  EXPECT_NE(said.find(std::to_string(first.Pid())), std::string::npos) << said;
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), first.SlavePath());

  // Once the first has ended, the name is free again.
  first.Signal(SIGTERM);
  ASSERT_TRUE(first.Exit(5000));
  const pid_t third = testing::Spawn({T418_SIM_PATH, "--name", "ttyTWIN"}, -1, -1, env);
  std::error_code ec;
  EXPECT_TRUE(t418::testing::WaitUntil([&] { return std::filesystem::is_character_file(link, ec); },
                                       std::chrono::seconds(5)));
  ::kill(third, SIGTERM);
  EXPECT_EQ(testing::WaitExit(third, 5000), std::optional<int>(0));
}

bool Exclusive(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EBUSY;  // refused by the mode itself
  int exclusive = 0;
  ::ioctl(fd, TIOCGEXCL, &exclusive);
  ::close(fd);
  return exclusive != 0;
}

TEST(SimPortOwnerTest, AnExclusiveModeLeftByAKilledProgramEndsWithIt) {
  SimProcess sim({});
  ASSERT_FALSE(sim.SlavePath().empty());
  t418::testing::ForkedChild holder([&](const t418::testing::ChildReport& report) {
    const int fd = ::open(sim.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    if (fd >= 0) ::ioctl(fd, TIOCEXCL);
    report.Say("x");
    ::pause();
  });
  ASSERT_EQ(holder.Read(1), "x");
  EXPECT_TRUE(Exclusive(sim.SlavePath()));
  // Killed: it never ends the mode itself.
  holder.Kill(SIGKILL);
  holder.Wait();
  EXPECT_TRUE(t418::testing::WaitUntil([&] { return !Exclusive(sim.SlavePath()); }, std::chrono::seconds(3)))
      << "the exclusive mode outlived its holder";
}

TEST(SimPortOwnerTest, ChunkSendsEveryReplyInPiecesOfNBytes) {
  SimProcess sim({"--chunk", "5", "--chunk-gap", "40"});
  const int fd = OpenPort(sim.LinkPath());
  ASSERT_GE(fd, 0);
  WriteAll(fd, "AT+VER?\r\n");
  std::vector<std::string> pieces;
  std::string whole;
  const long long stop = MonotonicMs() + 5000;
  while (MonotonicMs() < stop && whole.find("OK\r\n\r\n") == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    char buffer[256];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    pieces.emplace_back(buffer, static_cast<std::size_t>(n));
    whole += pieces.back();
  }
  ::close(fd);
  EXPECT_NE(whole.find("+VER:"), std::string::npos) << whole;
  EXPECT_GE(pieces.size(), whole.size() / 5);
  for (const auto& piece : pieces) EXPECT_LE(piece.size(), 5u) << piece;
}

TEST(SimPortOwnerTest, AStartUpMessageLongerThanOneKilobyteIsReportedWhole) {
  t418::testing::TempFolder folder;
  std::string message;
  for (int i = 0; message.size() < 1500; ++i) message += "T418-" + std::to_string(i) + " ";
  const std::string config = (folder.path() / "long.state").string();
  std::ofstream(config) << "E=OFF\nSTMSG=" << message << "\n";
  SimProcess sim({"--config", config});
  const int fd = OpenPort(sim.LinkPath());
  ASSERT_GE(fd, 0);
  WriteAll(fd, "AT+STMSG?\r\n");
  const std::string reply = ReadUntil(fd, "OK\r\n\r\n", 5000);
  ::close(fd);
  EXPECT_EQ(reply, "\r\n+STMSG:" + message + "\r\n\r\nOK\r\n\r\n");
}

}  // namespace
}  // namespace t418::sim
