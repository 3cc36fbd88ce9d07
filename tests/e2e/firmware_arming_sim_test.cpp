// Arming the firmware against the simulator's boot loader, through a whole
// session and the real serial line: the boot loader gets nothing that was
// not armed, and what was armed is let go when the user or the port says so.
#include <gtest/gtest.h>
#include <signal.h>

#include <memory>
#include <random>

#include "session_rig.h"
#include "text/gbk.h"

namespace t418 {
namespace {

using namespace std::chrono_literals;
using testing::SimProcess;

const std::string kMenu = "\r\n'F': update firmware\r\n'G': run application\r\n'R': restart module\r\n>";

std::string RandomBytes(std::size_t size) {
  std::mt19937 random(static_cast<unsigned>(size));
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

class ArmingListener : public testing::RecordingListener {
 public:
  void FirmwareArmedChanged(bool armed) override { armedChanges.push_back(armed); }
  std::vector<bool> armedChanges;
};

class FirmwareArming : public ::testing::Test {
 protected:
  void SetUp() override {
    image_ = folder_.path() / "received.bin";
    sim_ = std::make_unique<SimProcess>(std::vector<std::string>{
        "--bootloader", "--firmware-out", image_.string(), "--name", SimProcess::UniqueName("arm")});
    rig_.session->SetListener(&listener_);
    rig_.session->portSettings.port = sim_->Port();
  }
  void TearDown() override {
    rig_.session->SetListener(nullptr);
    if (rig_.session->PortOpen()) rig_.session->ClosePort();
    if (sim_) sim_->Stop();
  }

  Session& session() { return *rig_.session; }
  std::size_t Count(const std::vector<std::string>& texts, const std::string& utf8) const {
    return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), Utf8ToGbk(utf8)));
  }
  std::size_t MenusReceived() const { return static_cast<std::size_t>(rig_.logView.Count(kMenu)); }
  bool NoticeLogged() const { return Count(rig_.Warnings(), kNotArmed) > 0; }

  const std::string kNotArmed =
      "模块升级菜单已出现，但未选择固件，不予应答。如需升级，请先选择固件，再按住Reload键给模块重新上电";

  testing::TempFolder folder_;
  std::filesystem::path image_;
  testing::SessionRig rig_;
  ArmingListener listener_;
  std::unique_ptr<SimProcess> sim_;
};

TEST_F(FirmwareArming, AnEmptyFileIsRefusedAndTheBootLoaderGetsNothing) {
  const auto empty = folder_.path() / "empty.bin";
  testing::WriteBytes(empty, "");
  EXPECT_FALSE(session().ArmFirmware(empty));
  EXPECT_FALSE(session().FirmwareArmed());
  EXPECT_TRUE(listener_.armedChanges.empty());
  EXPECT_EQ(rig_.Warnings(),
            std::vector<std::string>{Utf8ToGbk("固件文件为空，已拒绝: " + empty.string() + " (0 Bytes)")});

  ASSERT_TRUE(session().OpenPort());
  ASSERT_TRUE(rig_.loop.RunUntil([this] { return NoticeLogged(); }, 5s));
  rig_.RunFor(1500ms);  // time for the boot loader to print its menu again, and for answers that must not come
  EXPECT_GE(MenusReceived(), 1u);
  EXPECT_TRUE(rig_.Sent().empty());
  EXPECT_EQ(session().Log().SentCount(), 0u);
  EXPECT_EQ(Count(rig_.Warnings(), kNotArmed), 1u);  // once, however often the menu came
  EXPECT_EQ(session().Upgrade().XModemState(), 0);
  EXPECT_FALSE(std::filesystem::exists(image_));
}

TEST_F(FirmwareArming, DisarmingDuringTheTransferCancelsItAndTheMenuThatFollowsIsNotAnswered) {
  const auto file = folder_.path() / "T418.bin";
  testing::WriteBytes(file, RandomBytes(40000));
  ASSERT_TRUE(session().ArmFirmware(file));
  EXPECT_EQ(listener_.armedChanges, std::vector<bool>{true});
  ASSERT_TRUE(session().OpenPort());
  ASSERT_TRUE(rig_.loop.RunUntil([this] { return session().Upgrade().BlocksSent() >= 5; }, 15s));
  const std::size_t menusBefore = MenusReceived();

  session().DisarmFirmware();
  EXPECT_FALSE(session().FirmwareArmed());
  EXPECT_EQ(listener_.armedChanges, (std::vector<bool>{true, false}));
  EXPECT_EQ(session().Upgrade().XModemState(), 0);
  ASSERT_EQ(rig_.Warnings().size(), 1u);
  EXPECT_EQ(rig_.Warnings()[0].rfind(Utf8ToGbk("固件升级已停止，固件已取消: 数据包 "), 0), 0u)
      << GbkToUtf8(rig_.Warnings()[0]);
  EXPECT_EQ(Count(rig_.Infos(), "固件已取消: T418.bin，不再应答模块升级菜单"), 1u);

  // The boot loader took the cancel: back at its menu, which is left unanswered.
  ASSERT_TRUE(rig_.loop.RunUntil([&] { return MenusReceived() > menusBefore && NoticeLogged(); }, 5s));
  rig_.RunFor(500ms);
  EXPECT_EQ(rig_.Sent(), (std::vector<std::string>{"F", "Y"}));
  EXPECT_FALSE(std::filesystem::exists(image_));
}

TEST_F(FirmwareArming, ClosingThePortDisarmsSoTheNextBootLoaderIsNotAnswered) {
  const auto file = folder_.path() / "T418.bin";
  testing::WriteBytes(file, RandomBytes(40000));
  ASSERT_TRUE(session().ArmFirmware(file));
  ASSERT_TRUE(session().OpenPort());
  ASSERT_TRUE(rig_.loop.RunUntil([this] { return session().Upgrade().BlocksSent() >= 5; }, 15s));

  session().ClosePort();
  EXPECT_FALSE(session().FirmwareArmed());
  EXPECT_EQ(listener_.armedChanges, (std::vector<bool>{true, false}));
  EXPECT_EQ(session().Upgrade().XModemState(), 0);
  EXPECT_FALSE(session().Upgrade().FirmwareFile());
  ASSERT_EQ(rig_.Warnings().size(), 1u);
  EXPECT_EQ(rig_.Warnings()[0].rfind(Utf8ToGbk("固件升级已停止，固件已取消: 数据包 "), 0), 0u)
      << GbkToUtf8(rig_.Warnings()[0]);

  // The terminal restarts into its boot loader (Reload held) and the port is opened again.
  ASSERT_TRUE(sim_->Signal("USR1"));
  rig_.RunFor(300ms);
  const std::size_t menusBefore = MenusReceived();
  ASSERT_TRUE(session().OpenPort());
  ASSERT_TRUE(rig_.loop.RunUntil([&] { return MenusReceived() > menusBefore && NoticeLogged(); }, 5s));
  rig_.RunFor(1500ms);
  EXPECT_EQ(rig_.Sent(), (std::vector<std::string>{"F", "Y"}));  // those of the first opening only
  EXPECT_EQ(session().Upgrade().XModemState(), 0);
  EXPECT_FALSE(std::filesystem::exists(image_));
}

}  // namespace
}  // namespace t418
