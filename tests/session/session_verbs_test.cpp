// The session as front ends drive it: opening a port gives a failure sorted
// once by the serial layer, and the flows are verbs (build a configuration
// from a file, save one with the advanced settings, start a read).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "loop/poll_loop.h"
#include "serial/serial_fixtures.h"
#include "session/headless_session.h"
#include "temp_folder.h"

namespace t418 {
namespace {

using namespace std::chrono_literals;

bool HasLineOf(const std::vector<std::string>& lines, const std::string& name) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return CommandNameOfLine(line) == name; });
}

TEST(OpenFailureKinds, EachErrorNumberFallsIntoOneKind) {
  const struct {
    int error;
    OpenFailureKind kind;
  } cases[] = {
      {ENOENT, OpenFailureKind::NoSuchPort}, {ENODEV, OpenFailureKind::NoSuchPort},
      {ENXIO, OpenFailureKind::NoSuchPort},  {EACCES, OpenFailureKind::Permission},
      {EPERM, OpenFailureKind::Permission},  {EBUSY, OpenFailureKind::Busy},
      {EINVAL, OpenFailureKind::Other},      {ENOTTY, OpenFailureKind::Other},
      {EIO, OpenFailureKind::Other},         {0, OpenFailureKind::Other},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    const OpenFailure failure = ClassifyOpenFailure(c.error, "held by 1 (x)");
    EXPECT_EQ(failure.kind, c.kind);
    EXPECT_EQ(failure.error, c.error);
    // The system's own words, and none made up for no number.
    EXPECT_EQ(failure.reason, c.error ? std::string(std::strerror(c.error)) : std::string());
    // Only a busy port has a holder to name.
    EXPECT_EQ(failure.holder, c.kind == OpenFailureKind::Busy ? "held by 1 (x)" : "");
  }
}

class SessionVerbs : public ::testing::Test {
 protected:
  std::unique_ptr<HeadlessSession> NewSession(LineOptions options = {}) {
    options.delayMs = 0;
    return std::make_unique<HeadlessSession>(loop_, program_.path().string(), options);
  }
  std::string Path(const std::string& name) const { return (folder_.path() / name).string(); }

  testing::TempFolder program_;
  testing::TempFolder folder_;
  PollLoop loop_;
};

TEST_F(SessionVerbs, AFailedOpeningSaysWhyOnceForEveryFrontEnd) {
  test::Pty held;
  auto holder = NewSession();
  ASSERT_TRUE(holder->OpenPort(held.Path())) << holder->Core().OpenFailureText();
  const std::string plainFile = Path("not-a-port");
  std::ofstream(plainFile) << "x";

  const struct {
    std::string what;
    std::string port;
    std::string baud;
    OpenFailureKind kind;
    bool named;  // the session's warning says the port is gone
  } cases[] = {
      {"missing device", "/dev/t418-no-such-port", "115200", OpenFailureKind::NoSuchPort, true},
      {"held by another session", held.Path(), "115200", OpenFailureKind::Busy, false},
      {"a file that is no line", plainFile, "115200", OpenFailureKind::Other, false},
      {"a baud that is no rate", "/dev/t418-no-such-port", "fast", OpenFailureKind::Other, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LineOptions options;
    options.settings.baud = c.baud;
    auto session = NewSession(options);
    EXPECT_FALSE(session->OpenPort(c.port));
    const OpenFailure failure = session->Core().LastOpenFailure();
    EXPECT_EQ(failure.kind, c.kind) << failure.reason;
    EXPECT_FALSE(failure.reason.empty());
    // The window's warning is built from the same value.
    const std::string warning = session->Core().OpenFailureText();
    EXPECT_NE(warning.find(failure.reason), std::string::npos) << warning;
    EXPECT_EQ(warning.rfind(session->Core().Lang().LangText("info_ComGone"), 0) == 0, c.named) << warning;
    if (c.kind == OpenFailureKind::Busy) {
      // The holder is this very process.
      EXPECT_EQ(failure.holder.rfind("held by " + std::to_string(getpid()), 0), 0u) << failure.holder;
      EXPECT_NE(warning.find(failure.holder), std::string::npos) << warning;
    }
  }
  // A success leaves no failure behind, and a closed port invents none.
  test::Pty free;
  auto session = NewSession();
  EXPECT_FALSE(session->OpenPort("/dev/t418-no-such-port"));
  ASSERT_TRUE(session->OpenPort(free.Path()));
  EXPECT_EQ(session->Core().LastOpenFailure().kind, OpenFailureKind::None);
  session->Core().ClosePort();
  EXPECT_EQ(session->Core().LastOpenFailure().kind, OpenFailureKind::None);
}

TEST_F(SessionVerbs, ASaveWithTheAdvancedSettingsBuildsAWriteThatSendsThem) {
  const std::string plain = Path("plain.ini");
  const std::string advanced = Path("advanced.ini");
  {
    auto source = NewSession();
    source->Core().LoadDefaultConfiguration();
    source->Core().Rules().SetChecked(source->Core().Form().rzchckbxMore, false);
    ASSERT_TRUE(source->Core().SaveConfiguration(plain, AdvancedSettings::AsShown));
    ASSERT_TRUE(source->Core().SaveConfiguration(advanced, AdvancedSettings::Included));
  }
  const struct {
    std::string file;
    bool sendsAdvanced;
  } cases[] = {{plain, false}, {advanced, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    auto target = NewSession();
    const ConfigurationBuild build = target->Core().BuildConfiguration(c.file);
    ASSERT_TRUE(build.Ok());
    EXPECT_TRUE(HasLineOf(build.lines, "UART"));
    EXPECT_EQ(HasLineOf(build.lines, "CMDPW"), c.sendsAdvanced);
    EXPECT_EQ(HasLineOf(build.lines, "APN"), c.sendsAdvanced);
  }
}

TEST_F(SessionVerbs, ABuildSaysWhetherTheFileWasReadAndWhetherTheBuilderTookIt) {
  const std::string refused = Path("refused.ini");
  {
    std::ofstream out(refused, std::ios::binary);
    // A cloud password of 7 characters fails the builder's checks.
    out << "[GNSS]\r\nGNSSFUNEN=1\r\nGNSSMOD=CLOUD\r\nGCLOUD=12345678901234567890,1234567\r\n"
           "GMDBS=1,40001\r\nGPOSUPTM=30\r\n";
  }
  auto session = NewSession();
  const ConfigurationBuild missing = session->Core().BuildConfiguration(Path("no-such.ini"));
  EXPECT_FALSE(missing.loaded);
  EXPECT_FALSE(missing.Ok());
  EXPECT_TRUE(missing.lines.empty());
  EXPECT_FALSE(session->LastWarning().empty());

  const ConfigurationBuild bad = session->Core().BuildConfiguration(refused);
  EXPECT_TRUE(bad.loaded);
  EXPECT_EQ(bad.refusal, ConfigRefusal::CloudPasswordLength);
  EXPECT_FALSE(bad.Ok());
  EXPECT_TRUE(bad.lines.empty());
  // The form the builder refused has nothing to write either.
  EXPECT_FALSE(session->Core().WriteAll());
  EXPECT_FALSE(session->Core().RunInProgress());
}

TEST_F(SessionVerbs, AReadAllStartsWithTheVersionQueryAndRefusesASecondRun) {
  test::Pty line;
  auto session = NewSession();
  ASSERT_TRUE(session->OpenPort(line.Path()));
  std::vector<std::string> reports;
  session->Core().OnReport = [&](const std::string& name, const std::string&) { reports.push_back(name); };
  ASSERT_TRUE(session->Core().ReadAll());
  EXPECT_TRUE(session->Core().RunInProgress());
  EXPECT_FALSE(session->Core().StartAction(SessionAction::QuerySignal));
  std::string sent;
  loop_.RunUntil(
      [&] {
        sent += line.Read(64, 10ms);
        return sent.find("\r\n") != std::string::npos;
      },
      5s);
  EXPECT_EQ(sent, "AT+VER?\r\n");
  line.Write("AT+VER?\r\n\r\n+VER:V1.0.5\r\n\r\nOK\r\n\r\n");
  loop_.RunUntil([&] { return !reports.empty(); }, 5s);
  EXPECT_EQ(reports, std::vector<std::string>{"VER"});
  session->Core().StopRun();
  EXPECT_FALSE(session->Core().RunInProgress());
}

}  // namespace
}  // namespace t418
