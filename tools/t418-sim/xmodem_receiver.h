#pragma once
// The boot loader's XModem-CRC receiver.
//
// It asks for the transfer with "C" once a second until the first packet
// comes, then takes packets of SOH, block number, its complement, 128 data
// bytes and the CRC-16/XMODEM high byte first (STX with 1024 data bytes too):
// - a good packet with the next block number is stored and answered ACK;
// - a repeat of the block stored last is answered ACK and not stored again;
// - a bad complement or a bad CRC is answered NAK;
// - any other block number means the two sides lost step: the transfer is
//   aborted with two CAN bytes, as senders expect;
// - a packet whose bytes stop coming for a second is dropped and answered NAK;
// - EOT ends the transfer, answered 06 0D 0A 3E (ACK, CR, LF, ">") in one write;
// - two CAN bytes in a row abort it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "t418-sim/sim_types.h"

namespace t418::sim {

inline constexpr char kSoh = 0x01;
inline constexpr char kStx = 0x02;
inline constexpr char kEot = 0x04;
inline constexpr char kAck = 0x06;
inline constexpr char kNak = 0x15;
inline constexpr char kCan = 0x18;
inline constexpr char kCrcRequest = 'C';
// The reply to EOT: ACK, CR, LF and the boot loader's prompt.
inline const std::string kEndReply = std::string("\x06\r\n>", 4);

class XModemReceiver {
 public:
  enum class Status { Idle, Receiving, Done, Aborted };

  // nakEvery > 0: the first arrival of every nakEvery-th packet is answered NAK.
  // answerC: every whole packet, good or bad, is answered "C" and not stored
  // (a receiver that keeps asking for the transfer to start).
  explicit XModemReceiver(int nakEvery = 0, bool answerC = false)
      : nakEvery_(nakEvery), answerC_(answerC) {}

  // Begins a transfer: empties the image; the first "C" goes out one second later.
  void Start(Millis now);
  // Takes received bytes; returns the reply bytes (empty for none).
  std::string Feed(std::string_view bytes, Millis now);
  // The "C" requests and the time-out of an incomplete packet.
  std::string Tick(Millis now);
  std::optional<Millis> NextDeadline() const;

  Status status() const { return status_; }
  // The data of every stored packet, fill bytes included.
  const std::string& image() const { return image_; }
  int packetsStored() const { return packets_; }

 private:
  std::string TakePacket(std::size_t size);

  int nakEvery_;
  bool answerC_;
  Status status_ = Status::Idle;
  std::string image_;
  std::string pending_;
  Millis lastByteAt_ = 0;
  Millis nextRequest_ = 0;
  int packets_ = 0;
  std::uint8_t lastBlock_ = 0;
  int forcedNakAt_ = 0;  // the packet index last answered NAK on purpose
  bool canSeen_ = false;
};

}  // namespace t418::sim
