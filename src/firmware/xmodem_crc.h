#pragma once
// The check value of an XModem-CRC packet.
#include <cstddef>
#include <cstdint>

namespace t418 {

// CRC-16/XMODEM of count bytes from start.
std::uint16_t XModemCrc16(const std::uint8_t* buffer, std::size_t start, std::size_t count);

}  // namespace t418
