// What t418ctl says about ports on this system: the help's examples are the
// system's own port names, and a port that will not open gets this system's
// advice.
#include <gtest/gtest.h>

#include <cerrno>
#include <regex>
#include <string>

#include "ctl/ctl_program.h"
#include "production/open_failure_text.h"

namespace t418 {
namespace {

TEST(CtlPortNaming, HelpTextsShowThisSystemsPortNamesAndTheirFiles) {
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> shown;
  } cases[] = {
      {{"--help"}, {"/dev/ttyUSB0 or /dev/ttyACM0", "('/dev/ttyUSB*')"}},
      {{"send", "--help"}, {"/dev/ttyUSB0 or ttyUSB0"}},
      {{"read", "--help"},
       {"/dev/ttyUSB0 or ttyUSB0 (a name of the port list)", "(DIR/ttyUSB0.ini;", "DIR/dev_ttyUSB0.ini)",
        "(DIR/ttyUSB0.log)"}},
      {{"station", "--help"}, {"DIR/ttyUSB0-20260102T030405Z.log", "(e.g. '/dev/ttyUSB*')"}},
  };
  for (const auto& c : cases) {
    const testing::ChildResult help = testing::Ctl(c.args);
    EXPECT_EQ(help.exitCode, 0) << c.args.front();
    for (const auto& text : c.shown) EXPECT_NE(help.out.find(text), std::string::npos) << text << "\n" << help.out;
    EXPECT_FALSE(std::regex_search(help.out, std::regex("COM[0-9*]"))) << help.out;
    EXPECT_FALSE(std::regex_search(help.out, std::regex("\\{[a-z]+\\}"))) << "a field left in the help:\n" << help.out;
  }
}

// The same words for t418ctl's message (with the port) and a job's record.
TEST(CtlPortNaming, APortThatWillNotOpenGetsThisSystemsAdvice) {
  const struct {
    int error;
    std::string holder;
    std::string named;
    std::string record;
  } cases[] = {
      {EACCES, "",
       "permission denied: /dev/ttyUSB0 (add your user to the dialout group: sudo usermod -aG dialout $USER, then "
       "log in again)",
       "permission denied (add your user to the dialout group: sudo usermod -aG dialout $USER, then log in again)"},
      {EBUSY, "held by 1234 (minicom)", "port busy: /dev/ttyUSB0 is in use by another program, held by 1234 (minicom)",
       "port busy: in use by another program, held by 1234 (minicom)"},
      {EBUSY, "", "port busy: /dev/ttyUSB0 is in use by another program", "port busy: in use by another program"},
      {ENOENT, "", "no such port: /dev/ttyUSB0", "no such port"},
      {EIO, "", "cannot open /dev/ttyUSB0: Input/output error", "cannot open the port: Input/output error"},
  };
  for (const auto& c : cases) {
    const OpenFailure failure = ClassifyOpenFailure(c.error, c.holder);
    EXPECT_EQ(OpenFailureText(failure, "/dev/ttyUSB0"), c.named);
    EXPECT_EQ(OpenFailureText(failure), c.record);
  }
}

}  // namespace
}  // namespace t418
