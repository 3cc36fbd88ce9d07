#pragma once
// Hex forms of byte texts: two upper-case digits per byte; readers accept
// either case. None throws.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace t418 {

// The value of one hexadecimal digit, either case; -1 for anything else.
int HexDigitValue(char c);

// Byte k becomes character k unchanged; count 0 gives "".
std::string BytesToText(const std::uint8_t* bytes, std::size_t count);
// Two upper-case digits per byte, no separator: 06 0D 0A 3E gives "060D0A3E".
std::string BytesToHex(const std::uint8_t* bytes, std::size_t count);
std::string BytesToHex(std::string_view bytes);
// Each byte's two digits followed by the separator ("AB1", " " gives "41 42 31 ").
std::string TextToHex(std::string_view text, std::string_view separator);
// Pairs separated by single blanks: "AB1" gives "41 42 31".
std::string TextToSpacedHex(std::string_view text);
// The decoded text, or the input unchanged when any pair is not hexadecimal.
std::string HexToTextOrSame(std::string_view hex);
// The decoded text with blanks ignored; nullopt when a pair is not hexadecimal.
std::optional<std::string> TryHexToText(std::string_view hex);

}  // namespace t418
