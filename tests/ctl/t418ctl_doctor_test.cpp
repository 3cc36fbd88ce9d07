// t418ctl doctor on this machine, as a user runs it: a port the test makes (a
// pseudo-terminal), the same port held open by another process, and a port
// that is not there.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "ctl/ctl_program.h"

namespace t418 {
namespace {

// The exit code scripts were promised for a host that stops a run.
constexpr int kHostProblem = 17;

// A pseudo-terminal whose terminal side no process has open.
class FreePty {
 public:
  FreePty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) path_ = ptsname(master_);
  }
  ~FreePty() {
    if (master_ >= 0) close(master_);
  }
  const std::string& path() const { return path_; }

 private:
  int master_ = -1;
  std::string path_;
};

std::string OwnProgramName() {
  std::ifstream in("/proc/self/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

bool HasLine(const std::string& out, const std::string& line) {
  for (const auto& each : testing::Lines(out))
    if (each == line) return true;
  return false;
}

TEST(CtlDoctor, AFreePortOfThisMachineIsReportedFineAndTheRunEndsWithZero) {
  FreePty pty;
  ASSERT_FALSE(pty.path().empty());
  const testing::ChildResult run = testing::Ctl({"doctor", pty.path()});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  bool portFine = false;
  for (const auto& line : testing::Lines(run.out)) {
    EXPECT_NE(line.rfind("stop ", 0), 0u) << line;
    if (line.rfind("fine  " + pty.path() + ": exists and user ", 0) == 0 &&
        line.find(" may open it read-write") != std::string::npos)
      portFine = true;
  }
  EXPECT_TRUE(portFine) << run.out;
  EXPECT_NE(run.out.find("\ndoctor: nothing stops a run;"), std::string::npos) << run.out;
  EXPECT_EQ(run.err, "");

  const testing::ChildResult json = testing::Ctl({"doctor", "--json", pty.path()});
  EXPECT_EQ(json.exitCode, 0);
  const auto document = nlohmann::json::parse(json.out);
  EXPECT_EQ(document.at("stops"), 0);
  bool listed = false;
  for (const auto& finding : document.at("findings"))
    if (finding.at("port") == pty.path() && finding.at("check") == "access") {
      listed = true;
      EXPECT_EQ(finding.at("severity"), "fine");
      EXPECT_TRUE(finding.at("fix").empty());
    }
  EXPECT_TRUE(listed) << json.out;
}

TEST(CtlDoctor, APortAnotherProcessHoldsOpenStopsARunAndNamesThatProcess) {
  FreePty pty;
  ASSERT_FALSE(pty.path().empty());
  // This test program is the other process: it holds the terminal side open.
  const int held = open(pty.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  const testing::ChildResult run = testing::Ctl({"doctor", pty.path()});
  close(held);
  EXPECT_EQ(run.exitCode, kHostProblem) << run.out;
  const std::string pid = std::to_string(getpid());
  EXPECT_TRUE(HasLine(run.out, "stop  " + pty.path() + ": held open by pid " + pid + " (" + OwnProgramName() + ")"))
      << run.out;
  EXPECT_TRUE(HasLine(run.out, "      fix: close " + OwnProgramName() + " (or end it: kill " + pid + ")")) << run.out;
  EXPECT_NE(run.out.find("\ndoctor: 1 finding stops a run,"), std::string::npos) << run.out;
}

TEST(CtlDoctor, AMissingPortStopsARunWithAClearLineAndItsFix) {
  const std::string missing = "/dev/ttyT418NoSuchPort";
  for (const bool json : {false, true}) {
    std::vector<std::string> args{"doctor", missing};
    if (json) args.push_back("--json");
    const testing::ChildResult run = testing::Ctl(args);
    EXPECT_EQ(run.exitCode, kHostProblem) << run.out;
    EXPECT_NE(run.exitCode, 0);
    if (!json) {
      EXPECT_TRUE(HasLine(run.out, "stop  " + missing + ": no such port")) << run.out;
      EXPECT_NE(run.out.find("      fix: plug the adapter in and check its cable"), std::string::npos) << run.out;
      continue;
    }
    const auto document = nlohmann::json::parse(run.out);
    EXPECT_EQ(document.at("stops"), 1);
    bool found = false;
    for (const auto& finding : document.at("findings"))
      if (finding.at("port") == missing) {
        found = true;
        EXPECT_EQ(finding.at("severity"), "stop");
        EXPECT_EQ(finding.at("text"), "no such port");
        EXPECT_FALSE(finding.at("fix").empty());
      }
    EXPECT_TRUE(found) << run.out;
  }
}

TEST(CtlDoctor, TheHelpListsTheCommandAndItsExitCode) {
  const testing::ChildResult help = testing::Ctl({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("\n  doctor "), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("17 doctor found what stops a run on this computer"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace t418
