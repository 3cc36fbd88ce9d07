// The end-of-reply rule on any bytes, gathered the way the receive thread
// gathers them: reads of fuzzer-chosen sizes appended to a pending chunk that
// is handed over when the rule says it is complete or at the 1024-byte limit.
// What must hold: with framing off nothing ends early; a chunk the rule ends in a
// command-reply mode ends where a reply can end (a line end, the boot
// loader's ">" or the lone mode answer); and what a send selects never leaves
// the family of modes the owner set.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "serial/reply_framing.h"

namespace {

using t418::FramingMode;
using t418::fuzz::Require;

constexpr std::size_t kChunkLimit = 1024;

constexpr FramingMode kModes[] = {FramingMode::kOff,
                                  FramingMode::kReplies,
                                  FramingMode::kRepliesAfterModeEntry,
                                  FramingMode::kRepliesAfterUpdateYes,
                                  FramingMode::kXModem,
                                  FramingMode::kXModemAfterEnd};

bool IsCommandReplyMode(FramingMode mode) { return t418::PlainFraming(mode) == FramingMode::kReplies; }

// The last byte of every reply the command-reply modes recognise.
bool EndsWhereAReplyCan(std::string_view chunk) {
  return chunk.ends_with("\r\n") || chunk.ends_with(">") || chunk == "a";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  t418::fuzz::InputReader input(data, size);
  const FramingMode mode = kModes[input.Byte() % std::size(kModes)];
  // What a send selects: the owner's mode, then one of the sends that steer it.
  static constexpr std::string_view kSends[] = {"+++", "Y", "\x04", "AT+VER?\r", "a", ""};
  const FramingMode afterSend = t418::FramingAfterSending(mode, kSends[input.Byte() % std::size(kSends)]);
  Require(t418::PlainFraming(afterSend) == t418::PlainFraming(mode), "a send changed the family of framing modes");
  Require(!t418::FramingModeName(afterSend).empty(), "a mode without a name");

  // The rest: a read size byte, then that many bytes, again and again.
  std::string pending;
  while (!input.Empty()) {
    const std::size_t readSize = 1 + input.Byte() % 64;
    for (std::size_t i = 0; i < readSize && !input.Empty(); ++i) {
      const char byte = static_cast<char>(input.Byte());
      pending += byte;
      if (pending.size() == kChunkLimit) pending.clear();
    }
    if (pending.empty() || !t418::EndsWithCompleteReply(pending, afterSend)) continue;
    Require(afterSend != FramingMode::kOff, "framing off ended a chunk early");
    if (IsCommandReplyMode(afterSend))
      Require(EndsWhereAReplyCan(pending), "a command reply ended where no reply ends");
    else
      Require(pending.size() <= 4, "a transfer reply longer than the final reply");
    pending.clear();
  }
  return 0;
}
