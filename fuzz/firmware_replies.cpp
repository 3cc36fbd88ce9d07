// The firmware transfer's handling of the boot loader's replies, on any
// sequence of received chunks and passing time. Input: one byte for the
// file's size, one for the options, then the chunks separated by 0xFF; after
// each chunk one tick passes, and an empty chunk lets the reply limit pass.
// Whatever arrives, the state stays one of the known ones and every packet
// that goes out is well formed and carries the file's bytes of its block.
#include <cstddef>
#include <cstdint>
#include <string>

#include "firmware/upgrade_fakes.h"
#include "firmware/xmodem_packet.h"
#include "fuzz_check.h"

namespace {

using t418::fuzz::Require;
using t418::FirmwareUpgrade;

void CheckWritten(const std::string& firmware, const std::string& bytes) {
  if (bytes.empty() || bytes[0] != t418::xmodem::kSoh) return;
  Require(bytes.size() == t418::xmodem::kPacketSize, "a packet has its fixed size");
  const auto block = static_cast<std::uint8_t>(bytes[1]);
  // Files here stay below 256 blocks, so the block number tells the offset.
  const std::size_t offset = static_cast<std::size_t>(static_cast<std::uint8_t>(block - 1)) *
                             t418::xmodem::kDataSize;
  Require(offset < firmware.size(), "a packet's block lies inside the file");
  Require(bytes == t418::xmodem::BuildPacket(block, std::string_view(firmware).substr(offset, t418::xmodem::kDataSize)),
          "a packet carries the file's bytes of its block");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  t418::fuzz::InputReader input(data, size);
  const std::size_t firmwareSize = input.Byte() * std::size_t{37};
  const std::uint8_t options = input.Byte();

  t418::testing::UpgradeRig rig;
  rig.upgrade.overRestart = (options & 1) != 0;
  rig.upgrade.showDataStream = (options & 2) != 0;
  std::string firmware(firmwareSize, '\0');
  for (std::size_t i = 0; i < firmware.size(); ++i) firmware[i] = static_cast<char>(i * 7 + 3);
  if ((options & 4) == 0) {
    rig.Ready(firmware);
  } else {
    // No file chosen: the boot loader's requests find nothing to send.
    rig.upgrade.StartTransfer();
  }

  t418::fuzz::ForEachPiece(input.Rest(), '\xFF', [&](std::string_view piece) {
    if (piece.empty()) {
      rig.Advance(FirmwareUpgrade::kReplyLimitMs + FirmwareUpgrade::kTickMs);
    } else {
      rig.Reply(std::string(piece));
      rig.Tick();
    }
    const int state = rig.upgrade.XModemState();
    Require(state >= FirmwareUpgrade::kIdle && state <= FirmwareUpgrade::kWaitingForFinalReply, "known state");
    Require(rig.upgrade.BlocksSent() >= 0 && rig.upgrade.BlockTotal() >= 0, "counts never negative");
    for (const auto& bytes : rig.TakeWritten()) CheckWritten(firmware, bytes);
  });
  rig.upgrade.PortLost();
  Require(rig.upgrade.XModemState() == FirmwareUpgrade::kIdle, "a lost port ends the transfer");
  return 0;
}
