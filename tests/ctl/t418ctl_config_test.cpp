// t418ctl with configuration files: read -o, write --verify and diff, against two simulators.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "child_process.h"
#include "ctl/ctl_program.h"
#include "sim/state_file.h"
#include "sim_process.h"
#include "temp_folder.h"

namespace t418 {
namespace {

using testing::ChildResult;
using testing::CtlNoPause;
using testing::Fixture;
using testing::SimProcess;

std::vector<std::string> ReadLinesOf(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class CtlConfigTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) { return (folder_.path() / name).string(); }
  testing::TempFolder folder_;
};

class CtlConfigRoundTrip : public CtlConfigTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(CtlConfigRoundTrip, ReadToAFileThenWriteAndVerifyOnASecondTerminalGivesItTheSameSettings) {
  const std::string fixture = GetParam();
  {
    SimProcess source({"--name", SimProcess::UniqueName("ctlsrc"), "--config", Fixture(fixture)});
    const std::string targetState = Path(fixture + ".target");
    const std::string targetLog = Path(fixture + ".log");
    SimProcess target({"--name", SimProcess::UniqueName("ctldst"), "--state", targetState, "--log", targetLog});
    const std::string file = Path(fixture + ".ini");

    const ChildResult read = CtlNoPause({"read", source.Port(), "-o", file});
    ASSERT_EQ(read.exitCode, 0) << read.err;

    const ChildResult before = CtlNoPause({"diff", target.Port(), file});
    EXPECT_EQ(before.exitCode, 15) << before.err;
    EXPECT_NE(before.out.find("AT+"), std::string::npos);

    const ChildResult write = CtlNoPause({"write", target.Port(), file, "--verify"});
    ASSERT_EQ(write.exitCode, 0) << write.out << write.err;
    EXPECT_NE(write.out.find(" settings sent, 0 refused"), std::string::npos) << write.out;
    EXPECT_NE(write.out.find("verified"), std::string::npos) << write.out;

    // Every command the write sent holds the source's value.
    std::vector<std::string> written;
    for (const auto& line : ReadLinesOf(targetLog))
      if (line.rfind("AT+", 0) == 0 && line.find('=') != std::string::npos)
        written.push_back(line.substr(3, line.find('=') - 3));
    ASSERT_GT(written.size(), 10u);
    const auto wanted = sim::testing::ReadSimState(Fixture(fixture));
    const auto held = sim::testing::ReadSimState(targetState);
    std::vector<std::string> compared;
    for (const auto& name : written)
      if (wanted.count(name) && name != "UART") compared.push_back(name);  // UART: flow control is not written
    EXPECT_TRUE(sim::testing::StateDifferences(wanted, held, compared).empty())
        << ::testing::PrintToString(sim::testing::StateDifferences(wanted, held, compared));

    const ChildResult after = CtlNoPause({"diff", target.Port(), file});
    EXPECT_EQ(after.exitCode, 0) << after.err;
    EXPECT_EQ(after.out, "");
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CtlConfigRoundTrip, ::testing::Values("net_sockets", "gnss_qianxun"));

TEST_F(CtlConfigTest, ARefusedConfigurationOrAMissingFileSendsNothing) {
  const std::string log = Path("refused.log");
  SimProcess target({"--name", SimProcess::UniqueName("ctlref"), "--log", log});
  // The maker's cloud with a password of 7 characters fails the build's checks.
  const std::string file = Path("refused.ini");
  {
    std::ofstream out(file, std::ios::binary);
    out << "[GNSS]\r\nGNSSFUNEN=1\r\nGNSSMOD=CLOUD\r\nGCLOUD=12345678901234567890,1234567\r\n"
           "GMDBS=1,40001\r\nGPOSUPTM=30\r\n";
  }
  const ChildResult refused = CtlNoPause({"write", target.Port(), file});
  EXPECT_EQ(refused.exitCode, 14) << refused.err;
  EXPECT_NE(refused.err.find("the configuration was not sent"), std::string::npos) << refused.err;

  const ChildResult missing = CtlNoPause({"write", target.Port(), Path("no-such.ini")});
  EXPECT_EQ(missing.exitCode, 13) << missing.err;
  EXPECT_TRUE(ReadLinesOf(log).empty());
}

struct UnsentFile {
  const char* what;
  std::string content;
  int exitCode;
  std::vector<std::string> named;  // in the message on standard error
};

// Files that must not reach the terminal at all: no configuration in them,
// values the terminal's syntax refuses, and values that would smuggle in
// another command with a control byte.
TEST_F(CtlConfigTest, FilesThatAreNoConfigurationOrHoldValuesTheTerminalRefusesSendNothing) {
  const std::vector<UnsentFile> cases = {
      {"empty file", "", 13, {"not a configuration file"}},
      {"text that is no configuration", "# T418 configuration tool\nA desktop tool.\n", 13, {"not a configuration file"}},
      {"random bytes", std::string("\x01\xff\x10\x80zz\x00\x7f", 9), 13, {"not a configuration file"}},
      {"heartbeat time not a number", "[Heart]\r\nHEARTEN=ON\r\nHEARTTM=abc\r\n", 14, {"HEARTTM", "abc"}},
      {"port out of range", "[Socket]\r\nSOCKA=TCP,host.example.com,70000\r\n", 14, {"SOCKA", "70000"}},
      {"factory reset after a CR", "[System]\r\nShowMore=ON\r\n[Base]\r\nSTMSG=HELLO\rAT+CLEAR\r\n", 14, {"STMSG"}},
      {"socket redirected after a CR",
       "[Socket]\r\nSOCKATO=5\rAT+SOCKA=TCP,other.host,6666\rAT+CFGTF\r\n", 14, {"SOCKATO"}},
  };
  const std::string log = Path("unsent.log");
  SimProcess target({"--name", SimProcess::UniqueName("ctluns"), "--log", log});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = Path("unsent.ini");
    {
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      out << c.content;
    }
    const ChildResult write = CtlNoPause({"write", target.Port(), file});
    EXPECT_EQ(write.exitCode, c.exitCode) << write.err;
    for (const auto& name : c.named) EXPECT_NE(write.err.find(name), std::string::npos) << write.err;
  }
  EXPECT_TRUE(ReadLinesOf(log).empty()) << ReadLinesOf(log).front();
}

}  // namespace
}  // namespace t418
