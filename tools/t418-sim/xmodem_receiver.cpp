#include "t418-sim/xmodem_receiver.h"

#include "firmware/xmodem_crc.h"

namespace t418::sim {
namespace {

constexpr Millis kRequestEveryMs = 1000;
constexpr Millis kPacketTimeoutMs = 1000;

}  // namespace

void XModemReceiver::Start(Millis now) {
  status_ = Status::Receiving;
  image_.clear();
  pending_.clear();
  packets_ = 0;
  lastBlock_ = 0;
  forcedNakAt_ = 0;
  canSeen_ = false;
  nextRequest_ = now + kRequestEveryMs;
}

std::optional<Millis> XModemReceiver::NextDeadline() const {
  if (status_ != Status::Receiving) return std::nullopt;
  if (!pending_.empty()) return lastByteAt_ + kPacketTimeoutMs;
  if (packets_ == 0) return nextRequest_;
  return std::nullopt;
}

std::string XModemReceiver::Tick(Millis now) {
  if (status_ != Status::Receiving) return {};
  if (!pending_.empty()) {
    if (now - lastByteAt_ < kPacketTimeoutMs) return {};
    pending_.clear();
    return std::string(1, kNak);
  }
  if (packets_ == 0 && now >= nextRequest_) {
    nextRequest_ = now + kRequestEveryMs;
    return std::string(1, kCrcRequest);
  }
  return {};
}

std::string XModemReceiver::Feed(std::string_view bytes, Millis now) {
  if (status_ != Status::Receiving) return {};
  if (!bytes.empty()) lastByteAt_ = now;
  pending_.append(bytes.data(), bytes.size());

  std::string reply;
  while (!pending_.empty() && status_ == Status::Receiving) {
    const char lead = pending_.front();
    if (lead == kSoh || lead == kStx) {
      const std::size_t size = 3 + (lead == kSoh ? 128 : 1024) + 2;
      if (pending_.size() < size) break;  // the rest is on its way
      canSeen_ = false;
      reply += TakePacket(size);
      continue;
    }
    pending_.erase(0, 1);
    if (lead == kEot) {
      status_ = Status::Done;
      reply += kEndReply;
    } else if (lead == kCan) {
      if (canSeen_) status_ = Status::Aborted;
      canSeen_ = true;
    } else {
      canSeen_ = false;  // line noise between packets
    }
  }
  if (status_ != Status::Receiving) pending_.clear();
  return reply;
}

std::string XModemReceiver::TakePacket(std::size_t size) {
  const std::string packet = pending_.substr(0, size);
  pending_.erase(0, size);
  if (answerC_) return std::string(1, kCrcRequest);
  const auto block = static_cast<std::uint8_t>(packet[1]);
  const auto complement = static_cast<std::uint8_t>(packet[2]);
  const std::size_t dataSize = size - 5;
  const auto* data = reinterpret_cast<const std::uint8_t*>(packet.data());
  const std::uint16_t crc = XModemCrc16(data, 3, dataSize);
  const auto crcHigh = static_cast<std::uint8_t>(packet[3 + dataSize]);
  const auto crcLow = static_cast<std::uint8_t>(packet[4 + dataSize]);

  if (static_cast<std::uint8_t>(block + complement) != 0xFF) return std::string(1, kNak);
  if (crc != ((crcHigh << 8) | crcLow)) return std::string(1, kNak);

  const auto expected = static_cast<std::uint8_t>(lastBlock_ + 1);
  if (packets_ > 0 && block == lastBlock_) return std::string(1, kAck);  // a repeat
  if (block != expected) {
    status_ = Status::Aborted;
    return std::string(2, kCan);
  }
  const int index = packets_ + 1;
  if (nakEvery_ > 0 && index % nakEvery_ == 0 && forcedNakAt_ != index) {
    forcedNakAt_ = index;
    return std::string(1, kNak);
  }
  image_.append(packet, 3, dataSize);
  lastBlock_ = block;
  ++packets_;
  return std::string(1, kAck);
}

}  // namespace t418::sim
