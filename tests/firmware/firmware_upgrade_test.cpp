// The XModem sender and the firmware-file command, driven byte by byte with fakes.
#include <gtest/gtest.h>

#include "gbk_texts.h"
#include "lang/lang_list.h"
#include "lang/text_catalogue.h"
#include "upgrade_fakes.h"

namespace t418 {
namespace {

using testing::kAck;
using testing::kEot;
using testing::kFinal;
using testing::kFirmwarePath;
using testing::kNak;
using testing::UpgradeRig;

// CRC-16/XMODEM, written out bit by bit apart from the one the sender uses.
std::uint16_t ReferenceCrc(std::string_view data) {
  std::uint16_t crc = 0;
  for (unsigned char byte : data) {
    for (int bit = 7; bit >= 0; --bit) {
      const bool feedback = ((crc >> 15) & 1) != (((byte >> bit) & 1) != 0);
      crc = static_cast<std::uint16_t>(crc << 1);
      if (feedback) crc ^= 0x1021;
    }
  }
  return crc;
}

// What a receiver must see for one packet: the framing checked field by field.
void ExpectPacket(const std::string& packet, std::uint8_t blockNo, const std::string& data) {
  ASSERT_EQ(packet.size(), 133u);
  EXPECT_EQ(packet[0], '\x01');
  EXPECT_EQ(static_cast<std::uint8_t>(packet[1]), blockNo);
  EXPECT_EQ(static_cast<std::uint8_t>(packet[2]), 255 - blockNo);
  EXPECT_EQ(packet.substr(3, 128), data);
  const std::uint16_t crc = ReferenceCrc(data);
  EXPECT_EQ(static_cast<std::uint8_t>(packet[131]), crc >> 8);
  EXPECT_EQ(static_cast<std::uint8_t>(packet[132]), crc & 0xFF);
}

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return bytes;
}

std::vector<std::string> Packets(const std::vector<std::string>& written) {
  std::vector<std::string> packets;
  for (const auto& w : written)
    if (w.size() == 133) packets.push_back(w);
  return packets;
}

TEST(XModemPacket, TheZeroPacketNumberedOneIsAsOnTheWire) {
  std::string expected = "\x01\x01\xFE";
  expected += std::string(128, '\0');
  expected += std::string(2, '\0');
  EXPECT_EQ(xmodem::BuildPacket(1, std::string(128, '\0')), expected);
}

TEST(XModemPacket, AShortPieceIsFilledWith1A) {
  const std::string piece = "firmware";
  const std::string packet = xmodem::BuildPacket(0, piece);
  ExpectPacket(packet, 0, piece + std::string(120, '\x1A'));
}

TEST(Transfer, A256ByteFileIsTwoPacketsAndEotWithThreeParts) {
  UpgradeRig rig;
  const std::string firmware = Pattern(256);
  rig.Ready(firmware);
  const auto written = rig.SendWholeFile();
  ASSERT_EQ(written.size(), 3u);
  ExpectPacket(written[0], 1, firmware.substr(0, 128));
  ExpectPacket(written[1], 2, firmware.substr(128));
  EXPECT_EQ(written[2], kEot);
  EXPECT_EQ(rig.upgrade.BlockTotal(), 3);
  EXPECT_EQ(rig.view.shown, (std::vector<std::pair<int, int>>{{3, 0}, {3, 1}, {3, 2}}));
  EXPECT_EQ(rig.upgrade.XModemState(), 4);
}

TEST(Transfer, A300ByteFileEndsWith44BytesAnd84Fills) {
  UpgradeRig rig;
  const std::string firmware = Pattern(300);
  rig.Ready(firmware);
  const auto written = rig.SendWholeFile();
  ASSERT_EQ(written.size(), 4u);
  ExpectPacket(written[0], 1, firmware.substr(0, 128));
  ExpectPacket(written[1], 2, firmware.substr(128, 128));
  ExpectPacket(written[2], 3, firmware.substr(256, 44) + std::string(84, '\x1A'));
  EXPECT_EQ(written[3], kEot);
  EXPECT_EQ(rig.upgrade.BlockTotal(), 3);
}

TEST(Transfer, AFileOfOnePacketIsOnePacketAndEotWithTwoParts) {
  UpgradeRig rig;
  const std::string firmware = Pattern(128);
  rig.Ready(firmware);
  const auto written = rig.SendWholeFile();
  ASSERT_EQ(written.size(), 2u);
  ExpectPacket(written[0], 1, firmware);
  EXPECT_EQ(written[1], kEot);
  EXPECT_EQ(rig.upgrade.BlockTotal(), 2);
}

TEST(Transfer, BlockNumbersWrapFrom255To0) {
  UpgradeRig rig;
  const std::string firmware = Pattern(40000);
  rig.Ready(firmware);
  const auto packets = Packets(rig.SendWholeFile());
  ASSERT_EQ(packets.size(), 313u);
  for (std::size_t i = 0; i < packets.size(); ++i)
    ASSERT_EQ(static_cast<std::uint8_t>(packets[i][1]), (i + 1) % 256) << i;
  EXPECT_EQ(static_cast<std::uint8_t>(packets[255][1]), 0);
  EXPECT_EQ(static_cast<std::uint8_t>(packets.back()[1]), 57);
  ExpectPacket(packets[256], 1, firmware.substr(256 * 128, 128));
  ExpectPacket(packets.back(), 57, firmware.substr(312 * 128) + std::string(128 - 40000 % 128, '\x1A'));
  EXPECT_EQ(rig.upgrade.BlockTotal(), 313);
}

TEST(Transfer, TheFirstPacketWaitsForTheTickAndTheNextGoesOutWithItsAck) {
  UpgradeRig rig;
  rig.Ready(Pattern(1000));
  EXPECT_EQ(rig.upgrade.XModemState(), 1);
  EXPECT_TRUE(rig.timer.active);
  rig.Reply("C");
  EXPECT_EQ(rig.upgrade.XModemState(), 2);
  EXPECT_TRUE(rig.TakeWritten().empty());
  rig.Tick();
  EXPECT_EQ(rig.TakeWritten().size(), 1u);
  EXPECT_EQ(rig.upgrade.XModemState(), 3);
  rig.Advance(100);  // the tick sends nothing while a packet is outstanding
  EXPECT_TRUE(rig.TakeWritten().empty());
  rig.Reply(kAck);  // no tick needed
  const auto next = rig.TakeWritten();
  ASSERT_EQ(next.size(), 1u);
  EXPECT_EQ(next[0][1], '\x02');
  EXPECT_EQ(rig.upgrade.XModemState(), 3);
}

TEST(Transfer, ANakRepeatsTheSamePacketOnTheNextTick) {
  UpgradeRig rig;
  rig.Ready(Pattern(1000));
  rig.Reply("C");
  rig.Tick();
  for (int i = 0; i < 4; ++i) rig.Reply(kAck);
  const auto fifth = rig.TakeWritten().back();
  ASSERT_EQ(fifth[1], '\x05');
  rig.Reply(kNak);
  EXPECT_EQ(rig.upgrade.XModemState(), 2);
  EXPECT_TRUE(rig.TakeWritten().empty());  // a refused packet waits for the tick
  rig.Tick();
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{fifth});
  EXPECT_EQ(rig.upgrade.BlockNo(), 5);
  EXPECT_EQ(rig.upgrade.BlocksSent(), 5);
  rig.Reply(kAck);
  EXPECT_EQ(rig.TakeWritten().back()[1], '\x06');
}

TEST(Transfer, ANakAfterEotSendsEotAgain) {
  UpgradeRig rig;
  rig.Ready(Pattern(200));
  rig.SendWholeFile();
  rig.Reply(kNak);
  EXPECT_EQ(rig.upgrade.XModemState(), 2);
  rig.Tick();
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{kEot});
  EXPECT_EQ(rig.upgrade.XModemState(), 4);
}

TEST(Transfer, AnAckInTheWrongStateChangesNothing) {
  {
    SCOPED_TRACE("state 2: after C, before the first tick");
    UpgradeRig rig;
    rig.Ready(Pattern(1000));
    rig.Reply("C");
    rig.Reply(kAck);
    EXPECT_EQ(rig.upgrade.XModemState(), 2);
    EXPECT_EQ(rig.upgrade.BlockNo(), 1);
    EXPECT_EQ(rig.upgrade.BlocksSent(), 1);
    EXPECT_TRUE(rig.TakeWritten().empty());
    rig.Tick();
    EXPECT_EQ(rig.TakeWritten().at(0)[1], '\x01');
  }
  {
    SCOPED_TRACE("state 4: after EOT");
    UpgradeRig rig;
    rig.Ready(Pattern(200));
    rig.SendWholeFile();
    const int blocks = rig.upgrade.BlocksSent();
    rig.Reply(kAck);
    rig.Advance(50);
    EXPECT_EQ(rig.upgrade.XModemState(), 4);
    EXPECT_EQ(rig.upgrade.BlocksSent(), blocks);
    EXPECT_TRUE(rig.TakeWritten().empty());
  }
  {
    SCOPED_TRACE("state 1: before C");
    UpgradeRig rig;
    rig.Ready(Pattern(200));
    rig.Reply(kAck);
    rig.Tick();
    EXPECT_EQ(rig.upgrade.XModemState(), 1);
    EXPECT_TRUE(rig.TakeWritten().empty());
  }
}

TEST(Transfer, ANakBeforeTheStartIsNotAStart) {
  UpgradeRig rig;
  rig.Ready(Pattern(200));
  rig.Reply(kNak);
  rig.Advance(50);
  EXPECT_EQ(rig.upgrade.XModemState(), 1);
  EXPECT_TRUE(rig.TakeWritten().empty());
}

TEST(Transfer, CInTheMiddleStartsOverFromTheFirstPacket) {
  UpgradeRig rig;
  const std::string firmware = Pattern(1000);
  rig.Ready(firmware);
  rig.Reply("C");
  rig.Tick();
  rig.Reply(kAck);
  rig.Reply(kAck);
  rig.TakeWritten();
  rig.view.shown.clear();
  rig.Reply("C");
  EXPECT_EQ(rig.upgrade.BlockNo(), 1);
  EXPECT_EQ(rig.upgrade.BlocksSent(), 1);
  EXPECT_EQ(rig.view.shown, (std::vector<std::pair<int, int>>{{8, 0}}));
  rig.Tick();
  const auto again = rig.TakeWritten();
  ASSERT_EQ(again.size(), 1u);
  ExpectPacket(again[0], 1, firmware.substr(0, 128));
}

TEST(Transfer, TheConfirmationStartsNothingWhileNoFileIsArmed) {
  UpgradeRig rig;
  rig.upgrade.StartTransfer();
  EXPECT_EQ(rig.upgrade.XModemState(), 0);
  EXPECT_FALSE(rig.timer.active);
  rig.Advance(50);
  EXPECT_TRUE(rig.TakeWritten().empty());
  EXPECT_TRUE(rig.logView.entries.empty());
}

TEST(Transfer, TheFileIsReadAsItIsWhenTheBootLoaderAsks) {
  UpgradeRig rig;
  rig.Ready(Pattern(200));
  rig.files.At(kFirmwarePath).bytes = Pattern(300);  // rebuilt after it was chosen
  rig.Reply("C");
  EXPECT_EQ(rig.upgrade.BlockTotal(), 3);
}

TEST(Transfer, AnUnreadableFileIsNotSent) {
  UpgradeRig rig;
  rig.Ready(Pattern(200));
  rig.files.At(kFirmwarePath).readable = false;
  rig.Reply("C");
  rig.Tick();
  EXPECT_EQ(rig.upgrade.XModemState(), 1);
  EXPECT_TRUE(rig.TakeWritten().empty());
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning),
            std::vector<std::string>{"<info_FwFileUnreadable>: " + kFirmwarePath});
}

TEST(Transfer, AChunkOfAnotherLengthStopsWithoutAMessage) {
  for (const std::string& chunk : {std::string("\x06\x06"), std::string("\r\n>"), std::string("Hello"),
                                  std::string()}) {
    UpgradeRig rig;
    rig.Ready(Pattern(1000));
    rig.Reply("C");
    rig.Tick();
    const auto logged = rig.logView.entries.size();
    rig.Reply(chunk);
    EXPECT_EQ(rig.upgrade.XModemState(), 0);
    EXPECT_EQ(rig.logView.entries.size(), logged);
    EXPECT_EQ(rig.view.hidden, 0);        // the progress bar stays as it was
    EXPECT_TRUE(rig.timer.active);         // the timer stays on, idle
    EXPECT_NE(rig.upgrade.FirmwareFile(), nullptr);
    rig.Advance(50);
    EXPECT_EQ(rig.TakeWritten().size(), 1u);  // only the first packet went out

    // After the boot-loader dialogue the next "C" starts over.
    rig.upgrade.StartTransfer();
    rig.Reply("C");
    rig.Tick();
    const auto again = rig.TakeWritten();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0][1], '\x01');
  }
}

TEST(Transfer, OtherSingleBytesAndOtherFourByteChunksAreIgnored) {
  UpgradeRig rig;
  rig.Ready(Pattern(1000));
  rig.Reply("C");
  rig.Tick();
  rig.TakeWritten();
  rig.Reply("x");
  rig.Reply(std::string("\x06\r\n?", 4));
  EXPECT_EQ(rig.upgrade.XModemState(), 3);
  rig.Advance(30);
  EXPECT_TRUE(rig.TakeWritten().empty());
}

TEST(Finish, TheFinalReplyLogsSuccessAndTimeAndSendsR) {
  UpgradeRig rig;
  rig.clock.now = 1'000'000;
  rig.Ready(Pattern(300));
  rig.SendWholeFile();
  rig.TakeWritten();
  rig.logView.entries.clear();
  rig.clock.now = 1'000'000 + 37'999;
  rig.Reply(kFinal);
  EXPECT_EQ(rig.upgrade.XModemState(), 0);
  EXPECT_EQ(rig.upgrade.BlockNo(), 0);
  EXPECT_EQ(rig.upgrade.BlocksSent(), 0);
  EXPECT_EQ(rig.view.hidden, 1);
  EXPECT_FALSE(rig.timer.active);
  EXPECT_EQ(rig.upgrade.FirmwareFile(), nullptr);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"R"});
  const auto entries = rig.logView.TextEntries();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].text, "<info_FwUpOver>");
  EXPECT_EQ(entries[1].text, "<info_FwUpTime>37");
  EXPECT_EQ(entries[2].text, "-------------------------------");
  EXPECT_EQ(entries[3].text, kFinal);
  EXPECT_EQ(entries[3].colour, LogColour::WindowText);
  EXPECT_EQ(rig.log.ReceivedCount(), 4u);
  EXPECT_EQ(rig.log.SentCount(), 0u);

  // The file was released: the next upgrade needs it chosen again.
  EXPECT_FALSE(rig.upgrade.Armed());
  rig.upgrade.StartTransfer();
  EXPECT_EQ(rig.upgrade.XModemState(), 0);
}

TEST(Finish, UsedTimeIsRightAcrossTheTickCountWrap) {
  UpgradeRig rig;
  rig.clock.now = 0xFFFFFFFFu - 999;
  rig.Ready(Pattern(200));
  rig.SendWholeFile();
  rig.clock.now = 0xFFFFFFFFu - 999 + 12'345;  // wraps
  rig.Reply(kFinal);
  EXPECT_EQ(rig.logView.Count("<info_FwUpTime>12"), 1);
}

TEST(Finish, UsedTimeLineInEnglishAndChinese) {
  for (bool chinese : {false, true}) {
    UpgradeRig rig;
    TLangList texts([] { return true; });
    RegisterDefaultTexts(texts);
    texts.UseChinese = chinese;
    FirmwareUpgrade upgrade{UpgradeParts{rig.line, rig.log, texts, rig.timer, rig.clock, rig.files}};
    rig.files.Put(kFirmwarePath, Pattern(200));
    upgrade.OpenFirmwareFile(kFirmwarePath);
    upgrade.StartTransfer();
    upgrade.HandleUpgradeReply("C");
    rig.clock.now += 37'000;
    upgrade.tmrXModemTxTimer();
    upgrade.HandleUpgradeReply(kAck);
    upgrade.HandleUpgradeReply(kAck);
    upgrade.HandleUpgradeReply(kFinal);
    if (chinese) {
      EXPECT_EQ(rig.logView.Count(testing::G("固件升级完成")), 1);
      EXPECT_EQ(rig.logView.Count(testing::G("耗时(秒): 37")), 1);
    } else {
      EXPECT_EQ(rig.logView.Count("Firmware upgrade success"), 1);
      EXPECT_EQ(rig.logView.Count("Used time (s): 37"), 1);
    }
  }
}

TEST(Finish, WithoutRestartNothingIsSentAfterTheFinalReply) {
  UpgradeRig rig;
  rig.upgrade.overRestart = false;
  rig.Ready(Pattern(300));
  rig.SendWholeFile();
  rig.Reply(kFinal);
  rig.Advance(100);
  EXPECT_TRUE(rig.TakeWritten().empty());
  EXPECT_EQ(rig.logView.Count("<info_FwUpOver>"), 1);
}

TEST(Finish, AFinalReplyInPiecesIsGatheredAndEndsWithSuccess) {
  const std::vector<std::vector<std::string>> splits = {
      {kAck, "\r\n>"}, {"\x06\r", "\n>"}, {"\x06\r\n", ">"}, {kAck, "\r", "\n", ">"}};
  for (const auto& pieces : splits) {
    UpgradeRig rig;
    rig.Ready(Pattern(300));
    rig.SendWholeFile();
    rig.TakeWritten();
    for (const auto& piece : pieces) rig.Reply(piece);
    EXPECT_EQ(rig.upgrade.XModemState(), 0) << pieces.size() << " pieces";
    EXPECT_EQ(rig.logView.Count("<info_FwUpOver>"), 1) << pieces.size() << " pieces";
    EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"R"});
    EXPECT_EQ(rig.upgrade.FirmwareFile(), nullptr);
  }
}

TEST(Finish, APieceThatDoesNotContinueTheFinalReplyIsNoSuccess) {
  // The start of the final reply, then bytes that are not its rest: the two
  // sides lost step, as with any chunk of another length.
  for (const std::string& rest : {std::string("\r\n?"), std::string("\r\n>\r\n")}) {
    UpgradeRig rig;
    rig.Ready(Pattern(300));
    rig.SendWholeFile();
    rig.TakeWritten();
    rig.Reply(kAck);
    rig.Reply(rest);
    EXPECT_EQ(rig.upgrade.XModemState(), 0);
    EXPECT_EQ(rig.logView.Count("<info_FwUpOver>"), 0);
    EXPECT_TRUE(rig.TakeWritten().empty());
    EXPECT_NE(rig.upgrade.FirmwareFile(), nullptr);
  }
}

TEST(DataStream, PacketsRepliesAndRAreLoggedAsHex) {
  UpgradeRig rig;
  rig.upgrade.showDataStream = true;
  rig.Ready(std::string(128, '\0'));
  rig.logView.entries.clear();
  rig.Reply("C");
  rig.Tick();
  rig.Reply(kAck);  // EOT goes out with it
  rig.Reply(kFinal);
  const std::string zeroPacket = "0101FE" + std::string(256, '0') + "0000";
  using E = std::pair<std::string, LogColour>;
  std::vector<E> expected = {
      {"[ Rcv ]:", LogColour::Reply},          {"43", LogColour::Reply},
      {"<info_ModuleRTS>", LogColour::WindowText}, {"<info_Sending>", LogColour::WindowText},
      {"[ Send ]:", LogColour::Sent},          {zeroPacket, LogColour::Sent},
      {"[ Rcv ]:", LogColour::Reply},          {"06", LogColour::Reply},
      {"[ Send ]:", LogColour::Sent},          {"04", LogColour::Sent},
      {"[ Rcv ]:", LogColour::Reply},          {"060D0A3E", LogColour::Reply},
      {"<info_FwUpOver>", LogColour::WindowText}, {"<info_FwUpTime>0", LogColour::WindowText},
      {"-------------------------------", LogColour::WindowText}, {kFinal, LogColour::WindowText},
      {"[ Send ]:", LogColour::Sent},          {"52", LogColour::Sent},
  };
  std::vector<E> logged;
  for (const auto& e : rig.logView.TextEntries()) logged.emplace_back(e.text, e.colour);
  EXPECT_EQ(logged, expected);
}

TEST(DataStream, IsSilentWhenOff) {
  UpgradeRig rig;
  rig.Ready(Pattern(300));
  rig.logView.entries.clear();
  rig.SendWholeFile();
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Sent), std::vector<std::string>{});
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Reply), std::vector<std::string>{});
}

TEST(FileCommand, NeedsTheOpenPort) {
  UpgradeRig rig;
  rig.line.open = false;
  EXPECT_FALSE(rig.upgrade.AskForFirmwareFile());
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning), std::vector<std::string>{"<info_ComNoOpen>"});
  rig.line.open = true;
  EXPECT_TRUE(rig.upgrade.AskForFirmwareFile());
  EXPECT_EQ(rig.logView.TextsOf(LogColour::WindowText), std::vector<std::string>{"<info_SlctFwFile>"});
  EXPECT_EQ(rig.upgrade.FirmwareDialogFilter(), "<info_FwFile>(*.bin)|*.bin|<info_AllFile>(*.*)|*.*");
}

TEST(FileCommand, TheChosenFileIsDescribedAndStartsNothing) {
  UpgradeRig rig;
  rig.files.Put(kFirmwarePath, Pattern(40000));
  EXPECT_TRUE(rig.upgrade.OpenFirmwareFile(kFirmwarePath));
  EXPECT_EQ(rig.logView.TextsOf(LogColour::WindowText),
            (std::vector<std::string>{"", "[ File name ]: /fw/T418_V2.bin", "[ File size ]: 40000 Bytes",
                                      "<info_FwArmed> T418_V2.bin, 40000 Bytes", "<info_ReloadRepower>"}));
  EXPECT_TRUE(rig.upgrade.Armed());
  EXPECT_NE(rig.upgrade.FirmwareFile(), nullptr);
  EXPECT_EQ(rig.upgrade.XModemState(), 0);
  EXPECT_FALSE(rig.timer.active);
  EXPECT_TRUE(rig.line.written.empty());
}

TEST(FileCommand, AFileThatDoesNotOpenLeavesNoneHeld) {
  UpgradeRig rig;
  rig.files.Put(kFirmwarePath, Pattern(300));
  ASSERT_TRUE(rig.upgrade.OpenFirmwareFile(kFirmwarePath));
  rig.logView.entries.clear();
  EXPECT_FALSE(rig.upgrade.OpenFirmwareFile("/fw/missing.bin"));
  EXPECT_EQ(rig.upgrade.FirmwareFile(), nullptr);
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning),
            std::vector<std::string>{"<info_FwFileUnreadable>: /fw/missing.bin (No such file or directory)"});
  // The file armed before was let go, and the log says so.
  EXPECT_EQ(rig.logView.TextsOf(LogColour::WindowText), std::vector<std::string>{"<info_FwDisarmed> T418_V2.bin"});
}

TEST(FileCommand, AnotherFileReplacesTheOneHeld) {
  UpgradeRig rig;
  rig.files.Put("/fw/old.bin", Pattern(200));
  rig.files.Put("/fw/new.bin", Pattern(1000));
  rig.upgrade.OpenFirmwareFile("/fw/old.bin");
  rig.upgrade.OpenFirmwareFile("/fw/new.bin");
  rig.upgrade.StartTransfer();
  rig.Reply("C");
  EXPECT_EQ(rig.upgrade.BlockTotal(), 8);
}

// Arming: only a file that can be an image is held, and letting go of it
// stops whatever it started.
TEST(Arming, FilesThatCannotBeAnImageAreRefusedAndNothingIsSent) {
  struct Case {
    std::uint64_t size;
    std::string warning;  // empty: armed
  } cases[] = {
      {0, "<info_FwFileEmpty>: /fw/T418_V2.bin (0 Bytes)"},
      {1, "<info_FwFileTooShort> 128: /fw/T418_V2.bin (1 Bytes)"},
      {127, "<info_FwFileTooShort> 128: /fw/T418_V2.bin (127 Bytes)"},
      {128, ""},
      {kMaxFirmwareBytes, ""},
      {kMaxFirmwareBytes + 1, "<info_FwFileTooLarge> 4194304: /fw/T418_V2.bin (4194305 Bytes)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    UpgradeRig rig;
    // A good file armed before: a refused choice does not leave it armed either.
    rig.files.Put("/fw/before.bin", Pattern(1000));
    ASSERT_TRUE(rig.upgrade.OpenFirmwareFile("/fw/before.bin"));
    rig.logView.entries.clear();
    rig.files.Put(kFirmwarePath, Pattern(c.size));

    const bool armed = rig.upgrade.OpenFirmwareFile(kFirmwarePath);
    EXPECT_EQ(armed, c.warning.empty());
    EXPECT_EQ(rig.upgrade.Armed(), armed);
    EXPECT_EQ(rig.upgrade.FirmwareFile() != nullptr, armed);
    if (!armed) {
      EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning), std::vector<std::string>{c.warning});
      EXPECT_EQ(rig.logView.TextsOf(LogColour::WindowText), std::vector<std::string>{"<info_FwDisarmed> before.bin"});
    }

    // The boot loader's confirmation and request find nothing to send.
    rig.upgrade.StartTransfer();
    if (armed) {
      rig.Reply("C");
      rig.Tick();
      EXPECT_EQ(rig.TakeWritten().size(), 1u);
    } else {
      EXPECT_EQ(rig.upgrade.XModemState(), 0);
      EXPECT_FALSE(rig.timer.active);
      rig.Advance(50);
      EXPECT_TRUE(rig.TakeWritten().empty());
    }
  }
}

TEST(Arming, RefusalsAndTheArmedLineReadWellInBothLanguages) {
  for (bool chinese : {false, true}) {
    UpgradeRig rig;
    TLangList texts([] { return true; });
    RegisterDefaultTexts(texts);
    texts.UseChinese = chinese;
    FirmwareUpgrade upgrade{UpgradeParts{rig.line, rig.log, texts, rig.timer, rig.clock, rig.files}};
    rig.files.Put("/fw/empty.bin", "");
    rig.files.Put("/fw/short.bin", Pattern(100));
    rig.files.Put("/fw/huge.bin", Pattern(kMaxFirmwareBytes + 128));
    rig.files.Put("/fw/good.bin", Pattern(1000));
    EXPECT_FALSE(upgrade.OpenFirmwareFile("/fw/empty.bin"));
    EXPECT_FALSE(upgrade.OpenFirmwareFile("/fw/short.bin"));
    EXPECT_FALSE(upgrade.OpenFirmwareFile("/fw/huge.bin"));
    EXPECT_TRUE(upgrade.OpenFirmwareFile("/fw/good.bin"));
    EXPECT_TRUE(upgrade.Disarm());
    const std::vector<std::string> warnings =
        chinese ? std::vector<std::string>{testing::G("固件文件为空，已拒绝: /fw/empty.bin (0 Bytes)"),
                                           testing::G("固件文件小于一个XModem数据包(128字节)，已拒绝: "
                                                      "/fw/short.bin (100 Bytes)"),
                                           testing::G("固件文件超出终端闪存容量(4194304字节)，已拒绝: "
                                                      "/fw/huge.bin (4194432 Bytes)")}
                : std::vector<std::string>{
                      "Firmware file refused, it is empty: /fw/empty.bin (0 Bytes)",
                      "Firmware file refused, shorter than one XModem packet (128 Bytes): /fw/short.bin (100 Bytes)",
                      "Firmware file refused, larger than the terminal's flash holds (4194304 Bytes): /fw/huge.bin "
                      "(4194432 Bytes)"};
    EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning), warnings);
    if (chinese) {
      EXPECT_EQ(rig.logView.Count(testing::G("固件已就绪: good.bin, 1000 Bytes，等待模块进入升级模式")), 1);
      EXPECT_EQ(rig.logView.Count(testing::G("固件已取消: good.bin，不再应答模块升级菜单")), 1);
    } else {
      EXPECT_EQ(rig.logView.Count("Firmware armed: good.bin, 1000 Bytes; waiting for the boot loader"), 1);
      EXPECT_EQ(rig.logView.Count("Firmware disarmed: good.bin; the boot loader will not be answered"), 1);
    }
  }
}

TEST(Arming, DisarmLetsGoOnceAndSaysSo) {
  UpgradeRig rig;
  rig.files.Put(kFirmwarePath, Pattern(1000));
  ASSERT_TRUE(rig.upgrade.OpenFirmwareFile(kFirmwarePath));
  rig.logView.entries.clear();
  EXPECT_TRUE(rig.upgrade.Disarm());
  EXPECT_FALSE(rig.upgrade.Armed());
  EXPECT_EQ(rig.logView.TextsOf(LogColour::WindowText), std::vector<std::string>{"<info_FwDisarmed> T418_V2.bin"});
  EXPECT_FALSE(rig.upgrade.Disarm());  // nothing armed: nothing to say
  EXPECT_EQ(rig.logView.entries.size(), 1u);
  EXPECT_TRUE(rig.TakeWritten().empty());
}

// Disarming, or arming another file, while the boot loader is being served
// stops the transfer at once; the boot loader is told to cancel while the
// port is open, and nothing of the old file goes out afterwards.
TEST(Arming, LettingGoDuringATransferStopsItInEveryState) {
  struct Case {
    const char* name;
    int acks;  // -1: before the first "C"
    bool portOpen;
    bool armAnother;
    int stateBefore;
    std::string warning;
  } cases[] = {
      {"waiting for the start", -1, true, false, 1, "<info_FwUpDisarmed>"},
      {"a packet outstanding", 1, true, false, 3, "<info_FwUpDisarmed>: <info_FwUpPacket> 2 (<info_FwUpBlockNo> 2)"},
      {"the end of transmission outstanding", 8, true, false, 4, "<info_FwUpDisarmed>: <info_FwUpEot>"},
      {"the port already closed", 1, false, false, 3,
       "<info_FwUpDisarmed>: <info_FwUpPacket> 2 (<info_FwUpBlockNo> 2)"},
      {"another file armed", 1, true, true, 3, "<info_FwUpDisarmed>: <info_FwUpPacket> 2 (<info_FwUpBlockNo> 2)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UpgradeRig rig;
    rig.Ready(Pattern(1000));
    if (c.acks >= 0) {
      rig.Reply("C");
      rig.Tick();
      for (int i = 0; i < c.acks; ++i) rig.Reply(kAck);
    }
    ASSERT_EQ(rig.upgrade.XModemState(), c.stateBefore);
    rig.TakeWritten();
    rig.line.open = c.portOpen;
    rig.files.Put("/fw/other.bin", Pattern(300));

    if (c.armAnother) {
      EXPECT_TRUE(rig.upgrade.OpenFirmwareFile("/fw/other.bin"));
    } else {
      EXPECT_TRUE(rig.upgrade.Disarm());
    }
    EXPECT_EQ(rig.upgrade.XModemState(), 0);
    EXPECT_FALSE(rig.timer.active);
    EXPECT_EQ(rig.TakeWritten(), c.portOpen ? std::vector<std::string>{std::string(2, '\x18')}
                                            : std::vector<std::string>{});
    EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning), std::vector<std::string>{c.warning});
    if (c.acks >= 0) {
      EXPECT_EQ(rig.view.hidden, 1);
    }

    // What the boot loader still sends reaches no transfer of the old file.
    rig.Advance(15000);
    EXPECT_TRUE(rig.TakeWritten().empty());
    if (c.armAnother) {
      rig.upgrade.StartTransfer();
      rig.Reply("C");
      EXPECT_EQ(rig.upgrade.BlockTotal(), 3);  // the new file's
    }
  }
}

TEST(Arming, AFileEmptiedAfterArmingIsNotSent) {
  UpgradeRig rig;
  rig.Ready(Pattern(1000));
  rig.files.At(kFirmwarePath).bytes.clear();
  rig.Reply("C");
  rig.Advance(50);
  EXPECT_TRUE(rig.TakeWritten().empty());
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning),
            std::vector<std::string>{"<info_FwFileEmpty>: /fw/T418_V2.bin (0 Bytes)"});
}

TEST(Arming, TheUnansweredBootMenuIsReportedOncePerArming) {
  UpgradeRig rig;
  rig.upgrade.BootMenuUnanswered();
  rig.upgrade.BootMenuUnanswered();
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning), std::vector<std::string>{"<info_FwBootNotArmed>"});
  // Arming and letting go again: a boot loader that waits is worth saying again.
  rig.files.Put(kFirmwarePath, Pattern(1000));
  rig.upgrade.OpenFirmwareFile(kFirmwarePath);
  rig.upgrade.Disarm();
  rig.upgrade.BootMenuUnanswered();
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning).size(), 2u);
  EXPECT_TRUE(rig.TakeWritten().empty());
}

// Giving up a transfer that cannot succeed.
class GivingUp : public ::testing::Test {
 protected:
  void SetUp() override {
    rig_.Ready(firmware_);
    rig_.Reply("C");
    rig_.Tick();
  }
  // The transfer was given up with this warning and can start over.
  void ExpectGivenUp(const std::string& warning) {
    EXPECT_EQ(rig_.upgrade.XModemState(), 0);
    EXPECT_EQ(rig_.view.hidden, 1);
    EXPECT_FALSE(rig_.timer.active);
    EXPECT_EQ(rig_.logView.TextsOf(LogColour::Warning), std::vector<std::string>{warning});
    EXPECT_EQ(rig_.logView.Count("<info_FwUpOver>"), 0);
    rig_.Advance(15000);
    rig_.TakeWritten();
    EXPECT_EQ(rig_.logView.TextsOf(LogColour::Warning).size(), 1u);

    // The file is still held: a boot loader that asks again gets it from the start.
    ASSERT_NE(rig_.upgrade.FirmwareFile(), nullptr);
    rig_.upgrade.StartTransfer();
    rig_.Reply("C");
    rig_.Tick();
    const auto again = rig_.TakeWritten();
    ASSERT_EQ(again.size(), 1u);
    ExpectPacket(again[0], 1, firmware_.substr(0, 128));
  }
  void Acks(int count) {
    for (int i = 0; i < count; ++i) rig_.Reply(kAck);
  }

  UpgradeRig rig_;
  std::string firmware_ = Pattern(40000);
};

TEST_F(GivingUp, TenRefusalsInARowOfOnePacket) {
  Acks(2);
  rig_.TakeWritten();
  for (int i = 0; i < 9; ++i) {
    rig_.Reply(kNak);
    rig_.Tick();
  }
  auto resent = rig_.TakeWritten();
  ASSERT_EQ(resent.size(), 9u);
  for (const auto& packet : resent) EXPECT_EQ(packet[1], '\x03');
  EXPECT_EQ(rig_.upgrade.XModemState(), 3);
  rig_.Reply(kNak);
  rig_.Tick();
  EXPECT_TRUE(rig_.TakeWritten().empty());
  ExpectGivenUp("<info_FwUpRefused>: <info_FwUpPacket> 3 (<info_FwUpBlockNo> 3)");
}

TEST_F(GivingUp, RefusalsCountPerPacketAndNameTheBlockNumberPast255) {
  for (int packet = 0; packet < 3; ++packet) {  // nine refusals each do not stop
    for (int i = 0; i < 9; ++i) {
      rig_.Reply(kNak);
      rig_.Tick();
    }
    rig_.Reply(kAck);
  }
  EXPECT_EQ(rig_.upgrade.XModemState(), 3);
  Acks(253);
  ASSERT_EQ(rig_.upgrade.BlocksSent(), 257);
  for (int i = 0; i < 10; ++i) {
    rig_.Reply(kNak);
    rig_.Tick();
  }
  ExpectGivenUp("<info_FwUpRefused>: <info_FwUpPacket> 257 (<info_FwUpBlockNo> 1)");
}

TEST_F(GivingUp, TenRefusalsOfTheEndOfTransmission) {
  Acks(313);
  ASSERT_EQ(rig_.TakeWritten().back(), kEot);
  for (int i = 0; i < 10; ++i) {
    rig_.Reply(kNak);
    rig_.Tick();
  }
  EXPECT_EQ(rig_.TakeWritten().size(), 9u);
  ExpectGivenUp("<info_FwUpRefused>: <info_FwUpEot>");
}

TEST_F(GivingUp, TenSecondsWithoutAReplyToAPacket) {
  Acks(1);
  rig_.Advance(9990);
  EXPECT_EQ(rig_.upgrade.XModemState(), 3);
  EXPECT_TRUE(rig_.logView.TextsOf(LogColour::Warning).empty());
  rig_.Tick();
  ExpectGivenUp("<info_FwUpNoReply>: <info_FwUpPacket> 2 (<info_FwUpBlockNo> 2)");
}

TEST_F(GivingUp, AnyChunkCountsAsAReply) {
  rig_.Advance(9000);
  rig_.Reply("?");  // ignored, but the line is alive
  rig_.Advance(9000);
  EXPECT_EQ(rig_.upgrade.XModemState(), 3);
  rig_.Advance(1000);
  ExpectGivenUp("<info_FwUpNoReply>: <info_FwUpPacket> 1 (<info_FwUpBlockNo> 1)");
}

TEST_F(GivingUp, TenSecondsWithoutAReplyToTheEndOfTransmission) {
  Acks(313);
  rig_.Reply(kAck);  // a plain ACK is not the boot loader's final reply
  rig_.Advance(10000);
  ExpectGivenUp("<info_FwUpNoReply>: <info_FwUpEot>");
}

TEST_F(GivingUp, ThePortLostDuringATransfer) {
  Acks(1);
  rig_.upgrade.PortLost();
  ExpectGivenUp("<info_FwUpPortLost>: <info_FwUpPacket> 2 (<info_FwUpBlockNo> 2)");
}

TEST_F(GivingUp, TheBootLoaderAskingForTheStartAfterEveryPacket) {
  // Ten restarts are served, each from the first packet.
  for (int restart = 1; restart <= FirmwareUpgrade::kMaxRestarts; ++restart) {
    rig_.TakeWritten();
    rig_.Reply("C");
    rig_.Tick();
    const auto again = rig_.TakeWritten();
    ASSERT_EQ(again.size(), 1u) << restart;
    ExpectPacket(again[0], 1, firmware_.substr(0, 128));
  }
  EXPECT_TRUE(rig_.logView.TextsOf(LogColour::Warning).empty());
  rig_.Reply("C");
  rig_.Tick();
  EXPECT_TRUE(rig_.TakeWritten().empty());
  ExpectGivenUp("<info_FwUpRestarts> 10: <info_FwUpPacket> 1 (<info_FwUpBlockNo> 1)");
}

TEST_F(GivingUp, RestartsCountOverTheWholeTransferEvenWithProgressBetween) {
  for (int restart = 0; restart < FirmwareUpgrade::kMaxRestarts; ++restart) {
    Acks(3);
    rig_.Reply("C");
    rig_.Tick();
  }
  Acks(3);
  EXPECT_EQ(rig_.upgrade.XModemState(), 3);
  rig_.Reply("C");
  ExpectGivenUp("<info_FwUpRestarts> 10: <info_FwUpPacket> 4 (<info_FwUpBlockNo> 4)");
}

TEST(GivingUpOutsideATransfer, TheRestartWarningReadsWellInBothLanguages) {
  for (bool chinese : {false, true}) {
    UpgradeRig rig;
    TLangList texts([] { return true; });
    RegisterDefaultTexts(texts);
    texts.UseChinese = chinese;
    FirmwareUpgrade upgrade{UpgradeParts{rig.line, rig.log, texts, rig.timer, rig.clock, rig.files}};
    rig.files.Put(kFirmwarePath, Pattern(1000));
    upgrade.OpenFirmwareFile(kFirmwarePath);
    upgrade.StartTransfer();
    for (int i = 0; i <= FirmwareUpgrade::kMaxRestarts + 1; ++i) {
      upgrade.HandleUpgradeReply("C");
      upgrade.tmrXModemTxTimer();
    }
    const std::string expected = chinese ? testing::G("固件升级已停止，设备10次要求重新开始传输: 数据包 1 (包号 1)")
                                         : "Firmware upgrade stopped, the boot loader restarted the transfer 10 "
                                           "times: packet 1 (block number 1)";
    EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning), std::vector<std::string>{expected});
  }
}

TEST(GivingUpOutsideATransfer, WaitingForTheStartHasNoTimeLimit) {
  UpgradeRig rig;
  rig.Ready(Pattern(300));
  rig.Advance(60000);
  EXPECT_EQ(rig.upgrade.XModemState(), 1);
  EXPECT_TRUE(rig.logView.TextsOf(LogColour::Warning).empty());
  rig.upgrade.PortLost();
  EXPECT_EQ(rig.upgrade.XModemState(), 0);
  EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning), std::vector<std::string>{"<info_FwUpPortLost>"});
}

TEST(GivingUpOutsideATransfer, ThePortLostWhileIdleSaysNothing) {
  UpgradeRig rig;
  rig.upgrade.PortLost();
  EXPECT_TRUE(rig.logView.entries.empty());
  EXPECT_EQ(rig.view.hidden, 0);
}

TEST(GivingUpOutsideATransfer, TheWarningReadsWellInBothLanguages) {
  for (bool chinese : {false, true}) {
    UpgradeRig rig;
    TLangList texts([] { return true; });
    RegisterDefaultTexts(texts);
    texts.UseChinese = chinese;
    FirmwareUpgrade upgrade{UpgradeParts{rig.line, rig.log, texts, rig.timer, rig.clock, rig.files}};
    rig.files.Put(kFirmwarePath, Pattern(1000));
    upgrade.OpenFirmwareFile(kFirmwarePath);
    upgrade.StartTransfer();
    upgrade.HandleUpgradeReply("C");
    upgrade.tmrXModemTxTimer();
    upgrade.HandleUpgradeReply(kAck);
    upgrade.PortLost();
    const std::string expected =
        chinese ? testing::G("固件升级已停止，串口已断开: 数据包 2 (包号 2)")
                : "Firmware upgrade stopped, serial port lost: packet 2 (block number 2)";
    EXPECT_EQ(rig.logView.TextsOf(LogColour::Warning), std::vector<std::string>{expected});
  }
}

}  // namespace
}  // namespace t418
