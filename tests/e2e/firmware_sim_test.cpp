// A firmware upgrade through the session engine and the real serial component
// against the simulator's boot loader.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "firmware/firmware_upgrade.h"
#include "lang/lang_list.h"
#include "lang/text_catalogue.h"
#include "log_fakes.h"
#include "firmware/loop_tick_timer.h"
#include "loop/poll_loop.h"
#include "serial/comm.h"
#include "serial/serial_port.h"
#include "session/session_engine.h"
#include "sim_process.h"
#include "temp_folder.h"
#include "text/gbk.h"

namespace t418 {
namespace {

using testing::SimProcess;
using namespace std::chrono_literals;

std::string RandomBytes(std::size_t size) {
  std::mt19937 random(static_cast<unsigned>(size));
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

class UpgradeAgainstSimulator : public ::testing::Test {
 protected:
  void Start(const std::string& firmware, std::vector<std::string> options = {}) {
    image_ = folder_.path() / "received.bin";
    options.insert(options.end(), {"--bootloader", "--firmware-out", image_.string(), "--name",
                                   SimProcess::UniqueName("fw")});
    sim_ = std::make_unique<SimProcess>(options);
    RegisterDefaultTexts(lang_);
    lang_.UseChinese = true;
    log_.SetView(&view_);
    replyTimer_.SetOnFire([this] { engine_.ReplyTimeout(); });
    tickTimer_.SetOnTick([this] { upgrade_.tmrXModemTxTimer(); });
    port_.OnChunk = [this](const std::string& chunk) { engine_.HandleReceived(chunk); };
    port_.OnHangup = [this] {
      upgrade_.PortLost();
      port_.CloseSerialPort();
    };
    engine_.delayTime = 20;
    engine_.SetUpgradeHandler(&upgrade_);

    testing::WriteBytes(folder_.path() / "T418.bin", firmware);
    ASSERT_TRUE(port_.OpenSerialPort({sim_->Port(), "115200", 0, 1, 0}));
    ASSERT_TRUE(upgrade_.AskForFirmwareFile());
    ASSERT_TRUE(upgrade_.OpenFirmwareFile(folder_.path() / "T418.bin"));
  }
  void TearDown() override {
    port_.OnHangup = nullptr;
    port_.CloseSerialPort();
    if (sim_) sim_->Stop();
  }
  bool Logged(const std::string& utf8) { return view_.Count(Utf8ToGbk(utf8)) > 0; }

  testing::TempFolder folder_;
  std::filesystem::path image_;
  PollLoop loop_;
  LoopTimer replyTimer_{loop_, 1000};
  LoopTickTimer tickTimer_{loop_, FirmwareUpgrade::kTickMs};
  TComm comm_{loop_};
  SerialPort port_{comm_, replyTimer_};
  OrderList orders_;
  ValueList values_;
  HardwareSign hardware_;
  testing::FixedLogClock clock_;
  TrafficLog log_{clock_};
  testing::RecordingLogView view_;
  TLangList lang_{[] { return true; }};
  SessionEngine engine_{SessionParts{orders_, values_, hardware_, log_, lang_, port_, replyTimer_, loop_}};
  SteadyMilliClock milliClock_;
  DiskFirmwareSource files_;
  FirmwareUpgrade upgrade_{UpgradeParts{port_, log_, lang_, tickTimer_, milliClock_, files_}};
  std::unique_ptr<SimProcess> sim_;
};

TEST_F(UpgradeAgainstSimulator, TheBootLoaderReceivesTheFileAndIsRestarted) {
  const std::string firmware = RandomBytes(3000);
  ASSERT_NO_FATAL_FAILURE(Start(firmware, {"--nak-every", "7"}));
  ASSERT_TRUE(loop_.RunUntil([this] { return Logged("固件升级完成"); }, 20s));
  EXPECT_EQ(upgrade_.XModemState(), 0);
  EXPECT_EQ(view_.TextsOf(LogColour::Sent), (std::vector<std::string>{"F", "Y"}));
  EXPECT_TRUE(Logged("-------------------------------"));
  EXPECT_EQ(upgrade_.FirmwareFile(), nullptr);
  EXPECT_TRUE(view_.TextsOf(LogColour::Warning).empty());

  std::string expected = firmware;
  expected.append((128 - firmware.size() % 128) % 128, '\x1A');
  EXPECT_TRUE(testing::ReadBytes(image_) == expected) << testing::ReadBytes(image_).size() << " bytes stored";

  // "R" restarts the terminal: its boot loader echoes the key.
  ASSERT_TRUE(loop_.RunUntil(
      [this] {
        for (const auto& text : view_.TextsOf(LogColour::WindowText))
          if (text.rfind("R\r\n", 0) == 0) return true;
        return false;
      },
      5s));
}

TEST_F(UpgradeAgainstSimulator, APortLostDuringTheTransferStopsItWithAWarning) {
  ASSERT_NO_FATAL_FAILURE(Start(RandomBytes(40000)));
  ASSERT_TRUE(loop_.RunUntil([this] { return upgrade_.BlocksSent() >= 5; }, 15s));
  sim_->Stop();  // the device goes away
  ASSERT_TRUE(loop_.RunUntil([this] { return !view_.TextsOf(LogColour::Warning).empty(); }, 5s));
  const auto warnings = view_.TextsOf(LogColour::Warning);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].rfind(Utf8ToGbk("固件升级已停止，串口已断开: 数据包 "), 0), 0u) << GbkToUtf8(warnings[0]);
  EXPECT_EQ(upgrade_.XModemState(), 0);
  EXPECT_FALSE(tickTimer_.Active());
  EXPECT_NE(upgrade_.FirmwareFile(), nullptr);
}

}  // namespace
}  // namespace t418
