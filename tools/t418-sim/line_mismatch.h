#pragma once
// What one UART reads from another set up differently: the bytes of the
// sender go out as start bit, data bits (lowest first), parity bit and stop
// bit at the sender's rate, and the receiver samples that line in the middle of
// each of its own bit times from the falling edge of each start bit on. With
// equal settings every byte arrives as it was sent; otherwise what arrives is
// what a real line would give: other bytes, more or fewer of them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace t418::sim {

struct UartFrame {
  std::uint32_t baud = 115200;
  int dataBits = 8;     // 5 to 8
  char parity = 'N';    // 'N', 'O', 'E', 'M' (mark) or 'S' (space)
  int stopBits = 1;

  bool operator==(const UartFrame&) const = default;
};

// The bytes a receiver set to `to` reads when a sender set to `from` sends
// bytes back to back, the line idle before and after. A byte with a broken
// stop bit is delivered all the same, as a raw line delivers it.
std::string ReceiveAcross(std::string_view bytes, const UartFrame& from, const UartFrame& to);

// The frame the program at the other end of a pseudo-terminal has set on the
// slave fd (its rate, data bits, parity, stop bits); nullopt when it cannot be read.
std::optional<UartFrame> ReadSlaveFrame(int fd);

// "9600 8N1"
std::string Describe(const UartFrame& frame);

}  // namespace t418::sim
