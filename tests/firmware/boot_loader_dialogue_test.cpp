// The session engine answering the boot loader and handing the transfer to
// the firmware upgrade.
#include <gtest/gtest.h>

#include "upgrade_fakes.h"

namespace t418 {
namespace {

using testing::kAck;
using testing::kEot;
using testing::kFinal;

const std::string kMenu = "\r\n'F': update firmware\r\n'G': run application\r\n'R': restart module\r\n>";
const std::string kPrompt = "F\r\nSure to update, 'Y' or 'N'\r\n>";

// An engine and an upgrade on one line, log and view.
struct DialogueRig : testing::UpgradeRig {
  testing::FakeClock engineClock;
  testing::FakeReplyTimer replyTimer{engineClock};
  testing::FakeScheduler scheduler{engineClock};
  OrderList orders;
  ValueList values;
  HardwareSign hardware;
  SessionEngine engine{SessionParts{orders, values, hardware, log, texts, line, replyTimer, scheduler}};

  DialogueRig() {
    engine.SetUpgradeHandler(&upgrade);
    engine.SetView(&view);
  }
  void Receive(const std::string& chunk) { engine.HandleReceived(chunk); }
};

TEST(BootLoaderDialogue, MenuPromptAndConfirmationStartTheTransfer) {
  DialogueRig rig;
  rig.files.Put(testing::kFirmwarePath, std::string(128, 'x'));
  ASSERT_TRUE(rig.upgrade.OpenFirmwareFile(testing::kFirmwarePath));

  rig.Receive("boot v1.2" + kMenu + " ");  // the menu inside a larger chunk
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"F"});
  rig.Receive(kPrompt);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"Y"});
  EXPECT_FALSE(rig.timer.active);
  rig.Receive("Y\r\n");
  EXPECT_EQ(rig.upgrade.XModemState(), 1);
  EXPECT_TRUE(rig.timer.active);
  rig.Receive("C");
  rig.Tick();
  EXPECT_EQ(rig.TakeWritten().size(), 1u);
  rig.Receive(kAck);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{kEot});
  rig.Receive(kFinal);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"R"});
  EXPECT_EQ(rig.engine.LastSent, "Y");  // "R" goes straight to the line
  EXPECT_EQ(rig.upgrade.XModemState(), 0);
  EXPECT_EQ(rig.logView.Count("<info_FwUpOver>"), 1);
}

TEST(BootLoaderDialogue, TheConfirmationCountsOnlyAfterY) {
  DialogueRig rig;
  rig.engine.SendLine("F");
  rig.Receive("Y\r\n");
  EXPECT_EQ(rig.upgrade.XModemState(), 0);
  EXPECT_FALSE(rig.timer.active);
}

TEST(BootLoaderDialogue, DuringTheTransferEveryChunkGoesToTheUpgrade) {
  DialogueRig rig;
  rig.files.Put(testing::kFirmwarePath, std::string(300, 'x'));
  rig.upgrade.OpenFirmwareFile(testing::kFirmwarePath);
  rig.Receive(kMenu);
  rig.Receive(kPrompt);
  rig.Receive("Y\r\n");
  rig.TakeWritten();
  rig.Receive("C");
  rig.Tick();
  rig.Receive(kAck);
  rig.Receive(kAck);
  const auto written = rig.TakeWritten();
  ASSERT_EQ(written.size(), 3u);
  EXPECT_EQ(written[2][1], '\x03');
  // Nothing of it reached the engine's own handling: no reply timer, no log lines of chunks.
  EXPECT_FALSE(rig.replyTimer.Active());
  EXPECT_EQ(rig.log.ReceivedCount(), kMenu.size() + kPrompt.size() + 3);
  // Two replies in one chunk end the transfer; the engine has the line again.
  rig.Receive(kAck + kAck);
  EXPECT_EQ(rig.upgrade.XModemState(), 0);
  rig.Receive("\r\nOK\r\n\r\n");
  EXPECT_EQ(rig.logView.Count("<info_DoOver>"), 1);
}

// Nothing armed, nothing answered: the boot loader waits at its menu and the
// user is told once, however often the menu comes.
TEST(BootLoaderDialogue, WithNothingArmedTheMenuIsNotAnsweredAndToldOnce) {
  DialogueRig rig;
  rig.Receive(kMenu);
  rig.Receive(kMenu);
  rig.Advance(5000);
  EXPECT_TRUE(rig.TakeWritten().empty());
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Sent), std::vector<std::string>{});
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning), std::vector<std::string>{"<info_FwBootNotArmed>"});
  EXPECT_EQ(rig.logView.Count(kMenu), 2);  // what came is still shown
  EXPECT_EQ(rig.logView.Count("<info_AbsentFwFlie>"), 0);
}

TEST(BootLoaderDialogue, AFileRefusedArmsNothingAndTheMenuIsNotAnswered) {
  DialogueRig rig;
  rig.files.Put(testing::kFirmwarePath, "");
  EXPECT_FALSE(rig.upgrade.OpenFirmwareFile(testing::kFirmwarePath));
  rig.Receive(kMenu);
  rig.engine.LastSent = "F";  // even a prompt after an "F" sent by hand
  rig.Receive(kPrompt);
  rig.Receive("Y\r\n");
  rig.Receive("C");
  rig.Advance(100);
  EXPECT_TRUE(rig.TakeWritten().empty());
  EXPECT_EQ(rig.upgrade.XModemState(), 0);
}

TEST(BootLoaderDialogue, DisarmedBetweenMenuAndPromptTheUpdateIsNotConfirmed) {
  DialogueRig rig;
  rig.files.Put(testing::kFirmwarePath, std::string(300, 'x'));
  ASSERT_TRUE(rig.upgrade.OpenFirmwareFile(testing::kFirmwarePath));
  rig.Receive(kMenu);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"F"});
  rig.upgrade.Disarm();
  rig.Receive(kPrompt);
  EXPECT_TRUE(rig.TakeWritten().empty());
  EXPECT_EQ(rig.upgrade.XModemState(), 0);
}

}  // namespace
}  // namespace t418
