#include "firmware/xmodem_crc.h"

namespace t418 {

std::uint16_t XModemCrc16(const std::uint8_t* buffer, std::size_t start, std::size_t count) {
  std::uint16_t crc = 0;
  if (buffer == nullptr) return crc;
  for (std::size_t i = start; i < start + count; ++i) {
    crc = static_cast<std::uint16_t>(crc ^ (static_cast<std::uint16_t>(buffer[i]) << 8));
    for (int bit = 0; bit < 8; ++bit) {
      if (crc & 0x8000)
        crc = static_cast<std::uint16_t>((crc << 1) ^ 0x1021);
      else
        crc = static_cast<std::uint16_t>(crc << 1);
    }
  }
  return crc;
}

}  // namespace t418
