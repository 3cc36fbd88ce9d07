// The session engine's handling of received chunks in each of its states.
// Input: the first byte chooses the state the engine is driven into (idle,
// during a full read, during a full write, after the boot menu, during a
// firmware transfer); the rest is the chunks that arrive, separated by 0xFF
// (a byte GBK text never holds). After each chunk the pause before the next
// line passes; an empty chunk lets the reply timer run out instead.
// Whatever arrives, the engine's position in its order list is never
// negative, the progress it shows never passes its total and the transfer
// stays in one of its states.
#include <cstddef>
#include <cstdint>
#include <string>

#include "firmware/upgrade_fakes.h"
#include "form_rig.h"
#include "fuzz_check.h"

namespace {

using t418::fuzz::Require;
using t418::testing::kFirmwarePath;

enum class Start : std::uint8_t { Idle, FullRead, FullWrite, AfterBootMenu, FirmwareTransfer, kCount };

struct Rig {
  t418::testing::EngineRig engine;
  t418::fuzz::FormRig form;
  t418::testing::FakeTickTimer tickTimer;
  t418::testing::FakeMilliClock milliClock;
  t418::testing::MemoryFirmwareSource files;
  t418::FirmwareUpgrade upgrade{
      t418::UpgradeParts{engine.line, engine.log, engine.texts, tickTimer, milliClock, files}};

  Rig() {
    engine.engine.SetReportConsumer(&form.appliers);
    engine.engine.SetConfigurationBuilder(&form.builder);
    engine.engine.SetUpgradeHandler(&upgrade);
    files.Put(kFirmwarePath, std::string(300, '\x5A'));
  }

  void Receive(std::string_view chunk) { engine.engine.HandleReceived(std::string(chunk)); }
  // Lets time pass for the engine and the packet timer alike.
  void Advance(long ms) {
    for (long passed = 0; passed < ms; passed += 50) {
      engine.Advance(50);
      milliClock.now += 50;
      if (tickTimer.active) upgrade.tmrXModemTxTimer();
    }
  }
};

void DriveTo(Rig& rig, Start start) {
  namespace marker = t418::marker;
  switch (start) {
    case Start::Idle:
      break;
    case Start::FullRead:
      rig.engine.engine.ActionButtonClick(t418::kTagAskAll);
      break;
    case Start::FullWrite:
      rig.engine.engine.ActionButtonClick(t418::kTagSetAll);
      break;
    case Start::AfterBootMenu:
      rig.Receive(marker::kBootMenu);
      break;
    case Start::FirmwareTransfer:
      rig.upgrade.OpenFirmwareFile(kFirmwarePath);
      rig.Receive(marker::kBootMenu);
      rig.Receive(marker::kUpdatePrompt);
      rig.Receive(marker::kUpdateConfirmation);
      Require(rig.upgrade.XModemState() != 0, "the boot loader's confirmation starts the transfer");
      break;
    case Start::kCount:
      break;
  }
  rig.Advance(rig.engine.engine.delayTime + 50);
}

void CheckInvariants(const Rig& rig) {
  const auto& orders = rig.engine.orders;
  Require(orders.OrderIndex >= 0, "the position is never negative");
  for (const auto& [total, done] : rig.engine.view.shown)
    Require(done >= 0 && done <= total, "progress never passes its total");
  const int state = rig.upgrade.XModemState();
  Require(state >= t418::FirmwareUpgrade::kIdle && state <= t418::FirmwareUpgrade::kWaitingForFinalReply,
          "known transfer state");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  t418::fuzz::InputReader input(data, size);
  const auto start = static_cast<Start>(input.Byte() % static_cast<std::uint8_t>(Start::kCount));
  Rig rig;
  DriveTo(rig, start);
  CheckInvariants(rig);

  t418::fuzz::ForEachPiece(input.Rest(), '\xFF', [&](std::string_view chunk) {
    if (chunk.empty()) {
      rig.Advance(rig.engine.timer.Interval() + 100);
    } else {
      rig.Receive(chunk);
      rig.Advance(rig.engine.engine.delayTime + 50);
    }
    CheckInvariants(rig);
  });
  return 0;
}
