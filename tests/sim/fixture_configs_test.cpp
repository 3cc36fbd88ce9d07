// The fixture configurations of tests/fixtures/configs as the simulated
// terminal takes them: each loads without a skipped line, is reported value for
// value, and differs from the factory settings wherever its scenario allows;
// and the state file lets a test compare two simulators.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "gbk_texts.h"
#include "sim_process.h"
#include "state_file.h"
#include "t418-sim/sim_config.h"
#include "t418-sim/terminal_model.h"
#include "t418-sim/value_syntax.h"
#include "temp_folder.h"

namespace t418::sim {
namespace {

using t418::testing::G;
using t418::testing::ReadBytes;
using t418::testing::TempFolder;
using t418::testing::WriteBytes;
using testing::OpenPort;
using testing::ReadSimState;
using testing::ReadUntil;
using testing::SimProcess;
using testing::StateDifferences;
using testing::WriteAll;

std::string FixturePath(const std::string& file) {
  return std::string(T418_SOURCE_DIR) + "/tests/fixtures/configs/" + file;
}

struct Fixture {
  std::string file;
  // The commands the configuration build writes in this scenario (besides
  // those it always writes): the fixture gives each of them a value.
  std::vector<std::string> scenario;
  // Values the scenario fixes and that happen to be the factory values.
  std::set<std::string> factoryValues;
};

const std::vector<Fixture>& Fixtures() {
  static const std::vector<Fixture> fixtures = {
      {"net_sockets.state",
       {"WKMOD", "SOCKAEN", "SOCKA", "SOCKASL", "SOCKATO", "SOCKBEN", "SOCKB", "SOCKBSL", "SOCKBTO",
        "SOCKRSTIM", "HEARTEN", "HEARTTM", "HEARTDT", "HEARTSND", "REGEN", "REGSND", "REGTP",
        "REGDT", "SOCKIND"},
       {"WKMOD", "SOCKAEN", "HEARTEN"}},
      {"httpd.state", {"WKMOD", "HTPTP", "HTPURL", "HTPSV", "HTPTO", "HTPHD", "HTPFLT"}, {}},
      {"sms.state", {"WKMOD", "DSTNUM", "SMSFLT", "SMSPH"}, {}},
      // The UDC mode fixes long connections, heartbeat on and to the server,
      // and registration on connection.
      {"udc.state",
       {"WKMOD", "SOCKAEN", "SOCKA", "SOCKASL", "SOCKATO", "SOCKBEN", "SOCKB", "SOCKBSL", "SOCKBTO",
        "SOCKRSTIM", "HEARTEN", "HEARTTM", "HEARTDT", "HEARTSND", "REGEN", "REGSND", "ID",
        "SOCKIND"},
       {"SOCKAEN", "SOCKASL", "SOCKBSL", "HEARTEN", "HEARTSND", "REGSND"}},
      {"gnss_cloud.state", {"GNSSFUNEN", "GNSSMOD", "GCLOUD", "GMDBS", "GPOSUPTM"}, {"GNSSMOD"}},
      {"gnss_qianxun.state",
       {"GNSSFUNEN", "GNSSMOD", "SOCKQ", "SOCKQTO", "QLBSADDEN", "QPOSPACK", "QPOSUPTM", "QPHONE",
        "QHEARTEN", "QHEARTTM", "QCITY", "QPRODUCER", "QTERMINAL", "QCARINFO", "QHWVER"},
       {}},
      {"gnss_private_inde.state",
       {"GNSSFUNEN", "GNSSMOD", "GWKMOD", "SOCKG", "SOCKGTO", "GREGEN", "GREGSND", "GREGTP",
        "GREGDT", "GPOSUPTM", "GPOSTP"},
       {"GWKMOD"}},
      {"gnss_private_mult.state",
       {"GNSSFUNEN", "GNSSMOD", "GWKMOD", "GBYDTU", "GPOSSND", "GPOSUPTM", "GPOSTP", "GMDBS"},
       {}},
  };
  return fixtures;
}

std::vector<std::string> NamesOf(const testing::SimState& state) {
  std::vector<std::string> names;
  for (const auto& [name, value] : state) names.push_back(name);
  return names;
}

// The setting line the configuration build writes for a value: UART goes with four fields.
std::string SettingLine(const std::string& name, const std::string& value) {
  if (name == "UART") return "AT+UART=" + value.substr(0, value.rfind(','));
  return "AT+" + name + "=" + value;
}

TEST(FixtureConfigsTest, EachLoadsWholeAndIsReportedValueForValue) {
  const SimConfig factory;
  for (const auto& fixture : Fixtures()) {
    SCOPED_TRACE(fixture.file);
    const std::string path = FixturePath(fixture.file);
    const testing::SimState lines = ReadSimState(path);
    ASSERT_FALSE(lines.empty()) << "cannot read " << path;

    SimConfig config;
    std::vector<std::string> warnings;
    ASSERT_TRUE(config.LoadFile(path, warnings));
    EXPECT_TRUE(warnings.empty()) << ::testing::PrintToString(warnings);

    TerminalModel model(config, TerminalBehaviour{});
    const bool echo = config.Value("E") == "ON";
    for (const auto& [name, value] : lines) {
      const std::string query = "AT+" + name + "?";
      std::string reply;
      for (const auto& piece : model.Receive(query + "\r\n")) reply += piece.bytes;
      EXPECT_EQ(reply, (echo ? query + "\r\n" : "") + "\r\n+" + name + ":" + value +
                           "\r\n\r\nOK\r\n\r\n")
          << name;
      if (!fixture.factoryValues.count(name)) {
        EXPECT_NE(value, factory.Value(name)) << name << " keeps its factory value";
      }
    }
    for (const auto& name : fixture.scenario) EXPECT_TRUE(lines.count(name)) << name << " is missing";
  }
}

TEST(FixtureConfigsTest, ConfigIsLoadedButNeverWrittenAndTheStateFileIsSavedBeforeTheReply) {
  TempFolder folder;
  const std::string fixture = FixturePath("net_sockets.state");
  const std::string fixtureBytes = ReadBytes(fixture);
  const std::string state = (folder.path() / "state.txt").string();

  SimProcess sim({"--config", fixture, "--state", state}, "ttyFIX");
  ASSERT_FALSE(sim.SlavePath().empty());
  // Written at start, before the port's path is printed: every parameter, the fixture's values among them.
  const testing::SimState saved = ReadSimState(state);
  const testing::SimState wanted = ReadSimState(fixture);
  EXPECT_TRUE(StateDifferences(wanted, saved, NamesOf(wanted)).empty())
      << ::testing::PrintToString(StateDifferences(wanted, saved, NamesOf(wanted)));
  for (const auto& command : CommandSpecs()) {
    if (command.form == CmdForm::Parameter && command.name != "SMSEND") {
      EXPECT_TRUE(saved.count(command.name)) << command.name << " is not in the state file";
    }
  }

  const int fd = OpenPort(sim.LinkPath());
  ASSERT_GE(fd, 0);
  WriteAll(fd, "AT+STMSG?\r\n");  // the fixture switches echo off
  EXPECT_EQ(ReadUntil(fd, "OK\r\n\r\n", 5000),
            "\r\n+STMSG:" + G("欢迎使用T418") + "\r\n\r\nOK\r\n\r\n");
  WriteAll(fd, "AT+HEARTTM=99\r\n");
  ASSERT_EQ(ReadUntil(fd, "OK\r\n\r\n", 5000), "\r\nOK\r\n\r\n");
  EXPECT_EQ(ReadSimState(state)["HEARTTM"], "99") << "the reply came before the state was saved";
  ::close(fd);
  EXPECT_EQ(ReadBytes(fixture), fixtureBytes) << "the --config file was written";
}

// Two simulators, one loaded with a fixture and one written line by line as the
// configuration build would: their state files agree on every command written.
TEST(FixtureConfigsTest, TwoSimulatorsCompareThroughTheirStateFiles) {
  TempFolder folder;
  const std::string fixture = FixturePath("gnss_qianxun.state");
  const std::string stateA = (folder.path() / "a.txt").string();
  const std::string stateB = (folder.path() / "b.txt").string();
  SimProcess a({"--config", fixture, "--state", stateA}, "ttyA");
  SimProcess b({"--state", stateB}, "ttyB");
  ASSERT_FALSE(a.SlavePath().empty());
  ASSERT_FALSE(b.SlavePath().empty());

  const testing::SimState fixtureValues = ReadSimState(fixture);
  const std::vector<std::string> written = NamesOf(fixtureValues);
  ASSERT_FALSE(StateDifferences(ReadSimState(stateA), ReadSimState(stateB), written).empty())
      << "the fixture holds nothing that a fresh simulator does not";

  const int fd = OpenPort(b.LinkPath());
  ASSERT_GE(fd, 0);
  WriteAll(fd, "AT+E=OFF\r\n");
  ASSERT_EQ(ReadUntil(fd, "OK\r\n\r\n", 5000), "AT+E=OFF\r\n\r\nOK\r\n\r\n");
  for (const auto& [name, value] : fixtureValues) {
    WriteAll(fd, SettingLine(name, value) + "\r\n");
    EXPECT_EQ(ReadUntil(fd, "\r\n\r\n", 5000), "\r\nOK\r\n\r\n") << name;
  }
  ::close(fd);
  const auto differences = StateDifferences(ReadSimState(stateA), ReadSimState(stateB), written);
  EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);
}

TEST(StartSettingsTest, ConfigThenStateOnTopAndAStateWithBadLinesIsKeptAside) {
  TempFolder folder;
  const std::string config = (folder.path() / "config.txt").string();
  const std::string state = (folder.path() / "state.txt").string();
  WriteBytes(config, "# fixture\nWKMOD=HTTPD\nHTPTO=25\n");
  const std::string badState = "HTPTO=40\nGPOSUPTM=7000\nNOPE=1\n";
  WriteBytes(state, badState);

  SimConfig settings;
  std::vector<std::string> messages;
  ASSERT_TRUE(StartSettings(settings, config, state, messages));
  EXPECT_EQ(settings.Value("WKMOD"), "HTTPD");
  EXPECT_EQ(settings.Value("HTPTO"), "40");      // the state file goes on top
  EXPECT_EQ(settings.Value("GPOSUPTM"), "30");   // its bad line is skipped
  EXPECT_EQ(ReadBytes(state + ".bak"), badState);  // and kept as it was
  EXPECT_EQ(ReadSimState(state)["HTPTO"], "40");
  EXPECT_EQ(ReadSimState(state)["WKMOD"], "HTTPD");
  EXPECT_EQ(messages.size(), 3u) << ::testing::PrintToString(messages);  // two lines skipped, the copy
  EXPECT_EQ(ReadBytes(config), "# fixture\nWKMOD=HTTPD\nHTPTO=25\n");

  // A missing state file is created whole; a missing config file stops the start.
  const std::string fresh = (folder.path() / "fresh.txt").string();
  SimConfig plain;
  messages.clear();
  ASSERT_TRUE(StartSettings(plain, "", fresh, messages));
  EXPECT_TRUE(messages.empty()) << ::testing::PrintToString(messages);
  EXPECT_EQ(ReadSimState(fresh)["WKMOD"], "NET");
  EXPECT_FALSE(std::filesystem::exists(fresh + ".bak"));

  SimConfig none;
  messages.clear();
  EXPECT_FALSE(StartSettings(none, (folder.path() / "nope.txt").string(), fresh, messages));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("nope.txt"), std::string::npos);
}

}  // namespace
}  // namespace t418::sim
