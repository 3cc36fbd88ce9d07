#pragma once
// Stateless conversions on GBK byte texts: hex forms, cleaners, comma
// splitting, the XModem check value and version numbers. None throws.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "params/commands.h"

namespace t418 {

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

std::string RemoveSpaces(std::string_view text);
// Removes every CR LF pair; a lone CR or LF stays.
std::string RemoveLineBreaks(std::string_view text);
std::string RemoveQuotes(std::string_view text);
// Non-overlapping occurrences, left to right.
int CountOccurrences(std::string_view pattern, std::string_view text);
// Comma text: commas and blanks separate, double quotes keep an item whole.
std::vector<std::string> SplitCommaText(std::string_view text);

// CRC-16/XMODEM of count bytes from start.
std::uint16_t XModemCrc16(const std::uint8_t* buffer, std::size_t start, std::size_t count);

std::string HdVerSignToName(THdVerSign sign);
// Case-insensitive; -1 when the name names no member.
int HdVerSignFromName(std::string_view name);

// The program's version as "major.minor.release" (the build number is not shown).
std::string FileVersionText();
// "V1.0.5" gives 10005; -1 for a part that is not a number; "" gives 0.
std::int64_t VersionToNumber(std::string_view version);

}  // namespace t418
