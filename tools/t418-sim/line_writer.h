#pragma once
// Puts the terminal's output on the line: each piece after its pause, and,
// when a line speed is given, no faster than that speed allows at 10 bits a
// byte (a pseudo-terminal takes any amount at once, a serial line does not).
// Without a line speed a piece goes out in one write.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "t418-sim/sim_types.h"

namespace t418::sim {

using Micros = std::int64_t;

class LineWriter {
 public:
  // Writes up to n bytes; returns how many were taken (0 when the line is
  // full for now, negative on an error).
  using Sink = std::function<long(const char* bytes, std::size_t n)>;

  // baud 0: unpaced.
  LineWriter(Sink sink, int baud);

  // Queues a piece: it goes out delayMs after the previous piece has left the
  // line, or after now when nothing is queued.
  void Push(const Emission& piece, Micros now);
  // Writes whatever is due by now.
  void Pump(Micros now);
  // When Pump has more to do; nullopt when nothing is queued or the line is full.
  std::optional<Micros> NextWake(Micros now) const;
  // The last write was refused because the line was full: wait until it can take more.
  bool WaitingForRoom() const { return full_; }
  // Drops everything queued.
  void Clear();
  bool Idle() const { return queue_.empty(); }

 private:
  struct Piece {
    std::string bytes;
    std::size_t sent = 0;
    int delayMs = 0;
    std::optional<Micros> readyAt;
  };

  Sink sink_;
  Micros byteTime_;  // 0 when unpaced
  std::deque<Piece> queue_;
  Micros lineFreeAt_ = 0;  // when the last byte written has left the line
  bool full_ = false;
};

}  // namespace t418::sim
