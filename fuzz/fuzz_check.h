#pragma once
// What every fuzz target shares: a check that stops the run when a property
// that must hold for any input is broken, and a reader of the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace t418::fuzz {

// Aborts with the reason when the condition is false; libFuzzer and the
// replay driver both report the abort as a found fault.
inline void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz property broken: %s\n", what);
  std::abort();
}

// Reads the input front to back: single bytes that steer a target, the rest as text.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size)
      : text_(reinterpret_cast<const char*>(data), size) {}

  bool Empty() const { return at_ >= text_.size(); }
  // The next byte, or 0 when the input is used up.
  std::uint8_t Byte() { return Empty() ? 0 : static_cast<std::uint8_t>(text_[at_++]); }
  // Everything not yet read.
  std::string_view Rest() {
    const std::string_view rest = text_.substr(std::min(at_, text_.size()));
    at_ = text_.size();
    return rest;
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

// Splits text at every byte sep; an input without it is one piece.
template <typename Fn>
void ForEachPiece(std::string_view text, char sep, Fn&& fn) {
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(sep, from);
    fn(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
    if (at == std::string_view::npos) return;
    from = at + 1;
  }
}

}  // namespace t418::fuzz
