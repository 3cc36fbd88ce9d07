// t418ctl on several ports at once: eight simulators written and verified in
// one call, the table and its JSON, failures of single ports, and the JSON
// documents of the single-port commands.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <csignal>
#include <iterator>

#include "child_process.h"
#include "ctl/ctl_program.h"
#include "serial/ports_folder.h"
#include "sim/state_file.h"
#include "sim_process.h"
#include "temp_folder.h"
#include "wait_until.h"

namespace t418 {
namespace {

using testing::ChildResult;
using testing::CtlNoPause;
using testing::Fixture;
using testing::Lines;
using testing::SimProcess;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kSimImei = "868323028765432";
constexpr const char* kSimIccid = "89860118802125746431";

// The row of the table that starts with the port.
std::string RowOf(const std::string& table, const std::string& port) {
  for (const auto& line : Lines(table))
    if (line.rfind(port + " ", 0) == 0) return line;
  return {};
}

class CtlMultiPortTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) { return (folder_.path() / name).string(); }
  // A configuration file read from a simulator that holds the fixture.
  std::string Configuration() {
    SimProcess source({"--name", SimProcess::UniqueName("multisrc"), "--config", Fixture("net_sockets")});
    const std::string file = Path("line.ini");
    const ChildResult read = CtlNoPause({"read", source.Port(), "-o", file});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    return file;
  }
  testing::TempFolder folder_;
};

#ifndef _WIN32  // by a glob of the simulators' links in this system's ports folder
TEST_F(CtlMultiPortTest, EightTerminalsAreWrittenAndVerifiedInOneCallWithALogEachAndATable) {
  const std::string file = Configuration();
  const std::string prefix = SimProcess::UniqueName("multi") + "_";
  std::vector<std::unique_ptr<SimProcess>> sims;
  for (int i = 0; i < 8; ++i)
    sims.push_back(std::make_unique<SimProcess>(std::vector<std::string>{
        "--name", prefix + std::to_string(i), "--state", Path("state" + std::to_string(i)), "--imei", kSimImei, "--iccid", kSimIccid}));
  // The simulators' links in the ports folder, by a quoted glob.
  const std::string glob = SimPortsFolder() + "/" + prefix + "*";
  const std::string logs = Path("logs");

  const ChildResult result = CtlNoPause({"write", glob, file, "--verify", "--log", logs});
  ASSERT_EQ(result.exitCode, 0) << result.out << result.err;

  const auto lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 9u) << result.out;
  EXPECT_EQ(lines[0].rfind("PORT ", 0), 0u) << lines[0];
  for (const char* column : {"IMEI/MEID", "ICCID", "RESULT", "TIME", "REFUSED"})
    EXPECT_NE(lines[0].find(column), std::string::npos) << column;
  const auto wanted = sim::testing::ReadSimState(Fixture("net_sockets"));
  for (int i = 0; i < 8; ++i) {
    const std::string port = SimPortsFolder() + "/" + prefix + std::to_string(i);
    SCOPED_TRACE(port);
    const std::string row = RowOf(result.out, port);
    ASSERT_FALSE(row.empty()) << result.out;
    std::istringstream cells(row);
    std::string cell[6];
    cells >> cell[0] >> cell[1] >> cell[2] >> cell[3] >> cell[4] >> cell[5];
    EXPECT_EQ(cell[1], kSimImei);
    EXPECT_EQ(cell[2], kSimIccid);
    EXPECT_EQ(cell[3], "ok");
    EXPECT_EQ(row.substr(row.size() - 1), "-") << "nothing refused";
    // Each port has its own traffic log, named after it.
    const auto log = testing::ReadLines(logs + "/" + prefix + std::to_string(i) + ".log");
    EXPECT_GT(log.size(), 50u);
    // Each terminal holds the file's settings once its simulator saved them.
    sims[i]->Stop();
    const auto held = sim::testing::ReadSimState(Path("state" + std::to_string(i)));
    EXPECT_TRUE(sim::testing::StateDifferences(wanted, held, {"SOCKA", "SOCKB", "WKMOD", "APN"}).empty());
  }
}
#endif

TEST_F(CtlMultiPortTest, APortThatFailsMakesTheExitNonZeroAndTheTableAndItsJsonSayWhy) {
  const std::string file = Configuration();
  SimProcess good({"--name", SimProcess::UniqueName("multigood"), "--imei", kSimImei, "--iccid", kSimIccid});
  SimProcess refusing({"--name", SimProcess::UniqueName("multiref"), "--error", "SOCKA"});
  const std::string missing = testing::NoSuchPort("/dev/t418-no-such-port");
  const std::string ports = good.Port() + "," + refusing.Port() + "," + missing;

  const ChildResult text = CtlNoPause({"write", ports, file, "--verify"});
  EXPECT_EQ(text.exitCode, 16) << text.err;
  EXPECT_NE(RowOf(text.out, good.Port()).find(" ok "), std::string::npos) << text.out;
  EXPECT_NE(RowOf(text.out, refusing.Port()).find("failed at write: the terminal refused: SOCKA"), std::string::npos)
      << text.out;
  EXPECT_EQ(RowOf(text.out, refusing.Port()).substr(RowOf(text.out, refusing.Port()).size() - 5), "SOCKA");
  EXPECT_NE(RowOf(text.out, missing).find("failed at open: no such port"), std::string::npos) << text.out;

  const ChildResult json = CtlNoPause({"write", ports, file, "--verify", "--json"});
  EXPECT_EQ(json.exitCode, 16) << json.err;
  const auto document = nlohmann::json::parse(json.out);
  EXPECT_EQ(document["ok"], false);
  ASSERT_EQ(document["ports"].size(), 3u);
  const auto& first = document["ports"][0];
  EXPECT_EQ(first["port"], good.Port());
  EXPECT_EQ(first["result"], "ok");
  EXPECT_EQ(first["imei"], kSimImei);
  EXPECT_EQ(first["iccid"], kSimIccid);
  EXPECT_EQ(first["firmwareAfter"], "V1.0.5");
  EXPECT_EQ(first["configFile"], file);
  EXPECT_EQ(first["configSha256"].get<std::string>().size(), 64u);
  EXPECT_GT(first["seconds"].get<double>(), 0.0);
  EXPECT_EQ(document["ports"][1]["failedStep"], "write");
  EXPECT_EQ(document["ports"][1]["refused"], nlohmann::json::array({"SOCKA"}));
  EXPECT_EQ(document["ports"][2]["failedStep"], "open");

  const ChildResult none = CtlNoPause({"read", Path("nothing*")});
  EXPECT_EQ(none.exitCode, 5);
  EXPECT_NE(none.err.find("no port matches"), std::string::npos) << none.err;
}

TEST_F(CtlMultiPortTest, ReadOfSeveralPortsSavesOneFileEachAndDiffListsEachPortsLines) {
  SimProcess a({"--name", SimProcess::UniqueName("multira"), "--config", Fixture("net_sockets")});
  SimProcess b({"--name", SimProcess::UniqueName("multirb")});
  const std::string out = Path("read");
  const ChildResult read = CtlNoPause({"read", a.Port() + "," + b.Port(), "-o", out});
  ASSERT_EQ(read.exitCode, 0) << read.err;
  const std::string fileA = out + "/" + fs::path(a.Port()).filename().string() + ".ini";
  const std::string fileB = out + "/" + fs::path(b.Port()).filename().string() + ".ini";
  ASSERT_TRUE(fs::exists(fileA));
  ASSERT_TRUE(fs::exists(fileB));

  // The fixture's file against both: the first holds it, the second differs.
  const ChildResult diff = CtlNoPause({"diff", a.Port() + "," + b.Port(), fileA});
  EXPECT_EQ(diff.exitCode, 16) << diff.err;
  EXPECT_EQ(diff.out.find(a.Port() + ": AT+"), std::string::npos) << diff.out;
  EXPECT_NE(diff.out.find(b.Port() + ": AT+SOCKA="), std::string::npos) << diff.out;
  EXPECT_NE(RowOf(diff.out, a.Port()).find(" ok "), std::string::npos) << diff.out;
  // A terminal that differs is a result of the diff, not a failure of it.
  EXPECT_EQ(RowOf(diff.out, b.Port()).find("failed"), std::string::npos) << diff.out;

  // The second port's lines are those a diff of that port alone lists, and its
  // row counts them.
  const ChildResult alone = CtlNoPause({"diff", b.Port(), fileA});
  EXPECT_EQ(alone.exitCode, 15) << alone.err;
  const std::vector<std::string> aloneLines = Lines(alone.out);
  ASSERT_GT(aloneLines.size(), 1u) << alone.out;
  std::vector<std::string> listedForB;
  for (const auto& line : Lines(diff.out))
    if (line.rfind(b.Port() + ": ", 0) == 0) listedForB.push_back(line.substr(b.Port().size() + 2));
  EXPECT_EQ(listedForB, aloneLines) << diff.out;
  EXPECT_NE(RowOf(diff.out, b.Port()).find(" differs (" + std::to_string(aloneLines.size()) + " settings) "),
            std::string::npos)
      << diff.out;
}

TEST_F(CtlMultiPortTest, UpgradeOfSeveralBootLoadersSendsEachTheImage) {
  std::string image(128 * 4 + 40, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 13);
  std::ofstream(Path("fw.bin"), std::ios::binary) << image;
  SimProcess a({"--name", SimProcess::UniqueName("multifwa"), "--bootloader", "--firmware-out", Path("a.bin")});
  SimProcess b({"--name", SimProcess::UniqueName("multifwb"), "--bootloader", "--firmware-out", Path("b.bin")});
  const ChildResult result =
      CtlNoPause({"upgrade", a.Port() + "," + b.Port(), Path("fw.bin"), "--no-restart", "--wait", "10", "--json"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto document = nlohmann::json::parse(result.out);
  ASSERT_EQ(document["ports"].size(), 2u);
  const std::string padded = image + std::string(128 - 40, '\x1A');
  for (const char* name : {"a.bin", "b.bin"}) {
    std::ifstream in(Path(name), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), padded) << name;
  }

  // One port with --json: the version of the restarted terminal in a document.
  SimProcess c({"--name", SimProcess::UniqueName("multifwc"), "--bootloader"});
  const ChildResult single = CtlNoPause({"upgrade", c.Port(), Path("fw.bin"), "--wait", "10", "--json"});
  ASSERT_EQ(single.exitCode, 0) << single.err;
  EXPECT_EQ(nlohmann::json::parse(single.out), (nlohmann::json{{"port", c.Port()}, {"version", "V1.0.5"}}));
}

#ifndef _WIN32  // Ctrl+C as a signal to the child: this system only
TEST_F(CtlMultiPortTest, ASignalClosesEveryPortAndStillPrintsTheTable) {
  const std::string logA = Path("a.log");
  const std::string logB = Path("b.log");
  SimProcess a({"--name", SimProcess::UniqueName("multisiga"), "--latency", "300", "--log", logA});
  SimProcess b({"--name", SimProcess::UniqueName("multisigb"), "--latency", "300", "--log", logB});
  testing::ChildProcess ctl({T418_CTL_PATH, "read", a.Port() + "," + b.Port(), "--delay", "0"});
  // Both jobs are in their read once each terminal got its first query.
  ASSERT_TRUE(testing::WaitUntil(
      [&] { return !testing::ReadLines(logA).empty() && !testing::ReadLines(logB).empty(); }, 20s))
      << "a read never began";
  ctl.Signal(SIGINT);
  const ChildResult result = ctl.Wait();
  EXPECT_EQ(result.exitCode, 130) << result.err;
  EXPECT_NE(RowOf(result.out, a.Port()).find("failed at read: interrupted"), std::string::npos) << result.out;
  EXPECT_NE(RowOf(result.out, b.Port()).find("failed at read: interrupted"), std::string::npos) << result.out;
  EXPECT_NE(result.err.find("interrupted, the ports are closed"), std::string::npos) << result.err;
}
#endif

TEST_F(CtlMultiPortTest, SinglePortCommandsPrintOneJsonDocumentInUtf8) {
  const std::string state = Path("json.state");
  {
    std::ofstream out(state, std::ios::binary);
    out << "STMSG=\xD6\xD0\xCE\xC4\n";  // GBK in the terminal
  }
  SimProcess sim({"--name", SimProcess::UniqueName("multijson"), "--state", state, "--imei", kSimImei, "--iccid", kSimIccid});
  const ChildResult read = CtlNoPause({"read", sim.Port(), "--json", "-o", Path("one.ini")});
  ASSERT_EQ(read.exitCode, 0) << read.err;
  const auto readDoc = nlohmann::json::parse(read.out);
  EXPECT_EQ(readDoc["port"], sim.Port());
  EXPECT_EQ(readDoc["version"], "V1.0.5");
  EXPECT_EQ(readDoc["values"]["IMEI"], kSimImei);
  EXPECT_EQ(readDoc["values"]["STMSG"], "\xE4\xB8\xAD\xE6\x96\x87");  // UTF-8
  EXPECT_EQ(readDoc["refused"], nlohmann::json::array());
  EXPECT_EQ(readDoc["output"], Path("one.ini"));

  const std::string file = Configuration();
  const ChildResult diff = CtlNoPause({"diff", sim.Port(), file, "--json"});
  EXPECT_EQ(diff.exitCode, 15);
  const auto diffDoc = nlohmann::json::parse(diff.out);
  ASSERT_FALSE(diffDoc["changed"].empty());
  EXPECT_EQ(diffDoc["changed"][0].get<std::string>().rfind("AT+", 0), 0u);
  EXPECT_TRUE(diffDoc["notRead"].is_array());

  const ChildResult write = CtlNoPause({"write", sim.Port(), file, "--verify", "--json"});
  EXPECT_EQ(write.exitCode, 0) << write.err;
  const auto writeDoc = nlohmann::json::parse(write.out);
  EXPECT_GT(writeDoc["sent"].get<int>(), 10);
  EXPECT_EQ(writeDoc["refused"], nlohmann::json::array());
  EXPECT_EQ(writeDoc["verified"], true);
  EXPECT_EQ(writeDoc["differences"], nlohmann::json::array());
}

}  // namespace
}  // namespace t418
