// t418ctl as a user runs it, against the terminal simulator.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <map>
#include <sstream>

#include "child_process.h"
#include "ctl/ctl_program.h"
#include "sim/state_file.h"
#include "sim_process.h"
#include "text/gbk.h"

namespace t418 {
namespace {

using testing::ChildProcess;
using testing::ChildResult;
using testing::Ctl;
using testing::Lines;
using testing::SimProcess;
using namespace std::chrono_literals;

TEST(T418ctl, PortsListsTheSimulatorsLink) {
  const std::string name = SimProcess::UniqueName("ctlports");
  SimProcess sim({"--name", name});
  const ChildResult result = Ctl({"ports"});
  EXPECT_EQ(result.exitCode, 0);
#ifdef _WIN32  // the COM port the simulator was given, from the system's list
  EXPECT_NE(("\n" + result.out).find("\n" + sim.Port() + "\n"), std::string::npos) << result.out;
#else
  EXPECT_NE(result.out.find("t418-ports/" + name + "\tT418 simulator\n"), std::string::npos) << result.out;
#endif
}

TEST(T418ctl, SendPrintsEachReplyAndExitsZero) {
  SimProcess sim({"--name", SimProcess::UniqueName("ctlsend")});
  const ChildResult result = Ctl({"send", sim.Port(), "AT+CSQ", "at+ver?"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("+CSQ:"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("+VER:"), std::string::npos) << result.out;
  // The echo of the line is not printed as a reply.
  EXPECT_EQ(result.out.find("AT+CSQ"), std::string::npos) << result.out;
}

TEST(T418ctl, ReadRawPrintsSeventyReportsEqualToTheTerminalsValues) {
  const std::string state = ::testing::TempDir() + SimProcess::UniqueName("ctl_state_");
  SimProcess sim({"--name", SimProcess::UniqueName("ctlread"), "--state", state});
  const ChildResult result = Ctl({"read", sim.Port(), "--raw", "--delay", "0"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 70u) << result.out;
  EXPECT_EQ(lines.front().rfind("VER=", 0), 0u);
  EXPECT_EQ(lines[8].rfind("IMEI=", 0), 0u);
  EXPECT_EQ(lines.back().rfind("QHWVER=", 0), 0u);
  const auto held = sim::testing::ReadSimState(state);
  int compared = 0;
  for (const auto& line : lines) {
    const auto eq = line.find('=');
    ASSERT_NE(eq, std::string::npos) << line;
    const auto it = held.find(line.substr(0, eq));
    if (it == held.end()) continue;  // read-only values (version, identities) are not settings
    // The state file holds GBK; t418ctl prints UTF-8.
    EXPECT_EQ(line.substr(eq + 1), GbkToUtf8(it->second)) << line;
    ++compared;
  }
  EXPECT_GT(compared, 55);
  std::remove(state.c_str());
}

TEST(T418ctl, FailuresHaveTheirOwnMessagesAndExitCodes) {
  {
    SimProcess sim({"--name", SimProcess::UniqueName("ctlerr"), "--error", "CSQ"});
    const ChildResult refused = Ctl({"send", sim.Port(), "AT+CSQ"});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_NE(refused.out.find("+ERR:"), std::string::npos);
  }
  {
    SimProcess sim({"--name", SimProcess::UniqueName("ctlsilent"), "--silent", "VER"});
    const ChildResult silent = Ctl({"read", sim.Port(), "--delay", "0"});
    EXPECT_EQ(silent.exitCode, 4);
    EXPECT_NE(silent.err.find("No reply from the device"), std::string::npos) << silent.err;
  }
  const std::string missingPort = testing::NoSuchPort("/dev/no-such-port-t418");
  const ChildResult missing = Ctl({"send", missingPort, "AT+CSQ"});
  EXPECT_EQ(missing.exitCode, 5);
  EXPECT_EQ(missing.err, "t418ctl: no such port: " + missingPort + "\n");
  const ChildResult usage = Ctl({"read"});
  EXPECT_EQ(usage.exitCode, 2);
}

#ifndef _WIN32  // Ctrl+C as a signal to the child: this system only
TEST(T418ctl, InterruptDuringAReadClosesThePortAndEndsNonZero) {
  SimProcess sim({"--name", SimProcess::UniqueName("ctlint")});
  ChildProcess read({T418_CTL_PATH, "read", sim.Port(), "--raw"});
  // A few reports in (at the default pause of 150 ms), then Ctrl+C.
  ASSERT_TRUE(read.WaitForOutput("WKMOD=", 10s));
  read.Signal(SIGINT);
  const ChildResult result = read.Wait();
  EXPECT_EQ(result.exitCode, 130);
  EXPECT_NE(result.err.find("interrupted"), std::string::npos);
  // The port was let go: another run opens it at once.
  EXPECT_EQ(Ctl({"send", sim.Port(), "AT+CSQ"}).exitCode, 0);
}
#endif

}  // namespace
}  // namespace t418
