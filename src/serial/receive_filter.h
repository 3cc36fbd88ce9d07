#pragma once
// What the receive thread does to bytes before they form a chunk: decoding the
// driver's error marks into the replacement character, and dropping zero bytes.
#include <cstddef>

namespace t418 {

class ReceiveFilter {
 public:
  // Filters data[0..n) in place and returns the number of bytes kept.
  // markedErrors: the driver marks a byte received with a parity or framing
  // error as 0xFF 0x00 byte and a data byte 0xFF as 0xFF 0xFF (PARMRK); such a
  // marked byte becomes `replacement`. A mark split across two reads is decoded
  // across the calls. dropNull: zero bytes (also a zero replacement) are dropped.
  std::size_t Apply(char* data, std::size_t n, bool markedErrors, char replacement, bool dropNull);

 private:
  enum class State { Plain, SawFF, SawFF00 };
  State state_ = State::Plain;
};

}  // namespace t418
