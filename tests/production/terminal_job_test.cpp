// Terminal jobs against simulators: several on one loop, each through its
// steps to one record, and the failures each step can end in.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

#include "loop/poll_loop.h"
#include "production/sha256.h"
#include "production/terminal_job.h"
#include "config_fixtures.h"
#include "sim/state_file.h"
#include "sim_process.h"
#include "temp_folder.h"

namespace t418 {
namespace {

using testing::Fixture;
using testing::SimProcess;
using namespace std::chrono_literals;

// What every simulator reports of itself.
constexpr const char* kSimImei = "868323028765432";
constexpr const char* kSimIccid = "89860118802125746431";
constexpr const char* kSimVersion = "V1.0.5";

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TerminalJobTest : public ::testing::Test {
 protected:
  TerminalJobTest() { options_.delayMs = 0; }

  TerminalJob& AddJob(const std::string& port, JobPlan plan) {
    jobs_.push_back(std::make_unique<TerminalJob>(loop_, programFolder_.path().string(), options_, port, std::move(plan)));
    return *jobs_.back();
  }
  // Starts every job and runs the loop until all are finished.
  void RunAll() {
    for (auto& job : jobs_) job->Start();
    const bool done = loop_.RunUntil(
        [this] {
          for (const auto& job : jobs_)
            if (!job->Finished()) return false;
          return true;
        },
        120s);
    ASSERT_TRUE(done) << "a job did not finish";
  }
  // A configuration file as t418ctl read -o makes it, from a simulator holding the fixture.
  std::string ConfigurationOf(const std::string& fixture) { return ConfigurationFrom(Fixture(fixture), fixture); }
  // The same from a simulator state file of the test's own; the file is named after `name`.
  std::string ConfigurationFrom(const std::string& stateFile, const std::string& name) {
    SimProcess source({"--name", SimProcess::UniqueName("jobsrc"), "--config", stateFile});
    TerminalJob reader(loop_, programFolder_.path().string(), options_, source.Port(), JobPlan{});
    reader.Start();
    loop_.RunUntil([&] { return reader.Finished(); }, 60s);
    EXPECT_TRUE(reader.Result().Ok()) << ResultText(reader.Result());
    const std::string path = (folder_.path() / (name + ".ini")).string();
    EXPECT_TRUE(reader.Core().SaveConfiguration(path, AdvancedSettings::Included));
    return path;
  }

  testing::TempFolder folder_;
  // The sessions write their language file there, never into the source tree.
  testing::TempFolder programFolder_;
  LineOptions options_;
  PollLoop loop_;
  std::vector<std::unique_ptr<TerminalJob>> jobs_;
};

TEST_F(TerminalJobTest, JobsOnOneLoopWriteAndVerifyEveryTerminalAndRecordItsIdentity) {
  const std::string config = ConfigurationOf("net_sockets");
  std::vector<std::unique_ptr<SimProcess>> sims;
  std::vector<std::string> states;
  for (int i = 0; i < 3; ++i) {
    states.push_back((folder_.path() / ("target" + std::to_string(i) + ".state")).string());
    sims.push_back(std::make_unique<SimProcess>(
        std::vector<std::string>{"--name", SimProcess::UniqueName("jobdst"), "--state", states.back(), "--imei", kSimImei, "--iccid", kSimIccid}));
    JobPlan plan;
    plan.configFile = config;
    AddJob(sims.back()->Port(), plan);
  }
  RunAll();

  for (std::size_t i = 0; i < jobs_.size(); ++i) {
    const JobResult& result = jobs_[i]->Result();
    SCOPED_TRACE(result.port);
    EXPECT_EQ(result.port, sims[i]->Port());
    EXPECT_TRUE(result.Ok()) << ResultText(result);
    EXPECT_EQ(ResultText(result), "ok");
    EXPECT_EQ(jobs_[i]->Step(), JobStep::Done);
    EXPECT_EQ(result.identity.imei, kSimImei);
    EXPECT_EQ(result.identity.ModemId(), kSimImei);
    EXPECT_EQ(result.identity.iccid, kSimIccid);
    EXPECT_EQ(result.versionBefore, kSimVersion);
    EXPECT_EQ(result.versionAfter, kSimVersion);
    EXPECT_EQ(result.configFile, config);
    EXPECT_EQ(result.configSha256, Sha256Hex(FileBytes(config)));
    EXPECT_GT(result.settingsSent, 10);
    EXPECT_TRUE(result.refusedNames.empty());
    EXPECT_TRUE(result.differences.empty());
    EXPECT_GT(result.duration, 0ms);
    EXPECT_FALSE(jobs_[i]->Core().PortOpen()) << "a finished job keeps its port";
  }
  // The terminals hold the fixture's sockets once their simulators saved them.
  const auto wanted = sim::testing::ReadSimState(Fixture("net_sockets"));
  for (std::size_t i = 0; i < sims.size(); ++i) {
    sims[i]->Stop();
    const auto held = sim::testing::ReadSimState(states[i]);
    EXPECT_TRUE(sim::testing::StateDifferences(wanted, held, {"SOCKA", "SOCKB", "WKMOD", "APN"}).empty())
        << ::testing::PrintToString(sim::testing::StateDifferences(wanted, held, {"SOCKA", "SOCKB", "WKMOD", "APN"}));
  }
}

TEST_F(TerminalJobTest, EachFailureNamesItsStepAndItsReason) {
  const std::string config = ConfigurationOf("net_sockets");
  const std::string simLog = (folder_.path() / "untouched.log").string();
  SimProcess untouched({"--name", SimProcess::UniqueName("jobnofile"), "--log", simLog});
  SimProcess refusing({"--name", SimProcess::UniqueName("jobref"), "--error", "SOCKA"});
  SimProcess silent({"--name", SimProcess::UniqueName("jobsil"), "--silent", "SOCKA"});

  struct Case {
    std::string port;
    JobPlan plan;
    JobFailure failure;
    JobStep step;
    std::string reasonPart;
  };
  JobPlan write;
  write.configFile = config;
  // Without the read first, the silence meets the write.
  JobPlan writeOnly = write;
  writeOnly.readFirst = false;
  JobPlan missingFile;
  missingFile.configFile = (folder_.path() / "no-such.ini").string();
  JobPlan missingFirmware;
  missingFirmware.firmwareFile = (folder_.path() / "no-such.bin").string();
  const Case cases[] = {
      {"/dev/t418-no-such-port", write, JobFailure::NoSuchPort, JobStep::Open, "no such port"},
      {untouched.Port(), missingFile, JobFailure::BadConfigFile, JobStep::Write, "no-such.ini"},
      {untouched.Port(), missingFirmware, JobFailure::NoFirmwareFile, JobStep::Upgrade, "no-such.bin"},
      {refusing.Port(), write, JobFailure::Refused, JobStep::Write, "SOCKA"},
      {silent.Port(), writeOnly, JobFailure::NoReply, JobStep::Write, ""},
  };
  for (const auto& c : cases) AddJob(c.port, c.plan);
  RunAll();

  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const JobResult& result = jobs_[i]->Result();
    SCOPED_TRACE(ResultText(result));
    EXPECT_EQ(result.failure, cases[i].failure);
    EXPECT_EQ(result.failedStep, cases[i].step);
    EXPECT_NE(result.reason.find(cases[i].reasonPart), std::string::npos);
    EXPECT_EQ(ResultText(result).rfind(std::string("failed at ") + JobStepName(cases[i].step) + ": ", 0), 0u);
  }
  EXPECT_EQ(jobs_[3]->Result().refusedNames, std::vector<std::string>{"SOCKA"});
  // A job whose files are missing never opened its port.
  EXPECT_TRUE(testing::ReadLines(simLog).empty());
}

// A setting the verify cannot read back (the terminal refuses its query) is
// not verified: the job fails on it and lists it, whatever the value written;
// an empty one would otherwise seem to match a read that reported nothing.
TEST_F(TerminalJobTest, ASettingTheVerifyCannotReadBackFailsTheJob) {
  std::string emptyStartMessage;
  for (const auto& line : testing::ReadLines(Fixture("net_sockets")))
    emptyStartMessage += (line.rfind("STMSG=", 0) == 0 ? std::string("STMSG=") : line) + "\n";
  const std::string emptyStartState = (folder_.path() / "empty_stmsg.state").string();
  std::ofstream(emptyStartState, std::ios::binary) << emptyStartMessage;

  struct Case {
    std::string config;
    std::string unreadable;
    std::string written;  // the line the terminal must hold all the same
  };
  const Case cases[] = {
      {ConfigurationOf("net_sockets"), "SOCKA", "SOCKA=TCP,dtu-a.example.net,6001"},
      {ConfigurationFrom(emptyStartState, "empty_stmsg"), "STMSG", "STMSG="},
  };
  std::vector<std::string> states;
  std::vector<std::unique_ptr<SimProcess>> sims;
  for (const Case& c : cases) {
    states.push_back((folder_.path() / (c.unreadable + ".state")).string());
    sims.push_back(std::make_unique<SimProcess>(std::vector<std::string>{
        "--name", SimProcess::UniqueName("jobunr"), "--state", states.back(), "--unreadable", c.unreadable}));
    JobPlan plan;
    plan.configFile = c.config;
    AddJob(sims.back()->Port(), plan);
  }
  RunAll();

  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const JobResult& result = jobs_[i]->Result();
    SCOPED_TRACE(cases[i].unreadable + ": " + ResultText(result));
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(result.failure, JobFailure::Differences);
    EXPECT_EQ(result.failedStep, JobStep::Verify);
    EXPECT_EQ(result.notCompared, std::vector<std::string>{cases[i].unreadable});
    EXPECT_TRUE(result.differences.empty()) << ::testing::PrintToString(result.differences);
    EXPECT_NE(result.reason.find("not verified"), std::string::npos);
    EXPECT_NE(result.reason.find(cases[i].unreadable), std::string::npos);
    // The write itself went through: only the reading back failed.
    EXPECT_TRUE(result.refusedNames.empty()) << ::testing::PrintToString(result.refusedNames);
    sims[i]->Stop();
    const auto held = testing::ReadLines(states[i]);
    EXPECT_NE(std::find(held.begin(), held.end(), cases[i].written), held.end()) << ::testing::PrintToString(held);
  }
}

TEST_F(TerminalJobTest, ATerminalKilledMidWriteFailsAsLostWhileTheOtherJobGoesOn) {
  const std::string config = ConfigurationOf("net_sockets");
  SimProcess doomed({"--name", SimProcess::UniqueName("jobkill"), "--latency", "20", "--imei", kSimImei, "--iccid", kSimIccid});
  SimProcess healthy({"--name", SimProcess::UniqueName("jobok")});
  JobPlan plan;
  plan.configFile = config;
  TerminalJob& lost = AddJob(doomed.Port(), plan);
  AddJob(healthy.Port(), plan);
  lost.OnStep = [&](JobStep step) {
    if (step == JobStep::Write) loop_.RunAfter(200, [&] { ::kill(doomed.Pid(), SIGKILL); });
  };
  RunAll();
  EXPECT_EQ(jobs_[0]->Result().failure, JobFailure::PortLost) << ResultText(jobs_[0]->Result());
  EXPECT_EQ(jobs_[0]->Result().failedStep, JobStep::Write);
  EXPECT_EQ(jobs_[0]->Result().identity.imei, kSimImei) << "the read before the write gave the identity";
  EXPECT_TRUE(jobs_[1]->Result().Ok()) << ResultText(jobs_[1]->Result());
}

// A firmware image of size bytes, written to the file.
std::string MakeImage(const std::filesystem::path& path, std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + 7) & 0xFF);
  std::ofstream(path, std::ios::binary) << bytes;
  return bytes;
}

TEST_F(TerminalJobTest, AnUpgradeBetweenTheReadAndTheWriteSendsTheImageAndRecordsBothVersions) {
  const std::string config = ConfigurationOf("net_sockets");
  const auto image = folder_.path() / "t418.bin";
  const std::string bytes = MakeImage(image, 128 * 6);
  const std::string received = (folder_.path() / "received.bin").string();
  SimProcess sim({"--name", SimProcess::UniqueName("jobfw"), "--firmware-out", received});
  JobPlan plan;
  plan.firmwareFile = image.string();
  plan.bootWaitSeconds = 20;
  plan.configFile = config;
  TerminalJob& job = AddJob(sim.Port(), plan);
  std::vector<JobStep> steps;
  job.OnStep = [&](JobStep step) {
    steps.push_back(step);
    // The operator restarts the terminal with its Reload key held.
    if (step == JobStep::Upgrade) loop_.RunAfter(300, [&] { ::kill(sim.Pid(), SIGUSR1); });
  };
  RunAll();
  EXPECT_TRUE(job.Result().Ok()) << ResultText(job.Result());
  EXPECT_EQ(steps, (std::vector<JobStep>{JobStep::Open, JobStep::Read, JobStep::Upgrade, JobStep::Write,
                                         JobStep::Verify}));
  EXPECT_EQ(FileBytes(received), bytes);
  EXPECT_EQ(job.Result().versionBefore, kSimVersion);
  EXPECT_EQ(job.Result().versionAfter, kSimVersion);
  EXPECT_GT(job.Result().settingsSent, 10);
}

TEST_F(TerminalJobTest, ATerminalThatNeverShowsItsBootMenuFailsTheUpgradeAfterTheWait) {
  const auto image = folder_.path() / "t418.bin";
  MakeImage(image, 300);
  SimProcess sim({"--name", SimProcess::UniqueName("jobnoboot")});
  JobPlan plan;
  plan.readFirst = false;
  plan.firmwareFile = image.string();
  plan.bootWaitSeconds = 1;
  TerminalJob& job = AddJob(sim.Port(), plan);
  RunAll();
  EXPECT_EQ(job.Result().failure, JobFailure::NoBootLoader);
  EXPECT_EQ(ResultText(job.Result()).rfind("failed at upgrade: no boot loader within 1 s", 0), 0u)
      << ResultText(job.Result());
}

TEST_F(TerminalJobTest, AnAbortedJobEndsAtOnceInItsCurrentStep) {
  SimProcess sim({"--name", SimProcess::UniqueName("jobabort"), "--latency", "20"});
  TerminalJob& job = AddJob(sim.Port(), JobPlan{});
  job.OnStep = [&](JobStep step) {
    if (step == JobStep::Read) loop_.RunAfter(100, [&] { job.Abort(JobFailure::Interrupted, "interrupted"); });
  };
  RunAll();
  EXPECT_EQ(job.Result().failure, JobFailure::Interrupted);
  EXPECT_EQ(job.Result().failedStep, JobStep::Read);
  EXPECT_EQ(ResultText(job.Result()), "failed at read: interrupted");
  EXPECT_FALSE(job.Core().PortOpen());
}

// What a job's session shows a front end: its progress and its messages.
class RecordingView : public SessionListener {
 public:
  void PortStateChanged(bool) override {}
  void ShowProgress(int total, int) override { progressTotals.push_back(total); }
  void HideProgress() override {}
  void ShowMessage(const std::string& text) override { messages.push_back(text); }

  std::vector<int> progressTotals;
  std::vector<std::string> messages;
};

TEST_F(TerminalJobTest, AReadCutShortIsARefusalWhenTheTerminalRefusedItsLineElseNoReply) {
  SimProcess refusing({"--name", SimProcess::UniqueName("jobverr"), "--error", "VER"});
  SimProcess silent({"--name", SimProcess::UniqueName("jobversil"), "--silent", "VER"});
  const struct {
    std::string port;
    JobFailure failure;
    std::vector<std::string> refused;
  } cases[] = {
      {refusing.Port(), JobFailure::Refused, {"VER"}},
      {silent.Port(), JobFailure::NoReply, {}},
  };
  for (const auto& c : cases) AddJob(c.port, JobPlan{});
  RunAll();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const JobResult& result = jobs_[i]->Result();
    SCOPED_TRACE(ResultText(result));
    EXPECT_EQ(result.failure, cases[i].failure);
    EXPECT_EQ(result.failedStep, JobStep::Read);
    EXPECT_TRUE(result.cutShort);
    EXPECT_EQ(result.refusedNames, cases[i].refused);
  }
  EXPECT_EQ(ResultText(jobs_[0]->Result()), "failed at read: the terminal refused: VER");
}

TEST_F(TerminalJobTest, AConfigurationWithValuesTheTerminalWouldRefuseIsCountedAndListedToTheView) {
  const std::string path = (folder_.path() / "empty-timeout.ini").string();
  {
    HeadlessSession source(loop_, programFolder_.path().string(), options_);
    source.Core().LoadDefaultConfiguration();
    source.Core().Rules().SetChecked(source.Core().Form().rzchckbxSktA, true);
    // An empty time-out would be "AT+SOCKATO=", which the terminal refuses.
    source.Core().Form().edtSockATo.SetText("");
    ASSERT_TRUE(source.Core().SaveConfiguration(path));
  }
  RecordingView view;
  JobPlan plan;
  plan.configFile = path;
  TerminalJob job(loop_, programFolder_.path().string(), options_, "/dev/t418-no-such-port", plan, {}, &view);
  job.Start();
  ASSERT_TRUE(job.Finished()) << "nothing to wait for: the file is refused before the port";
  EXPECT_EQ(job.Result().failure, JobFailure::ConfigRefused);
  EXPECT_EQ(job.Result().failedStep, JobStep::Write);
  EXPECT_EQ(job.Result().reason, "the configuration was not sent: 1 value the terminal would refuse");
  // The session's message lists the value (the view also hears the start's messages).
  EXPECT_TRUE(std::any_of(view.messages.begin(), view.messages.end(),
                          [](const std::string& text) { return text.find("SOCKATO") != std::string::npos; }))
      << ::testing::PrintToString(view.messages);
}

TEST_F(TerminalJobTest, AnUpgradeTellsTheWaitTheTransferAndTheRestartInOrder) {
  const auto image = folder_.path() / "t418.bin";
  const std::string bytes = MakeImage(image, 128 * 4);
  const std::string received = (folder_.path() / "received.bin").string();
  SimProcess sim({"--name", SimProcess::UniqueName("jobfwsteps"), "--firmware-out", received});
  JobPlan plan;
  plan.readFirst = false;
  plan.firmwareFile = image.string();
  plan.bootWaitSeconds = 20;
  RecordingView view;
  TerminalJob job(loop_, programFolder_.path().string(), options_, sim.Port(), plan, {}, &view);
  std::vector<std::string> told;
  job.OnAwaitingBootLoader = [&] {
    told.push_back("awaiting");
    // The operator restarts the terminal with its Reload key held.
    loop_.RunAfter(300, [&] { ::kill(sim.Pid(), SIGUSR1); });
  };
  job.OnFirmwareSent = [&](std::chrono::duration<double> took) {
    told.push_back("sent");
    EXPECT_GT(took.count(), 0.0);
  };
  job.OnTerminalStarted = [&](const std::string& message) { told.push_back("started: " + message); };
  job.Start();
  ASSERT_TRUE(loop_.RunUntil([&] { return job.Finished(); }, 60s));
  EXPECT_TRUE(job.Result().Ok()) << ResultText(job.Result());
  EXPECT_EQ(told, (std::vector<std::string>{"awaiting", "sent", "started: [ZAV-T418]"}));
  EXPECT_EQ(job.Result().versionAfter, kSimVersion);
  EXPECT_EQ(FileBytes(received), bytes);
  // The transfer's progress reached the view.
  EXPECT_FALSE(view.progressTotals.empty());
  EXPECT_FALSE(job.Core().FirmwareArmed());
}

}  // namespace
}  // namespace t418

namespace t418 {
namespace {

// Whether the simulator's log (--log) shows a setting line: something was written to it.
bool GotWrite(const std::string& simLog) {
  for (const auto& line : testing::ReadLines(simLog))
    if (line.rfind("AT+", 0) == 0 && line.find('=') != std::string::npos) return true;
  return false;
}

TEST_F(TerminalJobTest, TheGuardSeesTheIdentityBeforeAnyWriteAndItsNoLeavesTheTerminalUntouched) {
  const std::string config = (folder_.path() / "line.ini").string();
  std::ofstream(config, std::ios::binary) << "[WKMOD]\r\nWKMOD=NET\r\n";
  const std::string firmware = (folder_.path() / "T418.bin").string();
  std::ofstream(firmware, std::ios::binary) << std::string(2048, '\x5a');
  JobPlan write;
  write.readFirst = false;  // the guard reads the identity all the same
  write.configFile = config;
  JobPlan upgrade;
  upgrade.readFirst = false;
  upgrade.firmwareFile = firmware;
  upgrade.bootWaitSeconds = 2;
  const struct {
    const char* name;
    JobPlan plan;
    WriteClearance said;
    JobFailure failure;
    bool written;
  } cases[] = {
      {"a write stopped as a duplicate", write, {false, JobFailure::Duplicate, "duplicate IMEI 868323028765432"},
       JobFailure::Duplicate, false},
      {"a write stopped unguarded", write, {false, JobFailure::Unguarded, "the store is gone"}, JobFailure::Unguarded,
       false},
      {"an upgrade stopped", upgrade, {false, JobFailure::Duplicate, "duplicate ICCID 89860118802125746431"},
       JobFailure::Duplicate, false},
      {"a write let through", write, {}, JobFailure::None, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string simLog = (folder_.path() / (std::string(c.name) + ".log")).string();
    SimProcess sim({"--name", SimProcess::UniqueName("guard"), "--imei", kSimImei, "--iccid", kSimIccid, "--log", simLog});
    jobs_.clear();
    TerminalJob& job = AddJob(sim.Port(), c.plan);
    std::vector<TerminalIdentity> asked;
    std::vector<bool> writtenWhenAsked;
    job.BeforeWriting = [&](const TerminalIdentity& identity) {
      asked.push_back(identity);
      writtenWhenAsked.push_back(GotWrite(simLog));
      return c.said;
    };
    RunAll();
    const JobResult& result = job.Result();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].imei, kSimImei);
    EXPECT_EQ(asked[0].iccid, kSimIccid);
    EXPECT_FALSE(writtenWhenAsked[0]);
    EXPECT_EQ(result.failure, c.failure) << ResultText(result);
    EXPECT_EQ(GotWrite(simLog), c.written);
    if (c.failure != JobFailure::None) {
      EXPECT_EQ(result.failedStep, JobStep::Claim);
      EXPECT_EQ(ResultText(result), std::string("failed at claim: ") + c.said.reason);
      EXPECT_EQ(result.settingsSent, 0);
    }
  }
}

TEST_F(TerminalJobTest, AJobThatWritesNothingAsksNoGuard) {
  SimProcess sim({"--name", SimProcess::UniqueName("noguard")});
  TerminalJob& job = AddJob(sim.Port(), JobPlan{});
  bool asked = false;
  job.BeforeWriting = [&](const TerminalIdentity&) {
    asked = true;
    return WriteClearance{false, JobFailure::Duplicate, "no"};
  };
  RunAll();
  EXPECT_TRUE(job.Result().Ok()) << ResultText(job.Result());
  EXPECT_FALSE(asked);
}

}  // namespace
}  // namespace t418
