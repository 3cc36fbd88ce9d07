// The session engine's answers to the boot loader: given only while the
// firmware upgrade has a file armed, in any state of the engine.
#include <gtest/gtest.h>

#include "session_fakes.h"

namespace t418 {
namespace {

using testing::EngineRig;

const std::string kMenu = "\r\n'F': update firmware\r\n'G': run application\r\n'R': restart module\r\n>";
const std::string kPrompt = "F\r\nSure to update, 'Y' or 'N'\r\n>";

class FakeUpgrade : public UpgradeHandler {
 public:
  bool armed = true;
  int state = 0;
  int unanswered = 0;
  std::vector<std::string> chunks;
  bool Armed() const override { return armed; }
  void BootMenuUnanswered() override { ++unanswered; }
  int XModemState() const override { return state; }
  void StartTransfer() override { state = 1; }
  void HandleUpgradeReply(const std::string& chunk) override { chunks.push_back(chunk); }
};

// The engine idle, or in the middle of a full read.
void DriveTo(EngineRig& rig, bool midRun) {
  if (!midRun) return;
  rig.engine.ActionButtonClick(kTagAskAll);
  rig.Advance(rig.engine.delayTime);
  rig.TakeWritten();
}

TEST(BootMenu, IsAnsweredWithFInAnyStateWhileAFileIsArmed) {
  for (bool midRun : {false, true}) {
    SCOPED_TRACE(midRun);
    EngineRig rig;
    FakeUpgrade upgrade;
    rig.engine.SetUpgradeHandler(&upgrade);
    DriveTo(rig, midRun);
    rig.engine.HandleReceived("boot" + kMenu);
    EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"F"});
    EXPECT_EQ(rig.engine.LastSent, "F");
    EXPECT_EQ(upgrade.unanswered, 0);
  }
}

TEST(BootMenu, IsNotAnsweredWhileNothingIsArmed) {
  struct Case {
    const char* name;
    bool handler;
    bool midRun;
  } cases[] = {{"idle", true, false}, {"during a full read", true, true}, {"no upgrade at all", false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EngineRig rig;
    FakeUpgrade upgrade;
    upgrade.armed = false;
    if (c.handler) rig.engine.SetUpgradeHandler(&upgrade);
    DriveTo(rig, c.midRun);
    const std::string lastSent = rig.engine.LastSent;
    rig.engine.HandleReceived(kMenu);
    EXPECT_TRUE(rig.TakeWritten().empty());
    EXPECT_EQ(rig.engine.LastSent, lastSent);
    EXPECT_EQ(upgrade.unanswered, c.handler ? 1 : 0);
    EXPECT_EQ(rig.logView.Count(kMenu), 1);  // the menu is still shown as it came
  }
}

TEST(UpdatePrompt, IsAnsweredOnlyAfterFAndWhileAFileIsArmed) {
  EngineRig rig;
  FakeUpgrade upgrade;
  rig.engine.SetUpgradeHandler(&upgrade);
  rig.engine.LastSent = "AT+VER?\r\n";
  rig.engine.HandleReceived(kPrompt);
  EXPECT_TRUE(rig.TakeWritten().empty());

  rig.engine.SendLine("F");
  rig.TakeWritten();
  upgrade.armed = false;  // let go after the menu was answered
  rig.engine.HandleReceived(kPrompt);
  EXPECT_TRUE(rig.TakeWritten().empty());
  EXPECT_EQ(rig.engine.LastSent, "F");

  upgrade.armed = true;
  rig.engine.HandleReceived(kPrompt);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"Y"});
  rig.engine.HandleReceived("Y\r\n");
  EXPECT_EQ(upgrade.state, 1);
  rig.engine.HandleReceived("C");
  rig.engine.HandleReceived("\x06");
  EXPECT_EQ(upgrade.chunks, (std::vector<std::string>{"C", "\x06"}));
}

}  // namespace
}  // namespace t418
