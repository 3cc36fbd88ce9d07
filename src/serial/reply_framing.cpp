#include "serial/reply_framing.h"

namespace t418 {
namespace {

// The terminal's replies and the boot loader's prompts, byte for byte as the
// session engine recognises them.
constexpr std::string_view kDone = "\r\nOK\r\n\r\n";
constexpr std::string_view kErrorLine = "\r\n+ERR:";
constexpr std::string_view kReportEnd = "\r\n\r\n";
constexpr std::string_view kConfirmation = "+ok\r\n";
constexpr std::string_view kConfirmationWithEcho = "a+ok\r\n";
constexpr std::string_view kModeAnswer = "a";
constexpr std::string_view kModeEntry = "+++";
constexpr std::string_view kBootMenu =
    "\r\n'F': update firmware\r\n'G': run application\r\n'R': restart module\r\n>";
constexpr std::string_view kUpdatePrompt = "F\r\nSure to update, 'Y' or 'N'\r\n>";
constexpr std::string_view kUpdateYes = "Y";
constexpr std::string_view kUpdateConfirmation = "Y\r\n";

// XModem as the boot loader speaks it.
constexpr char kAck = 0x06;
constexpr char kNak = 0x15;
constexpr char kCrcStart = 'C';
constexpr std::string_view kEot("\x04", 1);
constexpr std::string_view kFinalReply("\x06\r\n>", 4);

// CR LF "+ERR:" code CR LF CR LF at the very end, the code on one line.
bool EndsWithErrorReply(std::string_view pending) {
  if (!pending.ends_with(kReportEnd)) return false;
  const std::string_view body = pending.substr(0, pending.size() - kReportEnd.size());
  const auto start = body.rfind(kErrorLine);
  if (start == std::string_view::npos) return false;
  const std::string_view code = body.substr(start + kErrorLine.size());
  if (code.empty()) return false;
  for (const char c : code) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

bool EndsWithCommandReply(std::string_view pending) {
  return pending.ends_with(kDone) || EndsWithErrorReply(pending) || pending == kConfirmation ||
         pending == kConfirmationWithEcho || pending.ends_with(kBootMenu) || pending.ends_with(kUpdatePrompt);
}

bool IsTransferReply(std::string_view pending, bool ackMayStartFinalReply) {
  if (pending == kFinalReply) return true;
  if (pending.size() != 1) return false;
  switch (pending[0]) {
    case kAck: return !ackMayStartFinalReply;
    case kNak:
    case kCrcStart: return true;
    default: return false;
  }
}

}  // namespace

bool EndsWithCompleteReply(std::string_view pending, FramingMode mode) {
  switch (mode) {
    case FramingMode::kOff: return false;
    case FramingMode::kReplies: return EndsWithCommandReply(pending);
    case FramingMode::kRepliesAfterModeEntry: return pending == kModeAnswer || EndsWithCommandReply(pending);
    case FramingMode::kRepliesAfterUpdateYes:
      return pending == kUpdateConfirmation || EndsWithCommandReply(pending);
    case FramingMode::kXModem: return IsTransferReply(pending, false);
    case FramingMode::kXModemAfterEnd: return IsTransferReply(pending, true);
  }
  return false;
}

FramingMode PlainFraming(FramingMode mode) {
  switch (mode) {
    case FramingMode::kReplies:
    case FramingMode::kRepliesAfterModeEntry:
    case FramingMode::kRepliesAfterUpdateYes: return FramingMode::kReplies;
    case FramingMode::kXModem:
    case FramingMode::kXModemAfterEnd: return FramingMode::kXModem;
    case FramingMode::kOff: break;
  }
  return FramingMode::kOff;
}

FramingMode FramingAfterSending(FramingMode mode, std::string_view sent) {
  switch (PlainFraming(mode)) {
    case FramingMode::kReplies:
      if (sent == kModeEntry) return FramingMode::kRepliesAfterModeEntry;
      if (sent == kUpdateYes) return FramingMode::kRepliesAfterUpdateYes;
      return FramingMode::kReplies;
    case FramingMode::kXModem: return sent == kEot ? FramingMode::kXModemAfterEnd : FramingMode::kXModem;
    default: return FramingMode::kOff;
  }
}

std::string_view FramingModeName(FramingMode mode) {
  switch (mode) {
    case FramingMode::kOff: return "off";
    case FramingMode::kReplies: return "replies";
    case FramingMode::kRepliesAfterModeEntry: return "replies after +++";
    case FramingMode::kRepliesAfterUpdateYes: return "replies after Y";
    case FramingMode::kXModem: return "xmodem";
    case FramingMode::kXModemAfterEnd: return "xmodem after EOT";
  }
  return "?";
}

}  // namespace t418
