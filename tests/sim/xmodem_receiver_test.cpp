// The boot loader and its XModem receiver, driven without a pseudo-terminal.
#include "t418-sim/xmodem_receiver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "firmware/xmodem_crc.h"
#include "t418-sim/boot_loader.h"

namespace t418::sim {
namespace {

const std::string kAckByte(1, kAck);
const std::string kNakByte(1, kNak);

// 128 data bytes that tell packets apart.
std::string Data(int seed, std::size_t size = 128) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    data[i] = static_cast<char>((seed * 31 + static_cast<int>(i) * 7) & 0xFF);
  return data;
}

std::string Packet(std::uint8_t block, const std::string& data) {
  std::string packet;
  packet += data.size() == 1024 ? kStx : kSoh;
  packet += static_cast<char>(block);
  packet += static_cast<char>(255 - block);
  packet += data;
  const std::uint16_t crc =
      XModemCrc16(reinterpret_cast<const std::uint8_t*>(data.data()), 0, data.size());
  packet += static_cast<char>(crc >> 8);
  packet += static_cast<char>(crc & 0xFF);
  return packet;
}

class XModemReceiverTest : public ::testing::Test {
 protected:
  void SetUp() override { rx_.Start(0); }
  XModemReceiver rx_;
};

TEST_F(XModemReceiverTest, StoresGoodPacketsAndEndsWithTheFourByteReply) {
  EXPECT_EQ(rx_.Feed(Packet(1, Data(1)), 10), kAckByte);
  EXPECT_EQ(rx_.Feed(Packet(2, Data(2)), 20), kAckByte);
  const std::string end = rx_.Feed(std::string(1, kEot), 30);
  EXPECT_EQ(end, std::string("\x06\x0D\x0A\x3E", 4));
  EXPECT_EQ(rx_.status(), XModemReceiver::Status::Done);
  EXPECT_EQ(rx_.image(), Data(1) + Data(2));
  EXPECT_EQ(rx_.packetsStored(), 2);
  EXPECT_EQ(rx_.Feed(Packet(3, Data(3)), 40), "") << "nothing is taken after the end";
}

TEST_F(XModemReceiverTest, BadCheckValueOrComplementIsAnsweredNakAndNotStored) {
  std::string badCrc = Packet(1, Data(1));
  badCrc.back() = static_cast<char>(badCrc.back() ^ 0x01);
  EXPECT_EQ(rx_.Feed(badCrc, 10), kNakByte);
  std::string badData = Packet(1, Data(1));
  badData[50] = static_cast<char>(badData[50] ^ 0x80);
  EXPECT_EQ(rx_.Feed(badData, 20), kNakByte);
  std::string badComplement = Packet(1, Data(1));
  badComplement[2] = static_cast<char>(0xFF);
  EXPECT_EQ(rx_.Feed(badComplement, 30), kNakByte);
  EXPECT_TRUE(rx_.image().empty());

  EXPECT_EQ(rx_.Feed(Packet(1, Data(1)), 40), kAckByte);
  EXPECT_EQ(rx_.image(), Data(1));
}

TEST_F(XModemReceiverTest, RepeatedPacketIsAcknowledgedButStoredOnce) {
  EXPECT_EQ(rx_.Feed(Packet(1, Data(1)), 10), kAckByte);
  EXPECT_EQ(rx_.Feed(Packet(1, Data(1)), 20), kAckByte);
  EXPECT_EQ(rx_.Feed(Packet(2, Data(2)), 30), kAckByte);
  EXPECT_EQ(rx_.Feed(Packet(2, Data(2)), 40), kAckByte);
  EXPECT_EQ(rx_.image(), Data(1) + Data(2));
}

TEST_F(XModemReceiverTest, BlockOutOfStepAbortsWithTwoCans) {
  EXPECT_EQ(rx_.Feed(Packet(1, Data(1)), 10), kAckByte);
  EXPECT_EQ(rx_.Feed(Packet(3, Data(3)), 20), std::string(2, kCan));
  EXPECT_EQ(rx_.status(), XModemReceiver::Status::Aborted);

  XModemReceiver first;
  first.Start(0);
  EXPECT_EQ(first.Feed(Packet(0, Data(0)), 10), std::string(2, kCan))
      << "the first packet is number 1";
}

TEST_F(XModemReceiverTest, PacketMayArriveInPiecesAndAStalledOneIsDropped) {
  // A slow line: the packet takes longer than a second, but its bytes keep coming.
  const std::string packet = Packet(1, Data(1));
  EXPECT_EQ(rx_.Feed(packet.substr(0, 1), 100), "");
  EXPECT_EQ(rx_.Tick(1000), "");
  EXPECT_EQ(rx_.Feed(packet.substr(1, 70), 1050), "");
  EXPECT_EQ(rx_.Tick(2000), "");
  EXPECT_EQ(rx_.Feed(packet.substr(71), 2000), kAckByte);

  const std::string second = Packet(2, Data(2));
  EXPECT_EQ(rx_.Feed(second.substr(0, 60), 2300), "");
  EXPECT_EQ(rx_.NextDeadline(), 3300);
  EXPECT_EQ(rx_.Tick(3299), "");
  EXPECT_EQ(rx_.Tick(3300), kNakByte);  // a second without the rest
  EXPECT_EQ(rx_.Feed(second, 3400), kAckByte);
  EXPECT_EQ(rx_.image(), Data(1) + Data(2));
}

TEST_F(XModemReceiverTest, AsksWithCOnceASecondUntilTheFirstPacket) {
  EXPECT_EQ(rx_.Tick(500), "");
  EXPECT_EQ(rx_.Tick(1000), "C");
  EXPECT_EQ(rx_.Tick(1500), "");
  EXPECT_EQ(rx_.NextDeadline(), 2000);
  EXPECT_EQ(rx_.Tick(2000), "C");
  EXPECT_EQ(rx_.Feed(Packet(1, Data(1)), 2100), kAckByte);
  EXPECT_EQ(rx_.Tick(5000), "");
  EXPECT_FALSE(rx_.NextDeadline().has_value());
}

TEST_F(XModemReceiverTest, TwoCansInARowAbortOneDoesNot) {
  EXPECT_EQ(rx_.Feed(Packet(1, Data(1)), 10), kAckByte);
  EXPECT_EQ(rx_.Feed(std::string(1, kCan), 20), "");
  EXPECT_EQ(rx_.Feed(Packet(2, Data(2)), 30), kAckByte);
  EXPECT_EQ(rx_.status(), XModemReceiver::Status::Receiving);
  EXPECT_EQ(rx_.Feed(std::string(2, kCan), 40), "");
  EXPECT_EQ(rx_.status(), XModemReceiver::Status::Aborted);
}

TEST_F(XModemReceiverTest, BlockNumbersWrapAfter255AndLongPacketsAreTaken) {
  std::string expected;
  for (int n = 1; n <= 300; ++n) {
    ASSERT_EQ(rx_.Feed(Packet(static_cast<std::uint8_t>(n & 0xFF), Data(n)), n), kAckByte) << n;
    expected += Data(n);
  }
  EXPECT_EQ(rx_.Feed(Packet(301 & 0xFF, Data(301, 1024)), 400), kAckByte);
  expected += Data(301, 1024);
  EXPECT_EQ(rx_.image(), expected);
}

TEST(XModemNakEveryTest, FirstArrivalOfEveryNthPacketIsRefusedOnce) {
  XModemReceiver rx(3);
  rx.Start(0);
  std::string replies;
  for (int n = 1; n <= 6; ++n) {
    const std::string packet = Packet(static_cast<std::uint8_t>(n), Data(n));
    std::string reply = rx.Feed(packet, n * 10);
    replies += reply == kNakByte ? 'N' : reply == kAckByte ? 'A' : '?';
    if (reply == kNakByte) replies += rx.Feed(packet, n * 10 + 5) == kAckByte ? 'A' : '?';
  }
  EXPECT_EQ(replies, "AANAAANA");
  EXPECT_EQ(rx.packetsStored(), 6);
}

TEST(XModemAnswerCTest, EveryPacketIsAnsweredCAndNothingIsStored) {
  BootLoader loader(0, true);
  loader.Enter();
  loader.Receive("F", 0);
  ASSERT_EQ(loader.Receive("Y", 0).reply, kUpdateConfirmation);
  std::string replies;
  for (int n = 1; n <= 3; ++n) replies += loader.Receive(Packet(static_cast<std::uint8_t>(n), Data(n)), n * 10).reply;
  // A packet with a broken check value too.
  std::string broken = Packet(1, Data(9));
  broken.back() = static_cast<char>(broken.back() ^ 1);
  replies += loader.Receive(broken, 50).reply;
  EXPECT_EQ(replies, "CCCC");
  EXPECT_EQ(loader.receiver().packetsStored(), 0);
  EXPECT_EQ(loader.state(), BootLoader::State::Transfer);
}

TEST(BootLoaderTest, MenuPromptTransferAndRestart) {
  BootLoader loader;
  std::string image;
  loader.onImage = [&](const std::string& received) { image = received; };
  EXPECT_EQ(loader.Enter(),
            "\r\n'F': update firmware\r\n'G': run application\r\n'R': restart module\r\n>");

  auto result = loader.Receive("F", 0);
  EXPECT_EQ(result.reply, "F\r\nSure to update, 'Y' or 'N'\r\n>");
  result = loader.Receive("Y", 10);
  EXPECT_EQ(result.reply, "Y\r\n");
  EXPECT_EQ(loader.state(), BootLoader::State::Transfer);
  EXPECT_EQ(loader.Tick(1010), "C");

  EXPECT_EQ(loader.Receive(Packet(1, Data(1)), 1100).reply, kAckByte);
  EXPECT_EQ(loader.Receive(std::string(1, kEot), 1200).reply, std::string("\x06\r\n>", 4));
  EXPECT_EQ(image, Data(1));
  EXPECT_EQ(loader.state(), BootLoader::State::Menu);

  result = loader.Receive("R", 1300);
  EXPECT_EQ(result.reply, "R\r\n");
  EXPECT_EQ(result.exit, BootLoader::Exit::Restart);
  loader.Enter();
  EXPECT_EQ(loader.Receive("G", 0).exit, BootLoader::Exit::RunApplication);
}

TEST(BootLoaderTest, NoAtThePromptAndAnAbortBringBackTheMenu) {
  BootLoader loader;
  loader.Enter();
  loader.Receive("F", 0);
  EXPECT_EQ(loader.Receive("x", 0).reply, "") << "other keys are ignored at the prompt";
  EXPECT_EQ(loader.Receive("N", 0).reply, "N\r\n" + kBootMenu);
  EXPECT_EQ(loader.state(), BootLoader::State::Menu);

  loader.Receive("FY", 0);
  ASSERT_EQ(loader.state(), BootLoader::State::Transfer);
  EXPECT_EQ(loader.Receive(std::string(2, kCan), 100).reply, "");
  EXPECT_EQ(loader.state(), BootLoader::State::Menu);
  EXPECT_EQ(loader.Tick(1099), "");
  EXPECT_EQ(loader.Tick(1100), kBootMenu) << "the menu a second after the abort";
  EXPECT_EQ(loader.Tick(5000), "");
}

}  // namespace
}  // namespace t418::sim
