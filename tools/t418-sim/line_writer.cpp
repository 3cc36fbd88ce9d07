#include "t418-sim/line_writer.h"

#include <algorithm>

namespace t418::sim {

LineWriter::LineWriter(Sink sink, int baud)
    : sink_(std::move(sink)), byteTime_(baud > 0 ? (10'000'000 + baud - 1) / baud : 0) {}

void LineWriter::Push(const Emission& piece, Micros now) {
  if (piece.bytes.empty() && piece.delayMs == 0) return;
  Piece p{piece.bytes, 0, piece.delayMs, std::nullopt};
  if (queue_.empty()) p.readyAt = std::max(now, lineFreeAt_) + Micros{piece.delayMs} * 1000;
  queue_.push_back(std::move(p));
}

void LineWriter::Clear() {
  queue_.clear();
  full_ = false;
}

void LineWriter::Pump(Micros now) {
  full_ = false;
  while (!queue_.empty()) {
    Piece& head = queue_.front();
    if (!head.readyAt) head.readyAt = std::max(now, lineFreeAt_) + Micros{head.delayMs} * 1000;
    if (now < *head.readyAt) return;

    const std::size_t left = head.bytes.size() - head.sent;
    std::size_t count = left;
    Micros start = now;
    if (byteTime_ > 0) {
      // The line sends continuously from start; the bytes begun by now are due.
      start = std::max(lineFreeAt_, *head.readyAt);
      if (start > now) return;
      count = std::min<std::size_t>(left, static_cast<std::size_t>((now - start) / byteTime_) + 1);
    }
    if (count > 0) {
      const long taken = sink_(head.bytes.data() + head.sent, count);
      if (taken <= 0) {
        full_ = taken == 0;
        if (taken < 0) queue_.clear();  // the line is gone; nothing more can go out
        return;
      }
      head.sent += static_cast<std::size_t>(taken);
      lineFreeAt_ = byteTime_ > 0 ? start + Micros{taken} * byteTime_ : now;
      if (static_cast<std::size_t>(taken) < count) {
        full_ = true;
        return;
      }
    }
    if (head.sent < head.bytes.size()) return;  // paced: the rest later
    queue_.pop_front();
  }
}

std::optional<Micros> LineWriter::NextWake(Micros now) const {
  if (queue_.empty() || full_) return std::nullopt;
  const Piece& head = queue_.front();
  // A piece gets its time when it reaches the head of the queue, in Push or Pump.
  const Micros ready = head.readyAt.value_or(now);
  return byteTime_ > 0 ? std::max(ready, lineFreeAt_) : ready;
}

}  // namespace t418::sim
