// The whole simulated terminal on a fake clock: reply latency, the boot menu
// when a program opens the port, and the line pacing of its output.
#include "t418-sim/sim_device.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "t418-sim/line_writer.h"

namespace t418::sim {
namespace {

std::string Joined(const Emissions& out) {
  std::string all;
  for (const auto& e : out) all += e.bytes;
  return all;
}

class SimDeviceTest : public ::testing::Test {
 protected:
  void Make(bool inBootLoader, int latencyMs = 0) {
    config_.Set("E", "OFF");
    device_ = std::make_unique<SimDevice>(terminal_, loader_, latencyMs, inBootLoader);
  }
  SimConfig config_;
  TerminalModel terminal_{config_, TerminalBehaviour{}};
  BootLoader loader_;
  std::unique_ptr<SimDevice> device_;
};

TEST_F(SimDeviceTest, LatencyGoesInFrontOfEachReplyOnly) {
  Make(false, 250);
  Emissions out = device_->Receive("AT+VER?\r\nAT+Z\r\n", 0);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].delayMs, 250);  // the version report
  EXPECT_EQ(out[1].delayMs, 250);  // the OK of the restart
  EXPECT_EQ(out[2].delayMs, 500);  // the start-up message follows the restart time only
}

TEST_F(SimDeviceTest, MenuFollowsAProgramOpeningThePortAfterSettling) {
  Make(true);
  EXPECT_FALSE(device_->NextDeadline().has_value()) << "no menu before anyone listens";
  device_->PortOpened(1000);
  EXPECT_EQ(device_->NextDeadline(), 1000 + SimDevice::kOpenSettleMs);
  EXPECT_TRUE(device_->Tick(1099).empty());
  EXPECT_EQ(Joined(device_->Tick(1100)), kBootMenu);

  // The program purges the line after the menu went out: printed again.
  device_->LinePurged(1150);
  EXPECT_EQ(Joined(device_->Tick(1150 + SimDevice::kAfterPurgeMs)), kBootMenu);

  // Once answered, a purge prints nothing.
  EXPECT_EQ(Joined(device_->Receive("F", 1200)), kUpdatePrompt);
  device_->LinePurged(1300);
  EXPECT_TRUE(device_->Tick(2000).empty());
  // Opening again while the loader is past its menu prints nothing either.
  device_->PortOpened(2100);
  EXPECT_TRUE(device_->Tick(2300).empty());
}

TEST_F(SimDeviceTest, MenuIsNotPrintedWhenTheOpenerHasClosedAgain) {
  Make(true);
  device_->PortOpened(0);
  device_->PortClosed();
  EXPECT_TRUE(device_->Tick(500).empty());
  device_->LinePurged(600);  // the purge of a closing program
  EXPECT_TRUE(device_->Tick(1000).empty());

  // Without a way to see opens, a purge at the unanswered menu prints it.
  device_->SetOpenTracking(false);
  device_->LinePurged(1100);
  EXPECT_EQ(Joined(device_->Tick(1120)), kBootMenu);
}

TEST_F(SimDeviceTest, TerminalIgnoresOpensAndRestartsIntoTheBootLoaderOnRequest) {
  Make(false);
  device_->PortOpened(0);
  EXPECT_TRUE(device_->Tick(1000).empty());

  const Emissions menu = device_->RestartIntoBootLoader();
  ASSERT_EQ(menu.size(), 1u);
  EXPECT_EQ(menu[0].bytes, kBootMenu);
  EXPECT_EQ(menu[0].delayMs, 0);
  EXPECT_TRUE(device_->InBootLoader());

  // "R" leaves it: the terminal starts and answers commands again.
  const Emissions restart = device_->Receive("R", 2000);
  ASSERT_EQ(restart.size(), 2u);
  EXPECT_EQ(restart[0].bytes, "R\r\n");
  EXPECT_EQ(restart[1].bytes, "\r\n[ZAV-T418]\r\n");
  EXPECT_FALSE(device_->InBootLoader());
  EXPECT_EQ(Joined(device_->Receive("AT+WKMOD?\r\n", 3000)), "\r\n+WKMOD:NET\r\n\r\nOK\r\n\r\n");
}

TEST_F(SimDeviceTest, TransferRequestsComeFromTicks) {
  Make(true);
  device_->Receive("F", 0);
  EXPECT_EQ(Joined(device_->Receive("Y", 100)), kUpdateConfirmation);
  EXPECT_EQ(device_->NextDeadline(), 1100);
  const Emissions c = device_->Tick(1100);
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].bytes, "C");
  EXPECT_FALSE(c[0].reply);
}

// A sink that records each write and may refuse bytes.
struct RecordingSink {
  std::vector<std::pair<Micros, std::string>> writes;
  Micros* clock = nullptr;
  long room = -1;  // -1: unlimited
  long Write(const char* bytes, std::size_t n) {
    std::size_t take = room < 0 ? n : std::min<std::size_t>(n, static_cast<std::size_t>(room));
    if (take == 0) return 0;
    writes.emplace_back(*clock, std::string(bytes, take));
    if (room >= 0) room -= static_cast<long>(take);
    return static_cast<long>(take);
  }
  std::string All() const {
    std::string all;
    for (const auto& w : writes) all += w.second;
    return all;
  }
};

TEST(LineWriterTest, UnpacedPiecesGoOutWholeAfterTheirPauses) {
  Micros now = 0;
  RecordingSink sink{{}, &now};
  LineWriter writer([&](const char* b, std::size_t n) { return sink.Write(b, n); }, 0);
  writer.Push({0, "first", true}, now);
  writer.Push({300, "second", false}, now);
  writer.Pump(now);
  ASSERT_EQ(sink.writes.size(), 1u);
  EXPECT_EQ(sink.writes[0].second, "first");
  EXPECT_EQ(writer.NextWake(now), 300'000);
  now = 299'999;
  writer.Pump(now);
  EXPECT_EQ(sink.writes.size(), 1u);
  now = 300'000;
  writer.Pump(now);
  ASSERT_EQ(sink.writes.size(), 2u);
  EXPECT_EQ(sink.writes[1].second, "second");
  EXPECT_TRUE(writer.Idle());
}

TEST(LineWriterTest, PacedOutputTakesTenBitsPerByte) {
  Micros now = 0;
  RecordingSink sink{{}, &now};
  LineWriter writer([&](const char* b, std::size_t n) { return sink.Write(b, n); }, 9600);
  const std::string reply(96, 'x');  // 100 ms at 9600 baud
  writer.Push({0, reply, true}, now);
  writer.Push({300, "tail", false}, now);
  writer.Pump(now);
  EXPECT_EQ(sink.All().size(), 1u);
  now = 50'000;
  writer.Pump(now);
  EXPECT_EQ(sink.All().size(), 48u);  // a byte each 1042 us: those begun by 50 ms
  now = 99'000;
  writer.Pump(now);
  EXPECT_EQ(sink.All().size(), 96u);
  // The pause counts from the moment the last byte has left the line (96 x 1042 us).
  const Micros lineFree = 96 * 1042;
  EXPECT_EQ(writer.NextWake(now), lineFree + 300'000);
  now = lineFree + 299'999;
  writer.Pump(now);
  EXPECT_EQ(sink.All().size(), 96u);
  now = lineFree + 300'000 + 3 * 1042;
  writer.Pump(now);
  EXPECT_EQ(sink.All(), reply + "tail");
}

TEST(LineWriterTest, FullLineWaitsForRoomAndLosesNothing) {
  Micros now = 0;
  RecordingSink sink{{}, &now, 3};
  LineWriter writer([&](const char* b, std::size_t n) { return sink.Write(b, n); }, 0);
  writer.Push({0, "abcdefgh", true}, now);
  writer.Pump(now);
  EXPECT_TRUE(writer.WaitingForRoom());
  EXPECT_FALSE(writer.NextWake(now).has_value());
  writer.Pump(now);
  EXPECT_TRUE(writer.WaitingForRoom());
  sink.room = -1;
  writer.Pump(now);
  EXPECT_FALSE(writer.WaitingForRoom());
  EXPECT_EQ(sink.All(), "abcdefgh");
  writer.Push({0, "gone", true}, now);
  writer.Clear();
  writer.Pump(now);
  EXPECT_EQ(sink.All(), "abcdefgh");
}

}  // namespace
}  // namespace t418::sim
