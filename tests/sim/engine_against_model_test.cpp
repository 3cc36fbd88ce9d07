// The tool's session engine talking to the simulated terminal's command side,
// in one process on a fake clock: each line the engine writes goes to the
// model, each piece the model writes comes back as one received chunk (as the
// serial component cuts them at the pauses between writes).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/gbk.h"
#include "read_all_queries.h"
#include "session_fakes.h"
#include "t418-sim/terminal_model.h"

namespace t418::sim {
namespace {

using t418::testing::EngineRig;

const std::string kDoOver = "<info_DoOver>";

class EngineAgainstModelTest : public ::testing::Test {
 protected:
  void Make(TerminalBehaviour behaviour = {}) {
    model_ = std::make_unique<TerminalModel>(config_, std::move(behaviour));
    model_->onLine = [this](std::string_view line) { received_.emplace_back(line); };
  }

  // Runs until the engine reports the end of the run, at most limitMs of fake time.
  void Play(long limitMs = 120'000) {
    const long end = rig_.clock.now + limitMs;
    while (rig_.clock.now < end && rig_.logView.Count(kDoOver) == 0) {
      rig_.Advance(10);
      for (const auto& line : rig_.TakeWritten())
        for (const auto& piece : model_->Receive(line)) rig_.engine.HandleReceived(piece.bytes);
    }
  }

  // The 70 query lines of a full read, as the terminal receives them.
  static std::vector<std::string> ReadAllLines() { return testing::ReadAllQueryLines(""); }

  SimConfig config_;
  std::unique_ptr<TerminalModel> model_;
  std::vector<std::string> received_;
  EngineRig rig_;
};

TEST_F(EngineAgainstModelTest, FullReadWithEchoStoresEveryValue) {
  Make();
  ASSERT_EQ(config_.Value("E"), "ON");
  rig_.engine.ActionButtonClick(kTagAskAll);
  Play();

  EXPECT_EQ(received_, ReadAllLines());
  EXPECT_EQ(rig_.logView.Count(kDoOver), 1);
  EXPECT_EQ(rig_.reports.reports.size(), 69u);
  EXPECT_EQ(rig_.values.Value("UART"), "115200,8,1,NONE,NFC");
  EXPECT_EQ(rig_.values.Value("HTPHD"), "Connection: close[0D][0A]");
  EXPECT_EQ(rig_.values.Value("QCARINFO"), "1," + Utf8ToGbk("京") + "A12345");
  EXPECT_EQ(rig_.values.Value("SOCKALK"), "CONNECTED");
}

TEST_F(EngineAgainstModelTest, TerminalInDataModeIsBroughtBackByTheTimeOut) {
  TerminalBehaviour behaviour;
  behaviour.startInDataMode = true;
  Make(behaviour);
  rig_.engine.ActionButtonClick(kTagAskAll);
  Play();

  std::vector<std::string> expected = {"+++", "a"};
  for (const auto& line : ReadAllLines()) expected.push_back(line);
  EXPECT_EQ(received_, expected)
      << "the swallowed version query is repeated after \"+++\" and \"a\"";
  EXPECT_EQ(rig_.logView.Count(kDoOver), 1);
  EXPECT_EQ(rig_.reports.reports.size(), 69u);
}

TEST_F(EngineAgainstModelTest, RefusedAndSplitRepliesAreSkippedAndTheRunGoesOn) {
  TerminalBehaviour behaviour;
  behaviour.error = {"SOCKA"};
  behaviour.split = {"WKMOD"};
  // With echo (the factory setting): the first half (echo, CR LF, "+WKMOD:NE")
  // already holds a report start, a name end and an empty line, yet it is no
  // whole reply until "OK" ends it.
  Make(behaviour);
  ASSERT_EQ(config_.Value("E"), "ON");
  rig_.engine.ActionButtonClick(kTagAskAll);
  Play();

  EXPECT_EQ(received_, ReadAllLines());
  EXPECT_EQ(rig_.logView.Count(kDoOver), 1);
  EXPECT_EQ(rig_.values.Value("SOCKA"), "");
  EXPECT_EQ(rig_.values.Value("SOCKB"), "TCP,server.example.com,2318");
  // The halves are gathered into the whole report, and the run moves on once.
  EXPECT_EQ(rig_.values.Value("WKMOD"), "NET");
}

TEST_F(EngineAgainstModelTest, SettingLinesAreAcceptedWithEcho) {
  Make();
  for (const char* line : {"AT+WKMOD=HTTPD\r\n", "AT+HTPTP=POST\r\n", "AT+UART=9600,8,1,NONE\r\n",
                           "AT+E=OFF\r\n", "AT+GPOSUPTM=60\r\n"})
    rig_.orders.AddOrder(line);
  rig_.engine.SendCurrentOrder();
  Play();

  EXPECT_EQ(rig_.logView.Count(kDoOver), 1);
  EXPECT_EQ(config_.Value("WKMOD"), "HTTPD");
  EXPECT_EQ(config_.Value("HTPTP"), "POST");
  EXPECT_EQ(config_.Value("UART"), "9600,8,1,NONE,NFC");
  EXPECT_EQ(config_.Value("E"), "OFF");
  EXPECT_EQ(config_.Value("GPOSUPTM"), "60");
}

}  // namespace
}  // namespace t418::sim
