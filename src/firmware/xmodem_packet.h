#pragma once
// The XModem-CRC wire forms the firmware upgrade sends and recognises.
#include <cstdint>
#include <string>
#include <string_view>

namespace t418::xmodem {

inline constexpr char kSoh = 0x01;
inline constexpr char kEot = 0x04;
inline constexpr char kAck = 0x06;
inline constexpr char kNak = 0x15;
inline constexpr char kCan = 0x18;  // two in a row cancel the transfer
inline constexpr char kStart = 'C';  // the receiver asks for CRC packets
inline constexpr char kFill = 0x1A;  // fills a short last piece
inline constexpr std::size_t kDataSize = 128;
inline constexpr std::size_t kPacketSize = 3 + kDataSize + 2;
// The boot loader's answer to EOT: ACK, CR, LF and its prompt.
inline constexpr std::string_view kFinalReply{"\x06\r\n>", 4};

// SOH, the block number, its complement, the data filled up to 128 bytes with
// 0x1A, and the CRC-16/XMODEM of those 128 bytes, high byte first. Data beyond
// 128 bytes is not taken.
std::string BuildPacket(std::uint8_t blockNo, std::string_view data);

}  // namespace t418::xmodem
