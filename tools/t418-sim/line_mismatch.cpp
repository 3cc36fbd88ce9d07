#include "t418-sim/line_mismatch.h"

#include <algorithm>
#include <vector>

#include "platform/posix/termios_fields.h"

namespace t418::sim {
namespace {

int ParityBitsOf(const UartFrame& f) { return f.parity == 'N' ? 0 : 1; }

// The sender's line as a sequence of bit levels, one per sender bit time.
std::vector<bool> LineBits(std::string_view bytes, const UartFrame& f) {
  std::vector<bool> bits;
  bits.reserve(bytes.size() * static_cast<std::size_t>(2 + f.dataBits + f.stopBits));
  for (unsigned char byte : bytes) {
    bits.push_back(false);  // start
    int ones = 0;
    for (int i = 0; i < f.dataBits; ++i) {
      const bool bit = (byte >> i) & 1;
      ones += bit;
      bits.push_back(bit);
    }
    if (f.parity == 'E') bits.push_back(ones % 2 != 0);
    if (f.parity == 'O') bits.push_back(ones % 2 == 0);
    if (f.parity == 'M') bits.push_back(true);
    if (f.parity == 'S') bits.push_back(false);
    for (int i = 0; i < f.stopBits; ++i) bits.push_back(true);
  }
  return bits;
}

}  // namespace

std::string ReceiveAcross(std::string_view bytes, const UartFrame& from, const UartFrame& to) {
  if (from == to) return std::string(bytes);
  if (from.baud == 0 || to.baud == 0) return {};
  const std::vector<bool> bits = LineBits(bytes, from);
  const auto count = static_cast<std::int64_t>(bits.size());
  // Time in units of 1 / (from.baud * to.baud) s: a sender bit lasts to.baud
  // units, a receiver bit from.baud units; all exact in whole numbers.
  const std::int64_t senderBit = to.baud;
  const std::int64_t receiverBit = from.baud;
  auto levelAtBit = [&](std::int64_t k) { return k < 0 || k >= count || bits[static_cast<std::size_t>(k)]; };
  auto levelAt = [&](std::int64_t t) { return levelAtBit(t / senderBit); };

  std::string received;
  std::int64_t now = 0;
  bool high = true;  // the line as last sampled: idle before the first byte
  while (true) {
    // The next start bit at or after now. After a stop bit sampled low (a
    // broken frame) the line must go high first.
    std::int64_t k = now / senderBit;
    if (!high) {
      while (k < count && !levelAtBit(k)) ++k;
    }
    while (k < count && levelAtBit(k)) ++k;
    if (k >= count) break;
    const std::int64_t edge = std::max(now, k * senderBit);
    // Samples in the middle of each receiver bit after the start bit.
    unsigned value = 0;
    for (int i = 0; i < to.dataBits; ++i) {
      const std::int64_t at = edge + receiverBit * (1 + i) + receiverBit / 2;
      if (levelAt(at)) value |= 1u << i;
    }
    received.push_back(static_cast<char>(value));
    // The receiver looks for the next start bit after the middle of its stop bit.
    const std::int64_t stopAt = edge + receiverBit * (1 + to.dataBits + ParityBitsOf(to)) + receiverBit / 2;
    high = levelAt(stopAt);
    now = stopAt + 1;
  }
  return received;
}

std::optional<UartFrame> ReadSlaveFrame(int fd) {
  const auto fields = ReadLineFields(fd);
  if (!fields) return std::nullopt;
  UartFrame frame;
  frame.baud = fields->ospeed;
  frame.dataBits = LineDataBits(*fields);
  frame.parity = LineParity(*fields);
  frame.stopBits = LineStopBits(*fields);
  return frame;
}

std::string Describe(const UartFrame& frame) {
  return std::to_string(frame.baud) + " " + std::to_string(frame.dataBits) + frame.parity +
         std::to_string(frame.stopBits);
}

}  // namespace t418::sim
