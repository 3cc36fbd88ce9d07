#pragma once
// When a received chunk may be handed over before the quiet gap: as soon as the
// bytes gathered so far end with a complete reply of the terminal or of its
// boot loader. The rule sees only the bytes of the chunk being gathered and a
// mode; it holds no state, takes no lock and does no I/O, so the receive thread
// can ask it after every read and a fuzzer can feed it anything.
//
// The rule never cuts a read in two and never ends a chunk where the terminal
// may still be sending the same reply: the engine sees the chunks a slow line
// would give it, only sooner. Whatever it does not recognise still ends at the
// gap or at 1024 bytes.
#include <cstdint>
#include <string_view>

namespace t418 {

enum class FramingMode : std::uint8_t {
  // Chunks end at the gap or at 1024 bytes only.
  kOff,
  // Command replies, mode confirmations and the boot loader's menu and prompt:
  // a line-end framed "OK" or "+ERR:" code line at the very end, or exactly
  // "+ok" CR LF or "a+ok" CR LF.
  kReplies,
  // kReplies, and a lone "a": "+++" was the last thing sent, and "a" is its
  // whole answer. (Otherwise "a" may be the first byte of "a+ok" CR LF.)
  kRepliesAfterModeEntry,
  // kReplies, and exactly "Y" CR LF: "Y" was sent at the update prompt. (Typed
  // by hand, "Y" CR LF may be the echo in front of a reply.)
  kRepliesAfterUpdateYes,
  // A firmware transfer runs: a single ACK, NAK or "C", or the final reply
  // ACK CR LF ">". A CAN never ends early: the boot loader aborts with two,
  // and the pair must arrive as one chunk to stop the transfer.
  kXModem,
  // kXModem after the end of transmission was sent: an ACK alone may be the
  // first byte of the final reply, so only NAK, "C" or the final reply end early.
  kXModemAfterEnd,
};

// True when `pending`, the bytes of the chunk gathered so far, ends with a
// complete reply for the mode.
bool EndsWithCompleteReply(std::string_view pending, FramingMode mode);

// The mode after `sent` went out, given the mode set by the owner (or the one
// a former send led to): within the replies modes a "+++" or a "Y" selects the
// answer it expects, within the transfer modes an EOT does; anything else
// returns to the plain mode. kOff stays kOff.
FramingMode FramingAfterSending(FramingMode mode, std::string_view sent);

// The mode without what the last send selected: kReplies, kXModem or kOff.
FramingMode PlainFraming(FramingMode mode);

// The name of a mode, for logs and test output.
std::string_view FramingModeName(FramingMode mode);

}  // namespace t418
