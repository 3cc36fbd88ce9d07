#pragma once
// Which firmware files may be offered to the boot loader at all, judged by
// their size alone: nothing is armed, and nothing is sent, for a file that
// cannot be a firmware image of the terminal.
#include <cstdint>
#include <optional>
#include <string_view>

#include "firmware/xmodem_packet.h"

namespace t418 {

// The largest image the terminal's flash takes: 4 MiB. A bigger file is not
// a firmware image of this terminal (a wrong file, or a whole disk image).
inline constexpr std::uint64_t kMaxFirmwareBytes = std::uint64_t{4} * 1024 * 1024;
// The smallest: one whole XModem packet of data.
inline constexpr std::uint64_t kMinFirmwareBytes = xmodem::kDataSize;

enum class FirmwareSizeFault {
  kEmpty,              // 0 bytes
  kShorterThanPacket,  // 1 to kMinFirmwareBytes - 1 bytes
  kLargerThanFlash,    // more than kMaxFirmwareBytes
};

// Nothing when a file of this size may be armed, else what is wrong with it.
constexpr std::optional<FirmwareSizeFault> JudgeFirmwareSize(std::uint64_t size) {
  if (size == 0) return FirmwareSizeFault::kEmpty;
  if (size < kMinFirmwareBytes) return FirmwareSizeFault::kShorterThanPacket;
  if (size > kMaxFirmwareBytes) return FirmwareSizeFault::kLargerThanFlash;
  return std::nullopt;
}

// The catalogue name of the refusal's text.
constexpr std::string_view RefusalTextName(FirmwareSizeFault fault) {
  switch (fault) {
    case FirmwareSizeFault::kEmpty: return "info_FwFileEmpty";
    case FirmwareSizeFault::kShorterThanPacket: return "info_FwFileTooShort";
    case FirmwareSizeFault::kLargerThanFlash: return "info_FwFileTooLarge";
  }
  return "info_FwFileEmpty";
}

// The bound a refused size broke, in bytes (0 for an empty file).
constexpr std::uint64_t BrokenBound(FirmwareSizeFault fault) {
  switch (fault) {
    case FirmwareSizeFault::kShorterThanPacket: return kMinFirmwareBytes;
    case FirmwareSizeFault::kLargerThanFlash: return kMaxFirmwareBytes;
    default: return 0;
  }
}

}  // namespace t418
