#include "firmware/xmodem_packet.h"

#include "firmware/xmodem_crc.h"

namespace t418::xmodem {

std::string BuildPacket(std::uint8_t blockNo, std::string_view data) {
  std::string packet;
  packet.reserve(kPacketSize);
  packet.push_back(kSoh);
  packet.push_back(static_cast<char>(blockNo));
  packet.push_back(static_cast<char>(255 - blockNo));
  packet.append(data.substr(0, kDataSize));
  packet.resize(3 + kDataSize, kFill);
  const auto crc = XModemCrc16(reinterpret_cast<const std::uint8_t*>(packet.data()), 3, kDataSize);
  packet.push_back(static_cast<char>(crc >> 8));
  packet.push_back(static_cast<char>(crc & 0xFF));
  return packet;
}

}  // namespace t418::xmodem
