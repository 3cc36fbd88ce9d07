#pragma once
// The one place where GBK (code page 936) bytes and Unicode (UTF-8) meet.
// Bytes that cannot be converted become '?' rather than failing.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace t418 {

std::string GbkToUtf8(std::string_view gbk);
// A character with no GBK form becomes one '?', whatever its UTF-8 length.
std::string Utf8ToGbk(std::string_view utf8);

// A path as the log shows it: the system's (UTF-8) name in GBK.
inline std::string PathToGbk(const std::filesystem::path& path) { return Utf8ToGbk(path.string()); }

// Whether a byte opens a two-byte GBK character.
inline bool IsGbkLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// The length of the longest prefix of a GBK stream that ends on a character
// boundary: everything but a lead byte left dangling at the end, whose trail
// byte is still to come in the next piece of the stream.
std::size_t CompleteGbkPrefix(std::string_view gbk);

}  // namespace t418
